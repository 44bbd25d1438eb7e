#include <gtest/gtest.h>

#include <set>

#include "companion/glimmet_animator.h"
#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"
#include "companion/idle_director.h"
#include "companion/layers/manual_clock.h"

namespace pimble {
namespace {

IdleDirector::Context at(double now, double idle = 0) {
  IdleDirector::Context c;
  c.now = now;
  c.idleSeconds = idle;
  return c;
}

TEST(IdleDirectorTest, SpacingGapsAndCandidates) {
  std::mt19937_64 rng(7);
  IdleDirector d;
  EXPECT_EQ(d.pick(at(0), rng), std::nullopt);  // arms its timers
  ASSERT_TRUE(d.nextOccasionalAt && d.nextRareAt);
  EXPECT_GE(*d.nextOccasionalAt, 70);
  EXPECT_LE(*d.nextOccasionalAt, 170);
  EXPECT_GE(*d.nextRareAt, 720);
  const double first = *d.nextOccasionalAt;
  auto b = d.pick(at(first), rng);
  ASSERT_TRUE(b);
  EXPECT_NE(*b, IdleBehavior::nod);  // the user is here: no dozing
  EXPECT_EQ(std::count(rareIdleBehaviors.begin(), rareIdleBehaviors.end(), *b), 0);
  // Nothing within a minute of the last one, however the timers stand.
  d.nextOccasionalAt = 0;
  EXPECT_EQ(d.pick(at(first + 59.9), rng), std::nullopt);
  EXPECT_TRUE(d.pick(at(first + 60), rng).has_value());

  // Away 90 s or more: only nod and yawn, never the same twice.
  IdleDirector away;
  away.nextRareAt = 1e9;
  std::optional<IdleBehavior> previous;
  for (int i = 0; i < 10; ++i) {
    away.nextOccasionalAt = 0;
    away.lastAt.reset();
    auto pick = away.pick(at(100 + i, 200), rng);
    ASSERT_TRUE(pick);
    EXPECT_TRUE(*pick == IdleBehavior::nod || *pick == IdleBehavior::yawn);
    EXPECT_NE(pick, previous);
    previous = pick;
  }
  // 480 s away: nothing at all.
  away.nextOccasionalAt = 0;
  away.lastAt.reset();
  EXPECT_EQ(away.pick(at(200, 480), rng), std::nullopt);
}

TEST(IdleDirectorTest, RareSurprisesAndTheSlowPace) {
  std::mt19937_64 rng(11);
  IdleDirector d;
  d.nextRareAt = 10;
  d.nextOccasionalAt = 1e9;
  auto rare = d.pick(at(10), rng);
  ASSERT_TRUE(rare);
  EXPECT_EQ(std::count(rareIdleBehaviors.begin(), rareIdleBehaviors.end(), *rare), 1);
  EXPECT_GE(*d.nextRareAt, 730);
  EXPECT_LE(*d.nextOccasionalAt, 10 + 170);

  // Calm or at night: rare ones never; their time is pushed back 90 s.
  IdleDirector calm;
  calm.nextRareAt = 5;
  calm.nextOccasionalAt = 1e9;
  auto context = at(20);
  context.liveliness = Liveliness::calm;
  EXPECT_EQ(calm.pick(context, rng), std::nullopt);
  EXPECT_DOUBLE_EQ(*calm.nextRareAt, 110);
  // Their ordinary gap is doubled.
  IdleDirector night;
  auto nightContext = at(0);
  nightContext.nightMode = true;
  night.pick(nightContext, rng);
  EXPECT_GE(*night.nextOccasionalAt, 140);
  std::set<IdleBehavior> seen;
  for (int i = 0; i < 40; ++i) {
    night.nextOccasionalAt = 0;
    night.lastAt.reset();
    night.nextRareAt = 1e9;
    nightContext.now = 1000 + i;
    if (auto b = night.pick(nightContext, rng)) seen.insert(*b);
  }
  EXPECT_EQ(seen,
            (std::set<IdleBehavior>{IdleBehavior::yawn, IdleBehavior::wink, IdleBehavior::peek}));
}

struct AnimatorFixture {
  ManualClock clock;
  GlimmetRig rig;
  GlimmetAnimator animator{rig};
  AnimatorFixture() {
    static const GlimmetSprites sprites = GlimmetArtwork::makeSprites(1);
    rig.installSprites(sprites, 1);
    animator.rng.seed(42);
  }
};

TEST(GlimmetAnimatorTest, BaseStatesAndReactions) {
  AnimatorFixture f;
  f.animator.react(GlimmetState::water);
  f.animator.setBase(GlimmetState::happy);
  EXPECT_EQ(f.animator.base(), GlimmetState::idle);
  EXPECT_FALSE(f.animator.reacting());

  f.animator.setBase(GlimmetState::sleeping);
  EXPECT_EQ(f.rig.state(), GlimmetState::sleeping);
  f.animator.setBase(GlimmetState::idle);  // wakes up first
  EXPECT_EQ(f.rig.state(), GlimmetState::wakeUp);
  f.clock.advance(1.29);
  EXPECT_EQ(f.rig.state(), GlimmetState::wakeUp);
  f.clock.advance(0.02);
  EXPECT_EQ(f.rig.state(), GlimmetState::idle);

  f.animator.react(GlimmetState::happy);
  f.animator.setBase(GlimmetState::reminder);
  EXPECT_EQ(f.rig.state(), GlimmetState::happy);
  f.clock.advance(0.5);
  f.animator.react(GlimmetState::celebration);  // restarts the timing
  f.clock.advance(1.0);
  EXPECT_EQ(f.rig.state(), GlimmetState::celebration);
  f.clock.advance(0.81);
  EXPECT_EQ(f.rig.state(), GlimmetState::reminder);
  EXPECT_FALSE(f.animator.personalityArmed());  // not idle

  f.animator.setIntensity(AnimationIntensity::off);
  f.animator.setBase(GlimmetState::sleeping);
  f.animator.setBase(GlimmetState::idle);  // at off: no wake-up reaction
  EXPECT_EQ(f.rig.state(), GlimmetState::idle);
  f.animator.react(GlimmetState::petted);
  f.clock.advance(0.61);
  EXPECT_EQ(f.rig.state(), GlimmetState::idle);
}

TEST(GlimmetAnimatorTest, PersonalityTicksWhileVisibleAndIdle) {
  AnimatorFixture f;
  f.animator.setBase(GlimmetState::idle);
  EXPECT_FALSE(f.animator.personalityArmed());  // not visible yet
  f.animator.setVisible(true);
  EXPECT_TRUE(f.animator.personalityArmed());
  // The director arms its timers at the first tick; a behaviour follows
  // within its first gap.
  std::set<IdleBehavior> played;
  for (int i = 0; i < 2000; ++i) {
    f.clock.advance(0.5);
    if (auto b = f.rig.performing()) played.insert(*b);
  }
  EXPECT_FALSE(played.empty());
  ASSERT_TRUE(f.animator.director.lastAt.has_value());

  // Long idle: sleepy eyes on the next tick, and nothing else.
  double idle = 500;
  f.animator.userIdleSeconds = [&] { return idle; };
  for (int i = 0; i < 40 && !f.animator.sleepyEyesOn(); ++i) f.clock.advance(0.5);
  EXPECT_TRUE(f.animator.sleepyEyesOn());
  EXPECT_EQ(f.rig.pose().eyes, EyeStyle::sleepy);
  idle = 480;  // exactly 480 is not sleepy
  for (int i = 0; i < 40 && f.animator.sleepyEyesOn(); ++i) f.clock.advance(0.5);
  EXPECT_FALSE(f.animator.sleepyEyesOn());

  f.animator.setVisible(false);
  EXPECT_FALSE(f.animator.personalityArmed());
  EXPECT_FALSE(f.rig.active());
  const auto lastAt = f.animator.director.lastAt;
  f.clock.advance(600);
  EXPECT_EQ(f.animator.director.lastAt, lastAt);
}

TEST(GlimmetAnimatorTest, ReducedTicksOnlyBlinkAndWhirlwindWaitsForFocus) {
  AnimatorFixture f;
  f.animator.setBase(GlimmetState::idle);
  f.animator.setIntensity(AnimationIntensity::reduced);
  f.animator.setVisible(true);
  f.animator.director.nextOccasionalAt = 0;
  f.animator.director.nextRareAt = 0;
  int blinks = 0;
  const double start = f.clock.now();
  while (f.clock.now() - start < 60) {
    f.clock.advance(0.05);
    if (f.rig.eyeL->animationForKey("blink")) ++blinks;
    EXPECT_FALSE(f.rig.performing().has_value());
    EXPECT_EQ(f.rig.faceLayer->animationForKey("look"), nullptr);
  }
  EXPECT_GE(blinks, 4 * 3);  // a blink every 7 to 14 s, each seen for 0.16 s
  EXPECT_LE(blinks, 9 * 4);

  // A whirlwind picked while focusing is not played, yet counted.
  f.animator.setIntensity(AnimationIntensity::normal);
  f.animator.focusing = [] { return true; };
  f.animator.director = {};
  f.animator.director.nextRareAt = 0;
  f.animator.director.nextOccasionalAt = 1e9;
  f.animator.surprisesEnabled = true;
  int whirls = 0;
  for (int i = 0; i < 4000 && whirls == 0; ++i) {
    f.clock.advance(0.25);
    if (f.animator.director.last == IdleBehavior::whirlwind) ++whirls;
    EXPECT_NE(f.rig.performing(), IdleBehavior::whirlwind);
    if (f.animator.director.nextRareAt && f.animator.director.last != IdleBehavior::whirlwind) {
      f.animator.director.nextRareAt = 0;  // keep offering surprises
      f.animator.director.lastAt.reset();
    }
  }
  EXPECT_EQ(whirls, 1);
}

}  // namespace
}  // namespace pimble
