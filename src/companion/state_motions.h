#pragma once

#include <QImage>
#include <optional>
#include <vector>

#include "companion/glimmet_sprites.h"
#include "models/glimmet_state.h"

namespace pimble {

class GlimmetRig;

// The rig's looping motions: the float with its breathing shadow, and the
// motion each state adds (hops, sipping, steam, moon, Z letters, hearts, a
// burst of stars...). All are animations under fixed keys ("float", "sway",
// "shadow", "shadowOpacity", "state", "state2", "sip") or glyph layers named
// "fx" in the rig's effect layer; amplitudes scale with the intensity,
// durations never do.
class StateMotions {
 public:
  explicit StateMotions(GlimmetRig& rig) : rig_(rig) {}

  void startFloat();
  void startStateMotion(GlimmetState state);
  // Stops the state's motion and its glyphs; the float goes on.
  void stopStateMotion();
  // Stops every motion, the float included.
  void removeAllMotion();

  void breathe(double depth, double period);
  void hop(double height, int count, double period, double pause, bool repeatForever);
  void wiggleHands(double amount, double period, int count, double pause, bool repeatForever);
  void sip();
  void twinkle(StarStyle style, QPointF at, double size, double period, double delay);
  void startMoon();
  void startZeds();
  void pulseAlert();
  void burst();
  void startSteam();
  void floaters(const QImage& image, QSizeF size, const std::vector<QPointF>& starts, QPointF drift,
                double duration, double stagger);

  // The key times and values of `count` hops of one period followed by a
  // pause, with each peak at `peakAt` of its period.
  static std::pair<std::vector<double>, std::vector<double>> hopFrames(double height, int count,
                                                                       double period, double pause,
                                                                       double peakAt);

 private:
  void squash(GlimmetState state);
  void sway(const std::vector<double>& values, std::vector<double> keyTimes, double duration,
            bool autoreverses, bool repeat);
  const std::optional<GlimmetSprites>& sprites() const;
  double k() const;

  GlimmetRig& rig_;
};

}  // namespace pimble
