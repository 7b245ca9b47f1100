// The complete built-in catalogue in the registry: 127 effects, unique names, the fixed order,
// and the versions and caption flags of the multi-pass effects.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"

namespace trov {
namespace {

const std::vector<std::string>& CatalogueOrder() {
    static const std::vector<std::string> names = {"Cross Dissolve",
                                                   "Random Dots",
                                                   "Iris (Round)",
                                                   "Left-Right-Wipe",
                                                   "Right-Left-Wipe",
                                                   "Top-Bottom-Wipe",
                                                   "Bottom-Top-Wipe",
                                                   "Random Moving Dots",
                                                   "Horizontal-Open-Wipe",
                                                   "Horizontal-Close-Wipe",
                                                   "Vertical-Open-Wipe",
                                                   "Vertical-Close-Wipe",
                                                   "Color Cross Fade - Black to White",
                                                   "Horizontal-Open-Extra-Wipe",
                                                   "Vertical-Open-Extra-Wipe",
                                                   "Additional Dissolve",
                                                   "Substractional Dissolve",
                                                   "Cross Dissolve (Two Direction)",
                                                   "Left-Right-Stripes",
                                                   "Center-Fan (Left and Right)",
                                                   "Near Far Color Cross Fade",
                                                   "Blur\xC2\xB4N Sharp",
                                                   "Zoom-In",
                                                   "Zoom-Out",
                                                   "Vertical-Open-Barn-Door",
                                                   "Vertical-Close-Barn-Door",
                                                   "Horizontal-Open-Barn-Door",
                                                   "Horizontal-Close-Barn-Door",
                                                   "Cross Slide Open",
                                                   "Cross Slide Close",
                                                   "Top-Bottom-Stretch",
                                                   "Bottom-Top-Stretch",
                                                   "Right-Left-Stretch",
                                                   "Left-Right-Stretch",
                                                   "Diagonal-Stretch-Left-Bottom",
                                                   "Diagonal-Stretch-Right-Bottom",
                                                   "Diagonal-Stretch-Left-Top",
                                                   "Diagonal-Stretch-Right-Top",
                                                   "Diagonal-Stretch-Left-Bottom Reverse",
                                                   "Diagonal-Stretch-Right-Bottom Reverse",
                                                   "Diagonal-Stretch-Left-Top Reverse",
                                                   "Diagonal-Stretch-Right-Top Reverse",
                                                   "Diagonal-Wipe-Left-Bottom",
                                                   "Diagonal-Wipe-Right-Bottom",
                                                   "Diagonal-Wipe-Left-Top",
                                                   "Diagonal-Wipe-Right-Top",
                                                   "Left-Right-Move",
                                                   "Right-Left-Move",
                                                   "Top-Bottom-Move",
                                                   "Bottom-Top-Move",
                                                   "Left-Right-Side-Push",
                                                   "Right-Left-Side-Push",
                                                   "Top-Bottom-Side-Push",
                                                   "Bottom-Top-Side-Push",
                                                   "Box-Wipe",
                                                   "Box-Wipe-Reverse",
                                                   "Right-Left-Stripes",
                                                   "Top-Bottom-Stripes",
                                                   "Bottom-Top-Stripes",
                                                   "Horizontal-Random-Stripes",
                                                   "Vertical-Random-Stripes",
                                                   "Vertical-Flip-Stretch",
                                                   "Horizontal-Flip-Stretch",
                                                   "Flow-Wipe-Effect",
                                                   "Horizontal-Open-Bar",
                                                   "Horizontal-Close-Bar",
                                                   "Vertical-Open-Bar",
                                                   "Vertical-Close-Bar",
                                                   "Lens-Zoom-In",
                                                   "Lens-Zoom-Out",
                                                   "Vertical-Blur-Fade",
                                                   "Horizontal-Blur-Fade",
                                                   "TopLeft-BottomRight-Blur-Fade",
                                                   "TopRight-BottomLeft-Blur-Fade",
                                                   "Blur-Fade",
                                                   "Underwater Fade Out",
                                                   "Underwater Fade In",
                                                   "Underwater Cross Dissolve",
                                                   "SandClock-Effekt (Left-Right)",
                                                   "SandClock-Effekt (Right-Left)",
                                                   "SandClock-Effekt (Top-Bottom)",
                                                   "SandClock-Effekt (Bottom-Top)",
                                                   "SandClock-Effekt-Blocked (Left-Right)",
                                                   "SandClock-Effekt-Blocked (Right-Left)",
                                                   "SandClock-Effekt-Blocked (Top-Bottom)",
                                                   "SandClock-Effekt-Blocked (Bottom-Top)",
                                                   "Stretch-Cross-Dissolve (Left-Right)",
                                                   "Stretch-Cross-Dissolve (Right-Left)",
                                                   "Stretch-Cross-Dissolve (Top-Bottom)",
                                                   "Stretch-Cross-Dissolve (Bottom-Top)",
                                                   "Horizontal Floating Cross Dissolve",
                                                   "Vertical Floating Cross Dissolve",
                                                   "Couvert (Horizontal)",
                                                   "Couvert (Vertical)",
                                                   "Couvert (Cross-In)",
                                                   "Couvert (Cross-Out)",
                                                   "Splitted Circle (In-In)",
                                                   "Splitted Circle (In-Out)",
                                                   "Flexible Move (Top-Bottom)",
                                                   "Flexible Move (Bottom-Top)",
                                                   "Flexible Move (Left-Right)",
                                                   "Flexible Move (Right-Left)",
                                                   "Jumper Effect (Left - Right)",
                                                   "Jumper Effect (Right - Left)",
                                                   "Random Circle Cross Dissolve",
                                                   "Curved Zoom-Out (Top-Right)",
                                                   "Curved Zoom-In (Top-Right)",
                                                   "Curved Zoom-Out (Top-Left)",
                                                   "Curved Zoom-In (Top-Left)",
                                                   "Curved Zoom-Out (Bottom-Right)",
                                                   "Curved Zoom-In (Bottom-Right)",
                                                   "Curved Zoom-Out (Bottom-Left)",
                                                   "Curved Zoom-In (Bottom-Left)",
                                                   "Raindrops (with One-Third-Crossfade)",
                                                   "Raindrops (with Full-Crossfade)",
                                                   "Raindrops (Big) (with One-Third-Crossfade)",
                                                   "Raindrops (Big) (with Full-Crossfade)",
                                                   "Vibration",
                                                   "Page-Roll (Left - Right)",
                                                   "Page-Roll (Right - Left)",
                                                   "Page-Roll (Bottom - Top)",
                                                   "Page-Roll (Top - Bottom)",
                                                   "Page-Flip (Left - Right)",
                                                   "Page-Flip (Right - Left)",
                                                   "Page-Flip (Bottom - Top)",
                                                   "Page-Flip (Top - Bottom)",
                                                   "RGB Move"};
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
    struct Row {
        const char* name;
        const char* version;
        bool textCapable;
    };
    const Row rows[] = {
        {"Random Dots", "2.0", true},
        {"Random Moving Dots", "2.0", true},
        {"Vertical-Blur-Fade", "1.2", true},
        {"Blur-Fade", "1.2", true},
        {"Underwater Fade Out", "1.0", false},
        {"Underwater Fade In", "1.0", true},
        {"Underwater Cross Dissolve", "1.0", false},
        {"Random Circle Cross Dissolve", "1.0", true},
        {"Raindrops (Big) (with Full-Crossfade)", "1.0", false},
        {"Page-Roll (Top - Bottom)", "1.0", false},
        {"Page-Flip (Left - Right)", "1.0", false},
    };
    for (const Row& row : rows) {
        CFadingEffect* fx = manager.Find(row.name);
        ASSERT_NE(fx, nullptr) << row.name;
        EXPECT_EQ(fx->GetVersion(), row.version) << row.name;
        EXPECT_EQ(fx->IsTextCapable(), row.textCapable) << row.name;
    }
}

}  // namespace
}  // namespace trov
