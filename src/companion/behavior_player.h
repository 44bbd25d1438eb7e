#pragma once

#include <QImage>
#include <QPointF>
#include <QSizeF>

#include "companion/glimmet_pose.h"
#include "companion/idle_behavior.h"

namespace pimble {

class GlimmetRig;

// Plays the rig's idle behaviours and small gestures. Behaviour motions use
// keys beginning with "behavior" and glyph layers named "behaviorfx", so
// that cancelling finds all of them; the gestures use "blink", "look" and
// "wave". Amplitudes halve at reduced intensity; at off nothing plays.
class BehaviorPlayer {
 public:
  explicit BehaviorPlayer(GlimmetRig& rig) : rig_(rig) {}

  double perform(IdleBehavior behavior);
  void blink();
  void lookAround();
  void wave();
  void sleepyEyes(bool on);

  // The neutral pose: eyes and mouth by case number m (0 open and smile,
  // 1 happy and grin), hands home, cheeks at c.
  static GlimmetPose neutral(int m, double cheekScale);
  // A glyph that flies from `from` to `to` while it fades in and out.
  static void spark(GlimmetRig& rig, const QImage& image, QSizeF size, QPointF from, QPointF to,
                    double duration, double beginTime);
  static void removeGlyphs(GlimmetRig& rig);

 private:
  double script(IdleBehavior behavior, double f);
  void pose(const GlimmetPose& pose, double duration);
  void neutralAt(double delay, int m, double cheekScale, double duration);
  void swapRightEye(EyeStyle eyes);
  double randomSign();

  GlimmetRig& rig_;
};

}  // namespace pimble
