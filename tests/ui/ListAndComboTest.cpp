#include <gtest/gtest.h>

#include "ui/ComboBoxControlManager.h"
#include "ui/ListControlManager.h"
#include "ui/UiFakes.h"

namespace trov {
namespace {

using test::FakeCombo;
using test::FakeList;

TEST(ListControlManager, InitializeListBuildsColumnsOrRefuses) {
    CMessagePipelines pipelines;
    pipelines.Create("DEBUG");
    auto* debug = new test::RecordingListener;
    pipelines.AddListener("DEBUG", debug, true);
    CListControlManager manager;
    manager.SetPipelines(&pipelines);

    FakeList list;
    list.InsertColumn(0, "Old", 10);
    list.InsertRow(0, "row");
    CSettingsStore store;
    store.SetString("L", "Column0_Name", "X");
    EXPECT_FALSE(manager.InitializeList(store, "L", list));
    EXPECT_EQ(list.GetColumnCount(), 1);
    EXPECT_EQ(list.GetRowCount(), 1);
    ASSERT_EQ(debug->texts.size(), 1u);
    EXPECT_EQ(debug->texts[0], "CListControlManager::InitializeList: Columns not found!");

    store.FromText("[L]\nColumns=2\nColumn0_Name=X\nColumn0_Width=150\nColumn1_Width=-1\n");
    EXPECT_TRUE(manager.InitializeList(store, "L", list));
    ASSERT_EQ(list.GetColumnCount(), 2);
    EXPECT_EQ(list.GetRowCount(), 0);
    EXPECT_EQ(list.GetColumnTitle(0), "X");
    EXPECT_EQ(list.GetColumnWidth(0), 150);
    EXPECT_EQ(list.GetColumnTitle(1), "");
    EXPECT_EQ(list.GetColumnWidth(1), list.TextWidth(""));

    // Absurd counts stay within the list's limit.
    store.SetInt("L", "Columns", 1000000);
    EXPECT_TRUE(manager.InitializeList(store, "L", list));
    EXPECT_EQ(list.GetColumnCount(), CListControlManager::kMaxColumns);
    store.SetInt("L", "Columns", -4);
    EXPECT_FALSE(manager.InitializeList(store, "L", list));
    EXPECT_EQ(list.GetColumnCount(), CListControlManager::kMaxColumns);
    store.SetInt("L", "Columns", 0);
    EXPECT_TRUE(manager.InitializeList(store, "L", list));
    EXPECT_EQ(list.GetColumnCount(), 0);
}

TEST(ListControlManager, RowsRoundTrip) {
    FakeList list;
    list.InsertColumn(0, "X", 150);
    list.InsertColumn(1, "Y", 150);
    for (int i = 0; i < 3; ++i) {
        list.InsertRow(i, std::to_string(i * 10));
        list.SetCellText(i, 1, std::to_string(i * 10 + 5));
    }
    CListControlManager manager;
    CSettingsStore store;
    EXPECT_TRUE(manager.SaveRows(store, "FlightPoints", list));
    std::string v;
    store.GetString("FlightPoints_COLUMN1", "Entry2", v);
    EXPECT_EQ(v, "25");

    FakeList copy;
    copy.InsertColumn(0, "X", 150);
    copy.InsertColumn(1, "Y", 150);
    copy.InsertRow(0, "stale");
    EXPECT_TRUE(manager.RestoreRows(store, "FlightPoints", copy));
    EXPECT_EQ(copy.rows, list.rows);

    // Saving a shorter list leaves no rows of the longer one behind.
    list.rows.resize(1);
    manager.SaveRows(store, "FlightPoints", list);
    manager.RestoreRows(store, "FlightPoints", copy);
    EXPECT_EQ(copy.rows, list.rows);
}

TEST(ListControlManager, EmptyFirstColumnLeavesTheListEmpty) {
    FakeList list;
    list.InsertColumn(0, "X", 150);
    list.InsertColumn(1, "Y", 150);
    list.InsertRow(0, "old");
    CSettingsStore store;
    store.Section("P_COLUMN0");
    store.SetString("P_COLUMN1", "Entry0", "orphan");
    CListControlManager manager;
    EXPECT_TRUE(manager.RestoreRows(store, "P", list));
    EXPECT_EQ(list.GetRowCount(), 0);

    // Cells of a later column beyond the rows or columns of the list are ignored.
    store.FromText("[Q_COLUMN0]\nEntry0=a\n[Q_COLUMN1]\nEntry0=b\nEntry1=c\n[Q_COLUMN2]\nEntry0=d\n");
    EXPECT_TRUE(manager.RestoreRows(store, "Q", list));
    ASSERT_EQ(list.GetRowCount(), 1);
    EXPECT_EQ(list.GetCellText(0, 1), "b");
}

TEST(ComboBoxControlManager, FillsSortsAndSelects) {
    CSettingsStore store;
    store.FromText(
        "[LANGUAGE_FILES_COMBOBOX]\nEntries=4\nEntry0=English\nEntry1=Deutsch\nEntry3=Français\n"
        "EntrySelected=0\n");
    FakeCombo combo(true);
    CComboBoxControlManager manager;
    EXPECT_TRUE(manager.InitializeList(store, "LANGUAGE_FILES_COMBOBOX", combo));
    ASSERT_EQ(combo.items, (std::vector<std::string>{"Deutsch", "English", "Français"}));
    // Index 0 after sorting.
    EXPECT_EQ(CComboBoxControlManager::GetText(combo), "Deutsch");

    store.SetInt("LANGUAGE_FILES_COMBOBOX", "EntrySelected", 9);
    EXPECT_TRUE(manager.InitializeList(store, "LANGUAGE_FILES_COMBOBOX", combo));
    EXPECT_EQ(combo.selection, -1);
    EXPECT_EQ(CComboBoxControlManager::GetText(combo), "");
}

TEST(ComboBoxControlManager, RefusesWithoutEntriesAndSurvivesHostileCounts) {
    CMessagePipelines pipelines;
    pipelines.Create("DEBUG");
    auto* debug = new test::RecordingListener;
    pipelines.AddListener("DEBUG", debug, true);
    CComboBoxControlManager manager;
    manager.SetPipelines(&pipelines);
    FakeCombo combo;
    combo.items = {"keep"};
    CSettingsStore store;
    store.SetString("C", "Entry0", "x");
    EXPECT_FALSE(manager.InitializeList(store, "C", combo));
    EXPECT_EQ(combo.items, std::vector<std::string>{"keep"});
    ASSERT_EQ(debug->texts.size(), 1u);
    EXPECT_EQ(debug->texts[0], "CComboBoxControlManager::InitializeList: Entries not found!");

    store.SetInt("C", "Entries", 2147483647);
    store.SetString("C", "Entry5", "y");
    EXPECT_TRUE(manager.InitializeList(store, "C", combo));
    EXPECT_EQ(combo.items, (std::vector<std::string>{"x", "y"}));
}

TEST(ComboBoxControlManager, PrefixSearch) {
    FakeCombo combo;
    combo.items = {"Normal", "Highest", "High"};
    EXPECT_EQ(CComboBoxControlManager::FindPrefix(combo, "High"), 1);
    EXPECT_EQ(CComboBoxControlManager::FindPrefix(combo, "high"), -1);
    EXPECT_EQ(CComboBoxControlManager::FindPrefix(combo, ""), 0);
    EXPECT_EQ(CComboBoxControlManager::FindPrefix(combo, "Idle"), -1);
}

}  // namespace
}  // namespace trov
