// The complete built-in catalogue in the registry: 127 effects, unique names, the fixed order,
// and the versions and caption flags of the multi-pass effects.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"

namespace trov {
namespace {

const std::vector<std::string>& CatalogueOrder() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const test::CatalogueEntry& row : test::Catalogue()) list.push_back(row.name);
        return list;
    }();
    return names;
}

TEST(MultiPassRegistry, HoldsAll127EffectsInCatalogueOrder) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    ASSERT_EQ(CatalogueOrder().size(), 127u);
    EXPECT_EQ(manager.GetCount(), 127);
    const std::vector<CFadingEffect*> effects = manager.InRegistrationOrder();
    ASSERT_EQ(effects.size(), 127u);
    std::set<std::string> unique;
    for (size_t i = 0; i < effects.size(); ++i) {
        ASSERT_NE(effects[i], nullptr);
        EXPECT_EQ(effects[i]->GetName(), CatalogueOrder()[i]) << "position " << i + 1;
        EXPECT_EQ(effects[i]->GetAuthor(), "Kestrami") << effects[i]->GetName();
        EXPECT_TRUE(effects[i]->IsOwnedByRegistry());
        EXPECT_EQ(manager.Find(effects[i]->GetName()), effects[i]);
        unique.insert(effects[i]->GetName());
    }
    EXPECT_EQ(unique.size(), 127u);
    EXPECT_EQ(manager.GetNames().size(), 127u);
}

TEST(MultiPassRegistry, MultiPassVersionsAndCaptionFlags) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    int multiPass = 0;
    for (const test::CatalogueEntry& row : test::Catalogue()) {
        if (!row.multiPass) continue;
        ++multiPass;
        CFadingEffect* fx = manager.Find(row.name);
        ASSERT_NE(fx, nullptr) << row.name;
        EXPECT_EQ(fx->GetVersion(), row.version) << row.name;
        EXPECT_EQ(fx->IsTextCapable(), row.textCapable) << row.name;
    }
    EXPECT_EQ(multiPass, 23);
}

}  // namespace
}  // namespace trov
