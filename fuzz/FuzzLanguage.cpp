// Fuzz harness: a language file loaded by the main window's language manager and applied to every
// registered control, the menu bar and the picture list's columns.
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ui/LanguageTable.h"
#include "ui/MenuTree.h"
#include "ui/UiFakes.h"
#include "ui/WndLanguageManager.h"

using namespace trov;

namespace {

// Every window of the table registered once: the translators are what a language file reaches.
struct RegisteredUi {
    RegisteredUi() {
        for (const CLanguageSection& s : LanguageSections()) {
            for (const CLanguageKey& k : s.keys) {
                if (k.mode == 0) continue;
                windows.push_back(std::make_unique<test::FakeWindow>("unset"));
                manager.AddControl(windows.back().get(), k.text, s.section, k.key, s.category, k.mode);
            }
        }
        for (const CMainMenuItem& m : MainMenuItems()) {
            test::FakeMenu::Item item{"unset", {}, !m.items.empty()};
            for (size_t i = 0; i < m.items.size(); ++i) item.items.push_back({"unset", {}, false});
            menu.bar.push_back(item);
        }
        for (int i = 0; i < int(PictureListColumns().size()); ++i) list.InsertColumn(i, "unset", 10);
        manager.AddMenu(&menu, kMainMenuSection, kMainCategory);
        manager.AddListCtrl(&list, kPictureListSection, kMainCategory);
    }
    CWndLanguageManager manager;
    std::vector<std::unique_ptr<test::FakeWindow>> windows;
    test::FakeMenu menu;
    test::FakeList list;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    static RegisteredUi* ui = new RegisteredUi;
    fuzz::MemoryFile input(data, size);
    if (!ui->manager.LoadLanguageFile(input.Path())) return 0;
    (void)CWndLanguageManager::VersionDiffers(ui->manager.GetLanguageStore());
    // Every category once: sections share them, and applying one twice reaches nothing new.
    static const std::set<std::string> categories = [] {
        std::set<std::string> all{kMainCategory};
        for (const CLanguageSection& s : LanguageSections()) all.insert(s.category);
        return all;
    }();
    for (const std::string& category : categories) ui->manager.UpdateCategory(category);
    std::vector<CMenuTreeItem> tree = ReadMenuTree(ui->manager.GetLanguageStore(), kMainMenuSection);
    test::FakeMenu copy = ui->menu;
    ApplyMenuTree(copy, tree);
    CWndLanguageManager dialog;
    dialog.CopySectionFrom(ui->manager, "OPTIONS_DLG");
    return 0;
}
