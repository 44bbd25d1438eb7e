#pragma once

#include "companion/glimmet_rig.h"

namespace pimble {

// How the character arrives: out of a whirlwind at normal intensity, with
// a gentle fade and greeting below it; the idle whirlwind surprise; and the
// dizzy tumble after a fast flight. Steps run through the rig's behaviour
// bookkeeping, so cancelling a behaviour stops them too.
class SummonEffects {
 public:
  using Style = GlimmetRig::SummonStyle;

  struct Frame {
    double scale = 1;
    double angle = 0;
    double lift = 0;
    double alpha = 1;
  };

  explicit SummonEffects(GlimmetRig& rig) : rig_(rig) {}

  double summon(Style style);
  // The whirlwind, or the gentle arrival below normal intensity.
  double whirlwind(Style style);
  double gentleArrival(Style style);
  void tumble();
  void buildTornado(bool small, double start);
  void removeTornado();

  // The arrival curve at t seconds.
  static Frame summonFrame(double t, Style style);
  // The hop layer's transform of one arrival frame: the spin drawn as a
  // horizontal squash by the cosine, never quite flat.
  static LayerTransform spinTransform(const Frame& frame);

 private:
  GlimmetRig& rig_;
};

}  // namespace pimble
