// A menu as read from a language file section, and its texts copied onto a menu by position.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/SettingsStore.h"
#include "ui/UiControls.h"

namespace trov {

struct CMenuTreeItem {
    std::string text;  // may hold "\t" + the shortcut text
    int state = 0;     // the "State" flags as stored
    int type = 0;      // the "Type" flags as stored
    bool hasSubMenu = false;
    std::vector<CMenuTreeItem> items;  // the submenu when hasSubMenu
};

// The numbers i, in increasing order, for which section has the key prefix + i written as i is
// ("Entry0", "ItemName12"; not "ItemName012"). A loop over a count read from a file visits these
// instead of every i below the count: a damaged file may give a count of two billion.
std::vector<int> IndexedKeys(const CSettingsSection& section, std::string_view prefix);

// Reads the menu of section (format: "ItemCount", "ItemName<i>", "SubMenu<i>", "State<i>",
// "Type<i>"; the submenu of position i in section + "\" + i). Positions without "ItemName" are
// skipped, so later items move up. Recursion stops at a depth of 16 (a file whose submenu sections
// point into themselves cannot loop). An empty result when the section or "ItemCount" is missing.
std::vector<CMenuTreeItem> ReadMenuTree(const CSettingsStore& store, const std::string& section);

// Writes a menu tree into store under section in the same format (the inverse of ReadMenuTree).
void WriteMenuTree(CSettingsStore& store, const std::string& section,
                   const std::vector<CMenuTreeItem>& items);

// Copies the texts of tree onto menu by position, starting at path: a non-empty text replaces the
// item's text; where both sides have a submenu the copy descends. Positions beyond either side
// are left alone.
void ApplyMenuTree(CMenuControl& menu, const std::vector<CMenuTreeItem>& tree, std::vector<int> path = {});

}  // namespace trov
