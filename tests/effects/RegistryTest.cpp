// The effect registry: refusals with their messages, look-up, name order, random choice and the
// "FADING_EFFECTS" switches.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "EffectTestSupport.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "infra/UserPrompt.h"
#include "settings/SettingsStore.h"
#include "support/RecordingPrompt.h"

namespace trov {
namespace {

// A minimal effect that counts its destruction and its End calls.
class CCountingEffect : public CFadingEffect {
public:
    CCountingEffect(const std::string& name, int* destroyed, int* ended = nullptr)
        : m_destroyed(destroyed), m_ended(ended) {
        if (!name.empty()) m_name = name;
    }
    ~CCountingEffect() override {
        if (m_destroyed) ++*m_destroyed;
    }
    void End() override {
        if (m_ended) ++*m_ended;
    }
    CDibPicture* NextFrame() override { return nullptr; }
    void Prepare(int) override {}

private:
    int* m_destroyed;
    int* m_ended;
};

struct RegistryTest : ::testing::Test {
    RegistryTest() { manager.SetUserPrompt(&prompt); }
    test::CTextRecordingPrompt prompt;
    CFadingEffectManager manager;
    int destroyed = 0;
};

TEST_F(RegistryTest, RefusesNullUnnamedAndDuplicateEffectsWithTheirMessages) {
    EXPECT_FALSE(manager.Register(nullptr));
    EXPECT_TRUE(prompt.texts.empty());

    auto* unnamed = new CCountingEffect("", &destroyed);
    EXPECT_FALSE(manager.Register(unnamed));
    ASSERT_EQ(prompt.texts.size(), 1u);
    EXPECT_EQ(prompt.texts[0], "Error: Can not integrate Effect! Name not defined!");
    EXPECT_EQ(destroyed, 0) << "an unnamed effect stays with its caller";
    delete unnamed;
    destroyed = 0;

    auto* first = new CCountingEffect("Wipe", &destroyed);
    auto* second = new CCountingEffect("Wipe", &destroyed);
    EXPECT_TRUE(manager.Register(first));
    EXPECT_FALSE(manager.Register(second));
    ASSERT_EQ(prompt.texts.size(), 2u);
    EXPECT_EQ(prompt.texts[1], "Error: Can not integrate Effect! Effect already defined! Name: Wipe");
    EXPECT_EQ(destroyed, 1) << "the refused effect owned by the registry is destroyed";
    EXPECT_EQ(manager.Find("Wipe"), first) << "the first registration is kept";
    EXPECT_EQ(manager.GetCount(), 1);
}

TEST_F(RegistryTest, RefusedPlugInEffectIsNotDestroyed) {
    CCountingEffect original("Shared", &destroyed), plugin("Shared", &destroyed);
    original.SetOwnedByRegistry(false);
    plugin.SetOwnedByRegistry(false);
    EXPECT_TRUE(manager.Register(&original));
    EXPECT_FALSE(manager.Register(&plugin));
    manager.Clear();
    EXPECT_EQ(destroyed, 0);
}

TEST_F(RegistryTest, FindIsExactAndCaseSensitive) {
    manager.Register(new CCountingEffect("Cross Dissolve", nullptr));
    EXPECT_NE(manager.Find("Cross Dissolve"), nullptr);
    EXPECT_EQ(manager.Find("cross dissolve"), nullptr);
    EXPECT_EQ(manager.Find("Cross Dissolve "), nullptr);
    EXPECT_EQ(manager.Find(""), nullptr);
}

TEST_F(RegistryTest, NamesAreListedInUtf16CodeUnitOrder) {
    // Upper case before lower case; U+1F600 (a surrogate pair in UTF-16) before U+FF21, although
    // its UTF-8 bytes sort after.
    for (const char* name : {"beta", "Zeta", "alpha", "\xEF\xBC\xA1", "\xF0\x9F\x98\x80", "Alpha"})
        manager.Register(new CCountingEffect(name, nullptr));
    const std::vector<std::string> expected = {"Alpha",       "Zeta", "alpha", "beta", "\xF0\x9F\x98\x80",
                                               "\xEF\xBC\xA1"};
    EXPECT_EQ(manager.GetNames(), expected);
}

TEST_F(RegistryTest, RegistrationOrderIsKeptSeparately) {
    for (const char* name : {"c", "a", "b"}) manager.Register(new CCountingEffect(name, nullptr));
    std::vector<std::string> order;
    for (CFadingEffect* effect : manager.InRegistrationOrder()) order.push_back(effect->GetName());
    EXPECT_EQ(order, (std::vector<std::string>{"c", "a", "b"}));
}

TEST_F(RegistryTest, EndAllEndsEveryEffectAndClearDestroysOnlyOwnedOnes) {
    int ended = 0;
    manager.Register(new CCountingEffect("one", &destroyed, &ended));
    manager.Register(new CCountingEffect("two", &destroyed, &ended));
    CCountingEffect foreign("three", &destroyed, &ended);
    foreign.SetOwnedByRegistry(false);
    manager.Register(&foreign);
    manager.EndAll();
    EXPECT_EQ(ended, 3);
    manager.Clear();
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(manager.GetCount(), 0);
    EXPECT_TRUE(manager.GetNames().empty());
    EXPECT_EQ(manager.Find("one"), nullptr);
}

TEST_F(RegistryTest, RegisteredEffectsGetTheRegistrysPipelines) {
    CMessagePipelines pipelines;
    manager.SetPipelines(&pipelines);
    auto* effect = new CCountingEffect("fx", nullptr);
    manager.Register(effect);
    EXPECT_EQ(effect->GetPipelines(), &pipelines);
}

// ---- random choice ----

struct RandomChoiceTest : RegistryTest {
    RandomChoiceTest() { manager.SetSettings(&settings); }
    void Add(const char* name) { manager.Register(new CCountingEffect(name, nullptr)); }
    CSettingsStore settings;
};

TEST_F(RandomChoiceTest, EmptyRegistryGivesNull) {
    EXPECT_EQ(manager.GetRandomEffect(), nullptr);
    EXPECT_TRUE(manager.AreAllDisabled());
    EXPECT_EQ(manager.CountEnabled(), 0);
}

TEST_F(RandomChoiceTest, TwoEnabledEffectsAlternateStrictly) {
    Add("one");
    Add("two");
    Add("three");
    settings.SetInt("FADING_EFFECTS", "three", 1);
    CFadingEffect* previous = manager.GetRandomEffect();
    ASSERT_NE(previous, nullptr);
    for (int i = 0; i < 200; ++i) {
        CFadingEffect* next = manager.GetRandomEffect();
        ASSERT_NE(next, nullptr);
        EXPECT_NE(next, previous);
        EXPECT_NE(next->GetName(), "three");
        previous = next;
    }
}

TEST_F(RandomChoiceTest, TheOnlyEnabledEffectIsReturnedEveryTime) {
    Add("one");
    Add("two");
    Add("three");
    settings.SetInt("FADING_EFFECTS", "one", 1);
    settings.SetInt("FADING_EFFECTS", "three", 7);
    EXPECT_EQ(manager.CountEnabled(), 1);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(manager.GetRandomEffect(), manager.Find("two"));
}

TEST_F(RandomChoiceTest, ZeroOrMissingKeyCountsAsEnabled) {
    Add("one");
    Add("two");
    settings.SetInt("FADING_EFFECTS", "one", 0);
    EXPECT_FALSE(manager.IsDisabled(manager.Find("one")));
    EXPECT_FALSE(manager.IsDisabled(manager.Find("two")));
    EXPECT_EQ(manager.CountEnabled(), 2);
    settings.SetString("FADING_EFFECTS", "two", "yes");  // not a number: reads 0
    EXPECT_FALSE(manager.IsDisabled(manager.Find("two")));
    EXPECT_FALSE(manager.IsDisabled(nullptr));
}

TEST_F(RandomChoiceTest, AllDisabledGivesNullInsteadOfLoopingForever) {
    Add("one");
    Add("two");
    settings.SetInt("FADING_EFFECTS", "one", 1);
    settings.SetInt("FADING_EFFECTS", "two", 1);
    EXPECT_TRUE(manager.AreAllDisabled());
    EXPECT_EQ(manager.GetRandomEffect(), nullptr);
}

TEST_F(RandomChoiceTest, WithoutSettingsNothingIsDisabled) {
    manager.SetSettings(nullptr);
    Add("one");
    settings.SetInt("FADING_EFFECTS", "one", 1);
    EXPECT_FALSE(manager.IsDisabled(manager.Find("one")));
    EXPECT_EQ(manager.GetRandomEffect(), manager.Find("one"));
}

TEST_F(RandomChoiceTest, EveryEnabledEffectIsChosenSometimes) {
    for (const char* name : {"a", "b", "c", "d", "e"}) Add(name);
    settings.SetInt("FADING_EFFECTS", "c", 1);
    std::set<std::string> seen;
    for (int i = 0; i < 400; ++i) seen.insert(manager.GetRandomEffect()->GetName());
    EXPECT_EQ(seen, (std::set<std::string>{"a", "b", "d", "e"}));
}

// ---- the built-in catalogue ----

TEST(BuiltinCatalogueTest, NamesAreUniqueAndEveryEffectIsComplete) {
    test::CTextRecordingPrompt prompt;
    CFadingEffectManager manager;
    manager.SetUserPrompt(&prompt);
    RegisterBuiltinEffects(manager);
    EXPECT_TRUE(prompt.texts.empty()) << (prompt.texts.empty() ? "" : prompt.texts[0]);
    std::set<std::string> names;
    for (CFadingEffect* effect : manager.InRegistrationOrder()) {
        EXPECT_TRUE(names.insert(effect->GetName()).second) << effect->GetName();
        EXPECT_EQ(effect->GetAuthor(), "Kestrami") << effect->GetName();
        EXPECT_NE(effect->GetVersion(), "Unknown") << effect->GetName();
        EXPECT_TRUE(effect->IsOwnedByRegistry());
        EXPECT_EQ(effect->GetCurrentFrame(), -1);
        EXPECT_EQ(effect->GetFrameCount(), -1);
    }
    EXPECT_EQ(int(names.size()), manager.GetCount());
}

// Every row of the catalogue sits at its position with its name, version and caption flag.
TEST(BuiltinCatalogueTest, RowsKeepTheirPositionsNamesVersionsAndFlags) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    const std::vector<CFadingEffect*> effects = manager.InRegistrationOrder();
    ASSERT_EQ(effects.size(), test::Catalogue().size());
    int previousIndex = -1;
    for (const test::CatalogueEntry& row : test::Catalogue()) {
        CFadingEffect* effect = manager.Find(row.name);
        ASSERT_NE(effect, nullptr) << row.name;
        EXPECT_EQ(effect->GetVersion(), row.version) << row.name;
        EXPECT_EQ(effect->IsTextCapable(), row.textCapable) << row.name;
        int index = 0;
        while (effects[size_t(index)] != effect) ++index;
        EXPECT_GT(index, previousIndex) << row.name << " is out of order";
        previousIndex = index;
        EXPECT_EQ(index + 1, row.position) << row.name;
    }
}

TEST(BuiltinCatalogueTest, CatalogueHas127Effects) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    // 104 single-pass effects and 23 multi-pass ones.
    EXPECT_EQ(manager.GetCount(), 127);
    EXPECT_EQ(test::Catalogue().size(), 127u);
    int multiPass = 0;
    for (const test::CatalogueEntry& row : test::Catalogue()) multiPass += row.multiPass ? 1 : 0;
    EXPECT_EQ(multiPass, 23);
}

}  // namespace
}  // namespace trov
