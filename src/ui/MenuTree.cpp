#include "ui/MenuTree.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace trov {

namespace {
constexpr int kMaxMenuDepth = 16;

void ReadLevel(const CSettingsStore& store, const std::string& section, int depth,
               std::vector<CMenuTreeItem>& items) {
    int count = 0;
    if (depth > kMaxMenuDepth || !store.GetInt(section, "ItemCount", count)) return;
    // Positions without "ItemName" are skipped: only those present are visited.
    for (int i : IndexedKeys(*store.GetSection(section), "ItemName")) {
        if (i >= count) break;
        const std::string n = std::to_string(i);
        CMenuTreeItem item;
        if (!store.GetString(section, "ItemName" + n, item.text)) continue;
        store.GetInt(section, "State" + n, item.state);
        store.GetInt(section, "Type" + n, item.type);
        int sub = 0;
        store.GetInt(section, "SubMenu" + n, sub);
        if (sub == 1) {
            item.hasSubMenu = true;
            ReadLevel(store, section + "\\" + n, depth + 1, item.items);
        }
        items.push_back(std::move(item));
    }
}
}  // namespace

std::vector<int> IndexedKeys(const CSettingsSection& section, std::string_view prefix) {
    std::vector<int> indexes;
    for (const auto& [key, value] : section.GetEntries()) {
        if (key.size() <= prefix.size() || !key.starts_with(prefix)) continue;
        const std::string_view digits = std::string_view(key).substr(prefix.size());
        // As std::to_string writes an int: no sign, no leading zero, at most INT_MAX.
        if (digits.size() > 10 || digits.find_first_not_of("0123456789") != std::string_view::npos ||
            (digits.size() > 1 && digits[0] == '0'))
            continue;
        int64_t v = 0;
        for (char c : digits) v = v * 10 + (c - '0');
        if (v <= std::numeric_limits<int>::max()) indexes.push_back(static_cast<int>(v));
    }
    std::sort(indexes.begin(), indexes.end());
    return indexes;
}

std::vector<CMenuTreeItem> ReadMenuTree(const CSettingsStore& store, const std::string& section) {
    std::vector<CMenuTreeItem> items;
    ReadLevel(store, section, 0, items);
    return items;
}

void WriteMenuTree(CSettingsStore& store, const std::string& section,
                   const std::vector<CMenuTreeItem>& items) {
    store.SetInt(section, "ItemCount", static_cast<int>(items.size()));
    for (size_t i = 0; i < items.size(); ++i) {
        const std::string n = std::to_string(i);
        const CMenuTreeItem& item = items[i];
        store.SetString(section, "ItemName" + n, item.text);
        store.SetInt(section, "SubMenu" + n, item.hasSubMenu ? 1 : 0);
        store.SetInt(section, "State" + n, item.state);
        store.SetInt(section, "Type" + n, item.type);
        if (item.hasSubMenu) WriteMenuTree(store, section + "\\" + n, item.items);
    }
}

void ApplyMenuTree(CMenuControl& menu, const std::vector<CMenuTreeItem>& tree, std::vector<int> path) {
    const int count = menu.GetItemCount(path);
    path.push_back(0);
    for (int i = 0; i < count && i < static_cast<int>(tree.size()); ++i) {
        path.back() = i;
        const CMenuTreeItem& item = tree[i];
        if (!item.text.empty()) menu.SetItemText(path, item.text);
        if (item.hasSubMenu && menu.HasSubMenu(path)) ApplyMenuTree(menu, item.items, path);
    }
}

}  // namespace trov
