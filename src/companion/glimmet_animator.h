#pragma once

#include <functional>
#include <random>

#include "companion/idle_director.h"
#include "companion/layers/scheduler.h"
#include "models/animation_intensity.h"
#include "models/glimmet_state.h"

namespace pimble {

class GlimmetRig;

// Decides what the rig shows: the base state the situation calls for,
// one-shot reactions on top of it, and, while idle and visible, a
// personality tick every few seconds that plays an idle behaviour chosen by
// the director or a small gesture, and droops the eyes after 8 minutes
// without user input.
class GlimmetAnimator {
 public:
  explicit GlimmetAnimator(GlimmetRig& rig);
  ~GlimmetAnimator();
  GlimmetAnimator(const GlimmetAnimator&) = delete;
  GlimmetAnimator& operator=(const GlimmetAnimator&) = delete;

  // Only idle, water, stretch, eyeRest, sleeping, reminder, posture, walk,
  // rest and checkIn are base states; others are ignored.
  void setBase(GlimmetState state);
  // Only happy, wakeUp, celebration and petted are reactions.
  void react(GlimmetState state);
  void setVisible(bool visible);
  void setIntensity(AnimationIntensity intensity);

  GlimmetState base() const { return base_; }
  bool visible() const { return visible_; }
  bool reacting() const { return oneShot_.isPending(); }
  bool sleepyEyesOn() const { return sleepyEyesOn_; }
  bool personalityArmed() const { return personality_.isPending(); }
  AnimationIntensity intensity() const { return intensity_; }

  // The length of a reaction, or none for a state that is not one.
  static std::optional<double> reactionLength(GlimmetState state);
  static bool isBaseState(GlimmetState state);

  Liveliness liveliness = Liveliness::lively;
  bool surprisesEnabled = true;
  bool nightMode = false;
  // Seconds since the user's last input; none counts as 0.
  std::function<double()> userIdleSeconds;
  // Whether a focus intention runs; none counts as false.
  std::function<bool()> focusing;
  // Seconds of uptime for the director; the animation clock when unset.
  std::function<double()> uptime;
  IdleDirector director;
  std::mt19937_64 rng{std::random_device{}()};

 private:
  void schedulePersonality();
  void personalityTick();
  void smallGesture();
  double idleSeconds() const;

  GlimmetRig& rig_;
  GlimmetState base_ = GlimmetState::idle;
  ScheduledWork oneShot_;
  ScheduledWork personality_;
  ScheduledWork secondBlink_;
  bool sleepyEyesOn_ = false;
  bool visible_ = false;
  AnimationIntensity intensity_ = AnimationIntensity::normal;
};

}  // namespace pimble
