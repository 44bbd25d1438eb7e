#include <gtest/gtest.h>

#include <cmath>

#include "companion/contact_sheet.h"
#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"

namespace pimble {
namespace {

TEST(GlimmetPose, TableRowsAreTheirOwnAndHandsMirror) {
  EXPECT_EQ(GlimmetPose::forState(GlimmetState::idle), GlimmetPose::initial());
  const GlimmetPose stretch = GlimmetPose::forState(GlimmetState::stretch);
  EXPECT_EQ(stretch.handR, QPointF(44, -124));
  EXPECT_EQ(stretch.handStyle, HandStyle::open);
  EXPECT_EQ(stretch.armBulge, 44);
  EXPECT_EQ(stretch.scaleY, 1.07);
  const GlimmetPose sleeping = GlimmetPose::forState(GlimmetState::sleeping);
  EXPECT_EQ(sleeping.tilt, -0.15);
  EXPECT_EQ(sleeping.drop, 8);
  EXPECT_EQ(sleeping.scaleY, 0.97);
  const GlimmetPose checkIn = GlimmetPose::forState(GlimmetState::checkIn);
  EXPECT_EQ(checkIn.prop, GlimmetProp::clock);
  EXPECT_EQ(checkIn.mouth, MouthStyle::oval);
  EXPECT_EQ(checkIn.tilt, 0.06);
  const GlimmetPose petted = GlimmetPose::forState(GlimmetState::petted);
  EXPECT_EQ(petted.cheekScale, 1.32);
  EXPECT_EQ(petted.scaleX, 1.02);
  EXPECT_EQ(GlimmetPose::forState(GlimmetState::rest).prop, GlimmetProp::cup);
  EXPECT_EQ(GlimmetPose::forState(GlimmetState::water).prop, GlimmetProp::bottle);
  EXPECT_EQ(GlimmetPose::forState(GlimmetState::wakeUp).eyes, EyeStyle::sleepy);
  for (GlimmetState s : allCases<GlimmetState>()) {
    const GlimmetPose p = GlimmetPose::forState(s);
    EXPECT_EQ(p.handL, QPointF(-p.handR.x(), p.handR.y())) << rawValue(s);
    EXPECT_FALSE(p.raisedArm.has_value());
  }
  // Only the states with the same look share a row.
  EXPECT_EQ(GlimmetPose::forState(GlimmetState::walk), GlimmetPose::forState(GlimmetState::idle));
  EXPECT_NE(GlimmetPose::forState(GlimmetState::posture),
            GlimmetPose::forState(GlimmetState::idle));
}

TEST(GlimmetRig, ArmsShowForFarHandsShowArmsOrARaisedSide) {
  const auto both = [](GlimmetState s) {
    const GlimmetPose p = GlimmetPose::forState(s);
    return std::pair(GlimmetRig::armVisible(p, HandSide::left),
                     GlimmetRig::armVisible(p, HandSide::right));
  };
  EXPECT_EQ(both(GlimmetState::wakeUp), std::pair(true, true));
  EXPECT_EQ(both(GlimmetState::checkIn), std::pair(true, true));
  EXPECT_EQ(both(GlimmetState::stretch), std::pair(true, true));
  EXPECT_EQ(both(GlimmetState::celebration), std::pair(true, true));
  EXPECT_EQ(both(GlimmetState::rest), std::pair(false, false));  // exactly 20 away
  EXPECT_EQ(both(GlimmetState::water), std::pair(false, false));
  GlimmetPose raised;
  raised.raisedArm = HandSide::right;
  EXPECT_FALSE(GlimmetRig::armVisible(raised, HandSide::left));
  EXPECT_TRUE(GlimmetRig::armVisible(raised, HandSide::right));
}

TEST(GlimmetRig, TreeIsOrderedBackToFront) {
  GlimmetRig rig;
  std::vector<std::string> names;
  for (const auto& l : rig.poseLayer->sublayers()) names.push_back(l->name());
  EXPECT_EQ(names, (std::vector<std::string>{"capeBack", "body", "capeFront", "armL", "armR",
                                             "face", "props", "handL", "handR"}));
  ASSERT_EQ(rig.root->sublayers().size(), 3u);
  EXPECT_EQ(rig.root->sublayers()[0], rig.shadowLayer);
  EXPECT_EQ(rig.root->sublayers()[2], rig.fxLayer);
  EXPECT_EQ(rig.eyeL->position(), QPointF(83, 182));
  EXPECT_EQ(rig.mouthLayer->position(), QPointF(110, 169));
  EXPECT_TRUE(rig.eyeL->actionsDisabled("contents"));
  EXPECT_TRUE(rig.flightLayer->actionsDisabled("transform"));
  EXPECT_EQ(rig.alertLayer->opacity(), 0);
}

TEST(GlimmetRig, SetPoseMovesHandsArmsPropsAndTheFigure) {
  GlimmetRig rig;
  rig.apply(GlimmetState::checkIn);
  EXPECT_EQ(rig.handL->position(), QPointF(101 - 27, 310 - (168 + 24)));
  EXPECT_EQ(rig.handR->position(), QPointF(119 + 27, 310 - (168 + 24)));
  EXPECT_EQ(rig.clockLayer->opacity(), 1);
  EXPECT_EQ(rig.cupLayer->opacity(), 0);
  EXPECT_EQ(rig.armL->opacity(), 1);
  const QPainterPath arm = rig.armL->fill->path();
  EXPECT_EQ(arm.elementAt(0), QPointF(38, 160));
  EXPECT_EQ(arm.currentPosition(), rig.handL->position());
  // The arm bows outward: its middle lies left of the straight line.
  EXPECT_LT(arm.pointAtPercent(0.5).x(), (38 + rig.handL->position().x()) / 2 - 5);
  EXPECT_EQ(rig.cheekL->transform(), LayerTransform::scaled(1.05, 1.05));

  rig.apply(GlimmetState::sleeping);
  EXPECT_TRUE(rig.cape.sleeping());
  EXPECT_EQ(rig.poseLayer->transform(), (LayerTransform{0, 0, -0.15, 1, 0.97}));
  EXPECT_EQ(rig.poseLayer->position(), QPointF(110, 26));
  EXPECT_EQ(rig.clockLayer->opacity(), 0);
  EXPECT_EQ(rig.armL->opacity(), 0);
  rig.apply(GlimmetState::idle);
  EXPECT_FALSE(rig.cape.sleeping());
}

TEST(GlimmetRig, SpritesFollowThePose) {
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(1);
  GlimmetRig rig;
  EXPECT_TRUE(rig.eyeL->contents().isNull());
  rig.installSprites(sprites, 1);
  EXPECT_EQ(rig.bodyLayer->contents(), sprites.body);
  EXPECT_EQ(rig.eyeL->contents(), sprites.eyes.at(EyeStyle::open));
  EXPECT_EQ(rig.cape.scarf->contents(), sprites.scarf);
  EXPECT_EQ(rig.handR->contentsScale(), 1);
  rig.apply(GlimmetState::celebration);
  EXPECT_EQ(rig.eyeR->contents(), sprites.eyes.at(EyeStyle::happy));
  EXPECT_EQ(rig.mouthLayer->contents(), sprites.mouths.at(MouthStyle::grin));
  EXPECT_EQ(rig.handL->contents(), sprites.hands.at({HandStyle::open, HandSide::left}));
  EXPECT_EQ(rig.handR->contents(), sprites.hands.at({HandStyle::open, HandSide::right}));
}

TEST(GlimmetRig, RenderedFigureShowsFaceBodyAndNothingOutside) {
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(2);
  auto rig = ContactSheet::offscreenRig();
  rig->installSprites(sprites, 2);
  rig->apply(GlimmetState::idle);
  const QImage image = rig->root->renderModelImage({440, 620}, 2);
  // The left eye's pupil, the head, the scarf, the transparent corners.
  EXPECT_LT(image.pixelColor(2 * 83, 2 * 128).lightnessF(), 0.2);
  EXPECT_GT(image.pixelColor(2 * 110, 2 * 90).lightnessF(), 0.95);
  const QColor scarf = image.pixelColor(2 * 150, 2 * 168);
  EXPECT_GT(scarf.redF(), 0.6);
  EXPECT_LT(scarf.greenF(), 0.3);
  EXPECT_EQ(qAlpha(image.pixel(4, 4)), 0);
  EXPECT_EQ(qAlpha(image.pixel(435, 10)), 0);
  EXPECT_GT(qAlpha(image.pixel(2 * 112, 2 * 296)), 0);  // the ground shadow

  // Sleeping leans the figure to the right and lowers it.
  rig->apply(GlimmetState::sleeping);
  const QImage asleep = rig->root->renderModelImage({440, 620}, 2);
  EXPECT_EQ(qAlpha(asleep.pixel(2 * 40, 2 * 60)), 0);
  EXPECT_GT(qAlpha(asleep.pixel(2 * 195, 2 * 120)), 200);
}

TEST(GlimmetRig, CapeColourRecoloursTheScarfWithTheSharedDrawing) {
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(1);
  GlimmetRig rig;
  rig.installSprites(sprites, 1);
  const QImage red = rig.cape.scarf->contents();
  rig.setCapeColor(CapeColor::red);  // already red: nothing redrawn
  EXPECT_EQ(rig.cape.scarf->contents().cacheKey(), red.cacheKey());
  rig.setCapeColor(CapeColor::blue);
  EXPECT_EQ(rig.cape.scarf->contents(), GlimmetArtwork::scarf(1, palette(CapeColor::blue)));
  EXPECT_EQ(rig.cape.tails->contents(), GlimmetArtwork::scarfTails(1, palette(CapeColor::blue)));
  EXPECT_EQ(rig.cape.cloth->colors().front(), QColor::fromRgbF(0.47f, 0.64f, 1.0f));

  // A rig that is blue before it gets sprites recolours the red ones it is given.
  GlimmetRig early;
  early.setCapeColor(CapeColor::green);
  early.installSprites(sprites, 1);
  EXPECT_EQ(early.cape.scarf->contents(), GlimmetArtwork::scarf(1, palette(CapeColor::green)));
}

}  // namespace
}  // namespace pimble
