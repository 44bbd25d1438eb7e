#include <gtest/gtest.h>

#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/manual_clock.h"
#include "companion/summon_effects.h"

namespace pimble {
namespace {

const GlimmetSprites& sprites() {
  static const GlimmetSprites s = GlimmetArtwork::makeSprites(1);
  return s;
}

int named(const LayerPtr& parent, const char* name) {
  int n = 0;
  for (const auto& l : parent->sublayers()) n += l->name() == name ? 1 : 0;
  return n;
}

struct Fixture {
  ManualClock clock;
  GlimmetRig rig;
  Fixture() {
    rig.installSprites(sprites(), 1);
    rig.apply(GlimmetState::idle);
    clock.advance(1);
  }
};

TEST(IdleBehaviors, LengthsAndRefusals) {
  Fixture f;
  const std::pair<IdleBehavior, double> lengths[] = {
      {IdleBehavior::yawn, 2.3},     {IdleBehavior::miniStretch, 2.1}, {IdleBehavior::hum, 3.4},
      {IdleBehavior::wink, 1.2},     {IdleBehavior::peek, 2.2},        {IdleBehavior::nod, 2.8},
      {IdleBehavior::twirl, 2.0},    {IdleBehavior::sneeze, 2.2},      {IdleBehavior::hiccups, 2.6},
      {IdleBehavior::peekaboo, 2.7}, {IdleBehavior::whirlwind, 2.4}};
  for (auto [b, length] : lengths) {
    EXPECT_DOUBLE_EQ(f.rig.perform(b), length) << enumName(b);
    EXPECT_EQ(f.rig.performing(), b);
    f.clock.advance(length + 0.01);
    EXPECT_FALSE(f.rig.performing().has_value()) << enumName(b);
    EXPECT_EQ(named(f.rig.fxLayer, "behaviorfx"), 0);
    EXPECT_TRUE(f.rig.tornadoLayers.empty());
  }
  // The whirlwind's gusts blew the cape: no behaviour until it settles.
  EXPECT_TRUE(f.rig.cape.isSimulating());
  EXPECT_EQ(f.rig.perform(IdleBehavior::hum), 0);
  f.clock.advance(6);
  EXPECT_FALSE(f.rig.cape.isSimulating());
  f.rig.perform(IdleBehavior::hum);
  f.rig.flying = true;
  EXPECT_EQ(f.rig.perform(IdleBehavior::wink), 0);
  EXPECT_EQ(f.rig.performing(), IdleBehavior::hum);  // the running one is untouched
  f.rig.flying = false;
  f.rig.cape.gust(3, 0);
  EXPECT_EQ(f.rig.perform(IdleBehavior::wink), 0);
  f.rig.cape.endSimulation(true);
  f.rig.setActive(false);
  EXPECT_EQ(f.rig.perform(IdleBehavior::wink), 0);
  f.rig.setActive(true);
  f.rig.setIntensity(AnimationIntensity::reduced);
  EXPECT_EQ(f.rig.perform(IdleBehavior::whirlwind), 0);
  EXPECT_FALSE(f.rig.performing().has_value());
  f.rig.setIntensity(AnimationIntensity::off);
  EXPECT_EQ(f.rig.perform(IdleBehavior::wink), 0);
  f.rig.setIntensity(AnimationIntensity::normal);
  f.rig.apply(GlimmetState::water);
  EXPECT_EQ(f.rig.perform(IdleBehavior::wink), 0);
}

TEST(IdleBehaviors, ACancelledBehaviourNeverRunsALaterStep) {
  Fixture f;
  f.rig.perform(IdleBehavior::nod);
  f.clock.advance(1.0);
  const GlimmetPose dozing = f.rig.pose();
  EXPECT_EQ(dozing.eyes, EyeStyle::sleepy);
  f.rig.cancelBehavior(false);
  EXPECT_EQ(f.rig.pose(), dozing);  // not restored
  for (int i = 0; i < 40; ++i) {
    f.clock.advance(0.1);
    EXPECT_EQ(f.rig.hopLayer->animationForKey("behavior"), nullptr);  // no jolt
    EXPECT_EQ(f.rig.pose(), dozing);
  }

  // A new behaviour cancels the running one and restores the state's pose first.
  f.rig.perform(IdleBehavior::hiccups);
  f.clock.advance(0.3);
  EXPECT_NE(f.rig.hopLayer->animationForKey("behavior"), nullptr);
  f.rig.perform(IdleBehavior::wink);
  EXPECT_EQ(f.rig.hopLayer->animationForKey("behavior"), nullptr);
  EXPECT_EQ(f.rig.pose(), GlimmetPose::forState(GlimmetState::idle));
  f.clock.advance(3);
  EXPECT_EQ(f.rig.hopLayer->animationForKey("behavior"), nullptr);  // no later hiccup

  // A state change drops the behaviour's motions and glyphs at once.
  f.rig.perform(IdleBehavior::hum);
  f.clock.advance(1.0);
  EXPECT_GT(named(f.rig.fxLayer, "behaviorfx"), 0);
  f.rig.apply(GlimmetState::reminder);
  EXPECT_EQ(named(f.rig.fxLayer, "behaviorfx"), 0);
  EXPECT_EQ(f.rig.poseLayer->animationForKey("behavior"), nullptr);
  EXPECT_FALSE(f.rig.performing().has_value());
}

TEST(IdleBehaviors, ReducedIntensityHalvesAmplitudesNotTimes) {
  Fixture f;
  f.rig.setIntensity(AnimationIntensity::reduced);
  EXPECT_DOUBLE_EQ(f.rig.perform(IdleBehavior::nod), 2.8);
  f.clock.advance(1.75);
  auto jolt =
      std::dynamic_pointer_cast<KeyframeAnimation>(f.rig.hopLayer->animationForKey("behavior"));
  ASSERT_TRUE(jolt);
  EXPECT_EQ(jolt->values[1], LayerValue(4.0));
  EXPECT_DOUBLE_EQ(jolt->duration, 0.35);
}

TEST(IdleBehaviors, GesturesFollowTheEyes) {
  Fixture f;
  f.rig.blink();
  EXPECT_NE(f.rig.eyeL->animationForKey("blink"), nullptr);
  f.clock.advance(0.2);
  f.rig.apply(GlimmetState::happy);  // happy eyes are closed arcs already
  f.rig.blink();
  f.rig.lookAround();
  EXPECT_EQ(f.rig.eyeL->animationForKey("blink"), nullptr);
  EXPECT_EQ(f.rig.faceLayer->animationForKey("look"), nullptr);
  f.rig.wave();  // only when idle
  EXPECT_EQ(f.rig.handR->animationForKey("wave"), nullptr);
  f.rig.apply(GlimmetState::idle);
  f.rig.wave();
  EXPECT_NE(f.rig.handR->animationForKey("wave"), nullptr);
  EXPECT_NE(f.rig.armR->animationForKey("wave"), nullptr);  // the hidden arm shows
  EXPECT_NE(f.rig.armR->fill->animationForKey("wave"), nullptr);

  f.rig.sleepyEyes(true);
  EXPECT_EQ(f.rig.pose().eyes, EyeStyle::sleepy);
  f.rig.setPose(GlimmetPose::forState(GlimmetState::eyeRest), 0);
  f.rig.sleepyEyes(false);
  EXPECT_EQ(f.rig.pose().eyes, EyeStyle::open);
}

TEST(SummonEffectsTest, DurationsByStyleAndIntensity) {
  Fixture f;
  EXPECT_DOUBLE_EQ(f.rig.summon(GlimmetRig::SummonStyle::summoned), 3.2);
  ASSERT_EQ(f.rig.tornadoLayers.size(), 2u);
  EXPECT_EQ(f.rig.root->sublayers()[1], f.rig.tornadoLayers[0]);  // behind the figure
  EXPECT_EQ(named(f.rig.tornadoLayers[1], ""), 8 + 8);            // near ring halves and dots
  EXPECT_EQ(f.rig.summon(GlimmetRig::SummonStyle::shown), 0);     // one at a time
  f.clock.advance(1.7);
  EXPECT_TRUE(f.rig.tornadoLayers.empty());
  EXPECT_EQ(named(f.rig.root, "tornado"), 0);
  f.clock.advance(1.6);
  EXPECT_FALSE(f.rig.performing().has_value());
  f.clock.advance(6);  // the cape settles

  EXPECT_DOUBLE_EQ(f.rig.perform(IdleBehavior::whirlwind), 2.4);
  EXPECT_EQ(named(f.rig.tornadoLayers[1], ""), 6 + 5);  // the small one
  f.clock.advance(8);

  f.rig.setIntensity(AnimationIntensity::reduced);
  EXPECT_DOUBLE_EQ(f.rig.summon(GlimmetRig::SummonStyle::shown), 2.0);
  auto fade = f.rig.hopLayer->animationForKey("behavior2");
  ASSERT_TRUE(fade);
  EXPECT_DOUBLE_EQ(fade->duration, 0.6);
  EXPECT_TRUE(f.rig.tornadoLayers.empty());
  f.clock.advance(0.5);
  EXPECT_EQ(f.rig.pose().handR, QPointF(40, -66));  // waving hello
  f.clock.advance(1.6);
  EXPECT_DOUBLE_EQ(f.rig.summon(GlimmetRig::SummonStyle::summoned), 1.6);
  f.clock.advance(2);
  f.rig.setIntensity(AnimationIntensity::off);
  EXPECT_EQ(f.rig.summon(GlimmetRig::SummonStyle::shown), 0);
}

TEST(SummonEffectsTest, ArrivalCurve) {
  using Style = GlimmetRig::SummonStyle;
  EXPECT_DOUBLE_EQ(SummonEffects::summonFrame(0.3, Style::shown).alpha, 0);
  EXPECT_DOUBLE_EQ(SummonEffects::summonFrame(0.8, Style::shown).alpha, 1);
  EXPECT_NEAR(SummonEffects::summonFrame(1.2, Style::shown).scale, 1.04, 1e-12);
  EXPECT_NEAR(SummonEffects::summonFrame(1.5, Style::shown).scale, 1.0, 1e-12);
  EXPECT_NEAR(SummonEffects::summonFrame(1.35, Style::shown).angle, 6 * M_PI, 1e-9);
  // Summoned: shrinks and fades out first, then comes back.
  EXPECT_NEAR(SummonEffects::summonFrame(0.49, Style::summoned).scale, 1 - 0.78 * 0.98 * 0.98,
              1e-9);
  EXPECT_LT(SummonEffects::summonFrame(0.47, Style::summoned).alpha, 0.1);
  EXPECT_DOUBLE_EQ(SummonEffects::summonFrame(0.1, Style::summoned).alpha, 1);
  EXPECT_NEAR(SummonEffects::summonFrame(1.25, Style::surprise).angle, 4 * M_PI, 1e-9);
  for (double t = 0; t <= 1.5; t += 0.001) {
    const auto m = SummonEffects::spinTransform(SummonEffects::summonFrame(t, Style::shown));
    EXPECT_GE(std::abs(m.sx), 0.04 * m.sy - 1e-12);
  }
}

TEST(SummonEffectsTest, TumbleOnlyWithSurprises) {
  Fixture f;
  f.rig.surprisesEnabled = false;
  f.rig.tumble();
  EXPECT_FALSE(f.rig.performing().has_value());
  f.rig.surprisesEnabled = true;
  f.rig.tumble();
  EXPECT_EQ(f.rig.performing(), IdleBehavior::twirl);
  EXPECT_EQ(named(f.rig.fxLayer, "behaviorfx"), 3);
  f.clock.advance(2.01);
  EXPECT_FALSE(f.rig.performing().has_value());
  EXPECT_EQ(named(f.rig.fxLayer, "behaviorfx"), 0);
}

}  // namespace
}  // namespace pimble
