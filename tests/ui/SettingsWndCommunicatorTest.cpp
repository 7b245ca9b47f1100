#include <gtest/gtest.h>

#include "support/RecordingPrompt.h"
#include "ui/SettingsWndCommunicator.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using test::FakeCheck;
using test::FakeCombo;
using test::FakeSlider;
using test::FakeWindow;

class PromptGuard {
public:
    explicit PromptGuard(CUserPrompt* prompt) { SetUserPrompt(prompt); }
    ~PromptGuard() { SetUserPrompt(nullptr); }
};

TEST(SettingsWndCommunicator, MovesEveryKindBothWays) {
    CSettingsStore store;
    store.FromText("[GUI]\nText=Hello\nCheck=1\nState=run\nEffect=Fade\nSlider=25\nSlider_Max=100\n");
    FakeWindow text, equal, different;
    FakeCheck check;
    FakeCombo combo;
    combo.items = {"Blend", "Fade Left", "Fade Right"};
    FakeSlider slider;

    CSettingsWndCommunicator binder;
    binder.SetSettings(&store);
    binder.AddBinding(&text, "GUI", "Text", kBindText);
    binder.AddBinding(&check, "GUI", "Check", kBindCheck);
    binder.AddBinding(&equal, "GUI", "State", "run", kBindEnableIfEqual);
    binder.AddBinding(&different, "GUI", "State", "run", kBindEnableIfDifferent);
    binder.AddBinding(&combo, "GUI", "Effect", kBindDropDown);
    binder.AddBinding(&slider, "GUI", "Slider", kBindSlider);
    binder.UpdateAllControls();
    EXPECT_EQ(text.text, "Hello");
    EXPECT_EQ(check.state, 1);
    EXPECT_TRUE(equal.enabled);
    EXPECT_FALSE(different.enabled);
    EXPECT_EQ(combo.selection, 1);  // the first of two entries beginning with "Fade"
    EXPECT_EQ(slider.position, 2500);
    EXPECT_EQ(slider.maximum, 10000);

    text.text = "World";
    check.state = 0;
    combo.selection = 2;
    slider.position = 10;
    equal.enabled = false;
    binder.UpdateAllSettings();
    std::string v;
    store.GetString("GUI", "Text", v);
    EXPECT_EQ(v, "World");
    store.GetString("GUI", "Check", v);
    EXPECT_EQ(v, "0");
    store.GetString("GUI", "Effect", v);
    EXPECT_EQ(v, "Fade Right");
    store.GetString("GUI", "Slider", v);
    EXPECT_EQ(v, "25");  // display only
    store.GetString("GUI", "State", v);
    EXPECT_EQ(v, "run");

    // No selection: the entry is left alone.
    combo.selection = -1;
    binder.UpdateAllSettings();
    store.GetString("GUI", "Effect", v);
    EXPECT_EQ(v, "Fade Right");
}

TEST(SettingsWndCommunicator, MissingEntriesLeaveControlsUnchanged) {
    CSettingsStore store;
    store.SetString("S", "Slider", "5");  // no "Slider_Max"
    store.SetString("S", "Effect", "Nothing like it");
    FakeWindow text("keep"), enable;
    enable.enabled = false;
    FakeCheck check;
    check.state = 1;
    FakeCombo combo;
    combo.items = {"A", "B"};
    combo.selection = 1;
    FakeSlider slider;
    CSettingsWndCommunicator binder;
    binder.SetSettings(&store);
    binder.AddBinding(&text, "S", "Text", kBindText);
    binder.AddBinding(&check, "S", "Check", kBindCheck);
    binder.AddBinding(&enable, "S", "State", "x", kBindEnableIfDifferent);
    binder.AddBinding(&combo, "S", "Effect", kBindDropDown);
    binder.AddBinding(&slider, "S", "Slider", kBindSlider);
    binder.AddBinding(nullptr, "S", "Text", kBindText);
    // A plain window bound as a check box is left alone.
    binder.AddBinding(&text, "S", "Slider", kBindCheck);
    binder.UpdateAllControls();
    EXPECT_EQ(text.text, "keep");
    EXPECT_EQ(check.state, 1);
    EXPECT_FALSE(enable.enabled);
    EXPECT_EQ(combo.selection, 1);
    EXPECT_EQ(slider.position, -1);
}

TEST(SettingsWndCommunicator, SliderArithmetic) {
    EXPECT_EQ(CSettingsWndCommunicator::SliderPosition(25, 100), 2500);
    EXPECT_EQ(CSettingsWndCommunicator::SliderPosition(1, 3), 3333);  // truncated
    EXPECT_EQ(CSettingsWndCommunicator::SliderPosition(5, 0), 0);     // no division by zero
    EXPECT_EQ(CSettingsWndCommunicator::SliderPosition(5, -2), 0);
    EXPECT_EQ(CSettingsWndCommunicator::SliderPosition(200, 100), 10000);
    EXPECT_EQ(CSettingsWndCommunicator::SliderPosition(-3, 100), 0);
}

TEST(SettingsWndCommunicator, FilterSelectsSectionsForControlsOnly) {
    CSettingsStore store;
    store.FromText("[A]\nV=a\n[B]\nV=b\n");
    FakeWindow a, b;
    CSettingsWndCommunicator binder;
    binder.SetSettings(&store);
    binder.AddBinding(&a, "A", "V", kBindText);
    binder.AddBinding(&b, "B", "V", kBindText);
    binder.SetFilter(CSettingsWndCommunicator::kFilterSection, "B");
    binder.UpdateAllControls();
    EXPECT_EQ(a.text, "");
    EXPECT_EQ(b.text, "b");
    a.text = "new";
    binder.UpdateAllSettings();  // a confirmation stores every binding
    std::string v;
    store.GetString("A", "V", v);
    EXPECT_EQ(v, "new");
    binder.SetFilter(CSettingsWndCommunicator::kFilterAll);
    binder.UpdateAllControls();
    EXPECT_EQ(a.text, "new");
}

TEST(SettingsWndCommunicator, WithoutStoreOnlyTheMessage) {
    test::CTextRecordingPrompt prompt;
    PromptGuard guard(&prompt);
    FakeWindow text("keep");
    CSettingsStore store;
    store.SetString("S", "K", "value");
    CSettingsWndCommunicator binder;
    binder.AddBinding(&text, "S", "K", kBindText);
    binder.UpdateAllControls();
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0],
              "Debug: CSettingsWndCommunicator::UpdateAllControls: No Settings are defined!");
    binder.UpdateAllSettings();  // silent
    EXPECT_EQ(prompt.texts.size(), 1u);

    binder.SetSettings(&store);
    binder.SetFilter(CSettingsWndCommunicator::kFilterSection, "X");
    binder.Clear();
    EXPECT_EQ(binder.GetBindingCount(), 0u);
    EXPECT_EQ(binder.GetSettings(), nullptr);
    binder.SetSettings(&store);
    binder.AddBinding(&text, "S", "K", kBindText);
    binder.UpdateAllControls();  // the filter went back to all
    EXPECT_EQ(text.text, "value");
}

}  // namespace
}  // namespace trov
