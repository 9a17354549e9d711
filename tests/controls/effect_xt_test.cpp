#include "controls/effect_xt.h"

#include <gtest/gtest.h>

#include <vector>

#include "controls/image_inset.h"

namespace {

TEST(EffectXTTest, StartsPlainAndRaisesOnChangeOncePerChangedValue) {
    ZEffectXT effect;
    EXPECT_EQ(effect.GetEffectType(), coetNone);
    EXPECT_EQ(effect.GetGradationColor1(), 0);
    EXPECT_EQ(effect.GetGradationColor2(), 0);
    EXPECT_EQ(effect.GetAngle(), 0);
    effect.SetAngle(10);  // no handler: only stores
    EXPECT_EQ(effect.GetAngle(), 10);

    std::vector<ZEffectXT*> senders;
    effect.SetOnChange([&](ZEffectXT* sender) { senders.push_back(sender); });
    effect.SetAngle(10);
    effect.SetEffectType(coetNone);
    effect.SetGradationColor1(0);
    EXPECT_TRUE(senders.empty());
    effect.SetEffectType(coetGradationDown);
    effect.SetGradationColor1(6842472);
    effect.SetGradationColor2(15461355);
    effect.SetAngle(11);
    ASSERT_EQ(senders.size(), 4u);
    EXPECT_EQ(senders[0], &effect);
}

TEST(EffectXTTest, AssignGoesThroughTheSetters) {
    ZEffectXT source;
    source.SetEffectType(coetGradationFreeAngle);
    source.SetGradationColor1(1);
    source.SetGradationColor2(2);
    ZEffectXT target;
    target.Assign(&source);
    int changes = 0;
    target.SetOnChange([&](ZEffectXT*) { ++changes; });
    source.SetAngle(45);
    target.Assign(&source);  // differs only in the angle
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(target.GetAngle(), 45);
    EXPECT_EQ(target.GetEffectType(), coetGradationFreeAngle);
    EXPECT_EQ(target.GetGradationColor2(), 2);
    target.Assign(nullptr);
    target.Assign(&target);
    EXPECT_EQ(changes, 1);
}

TEST(EffectXTTest, EffectTypesGiveGradientAngles) {
    struct Case {
        ZGCEffect type;
        bool gradient;
        int angle;
    };
    const std::vector<Case> cases = {
        {coetNone, false, 0},           {coetGradationUp, true, 90},
        {coetGradationDown, true, 270}, {coetGradationRight, true, 180},
        {coetGradationLeft, true, 0},   {coetGradationFreeAngle, true, 45},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        ZEffectXT effect;
        effect.SetAngle(45);
        effect.SetEffectType(c.type);
        int angle = -1;
        EXPECT_EQ(effect.GradientAngle(&angle), c.gradient);
        if (c.gradient) {
            EXPECT_EQ(angle, c.angle);
        }
    }
}

TEST(ImageInsetTest, RaisesOnChangeOncePerChangedValueAndAssignsInOrder) {
    ZImageInset inset;
    EXPECT_EQ(inset.GetIiLeft() + inset.GetIiTop() + inset.GetIiRight() + inset.GetIiBottom(), 0);
    inset.SetIiLeft(3);  // no handler
    std::vector<int> seen;
    inset.SetOnChange([&](ZImageInset* sender) {
        seen.push_back(sender->GetIiLeft() * 1000 + sender->GetIiTop() * 100 +
                       sender->GetIiRight() * 10 + sender->GetIiBottom());
    });
    inset.SetIiLeft(3);
    EXPECT_TRUE(seen.empty());
    ZImageInset source;
    source.SetIiLeft(4);
    source.SetIiTop(0);
    source.SetIiRight(2);
    source.SetIiBottom(1);
    inset.Assign(&source);
    EXPECT_EQ(seen, (std::vector<int>{4000, 4020, 4021}));
    inset.Assign(nullptr);
    EXPECT_EQ(seen.size(), 3u);
}

}  // namespace
