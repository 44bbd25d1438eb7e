#pragma once

#include <QPainterPath>
#include <QSizeF>

#include "companion/layers/layer.h"

namespace pimble {

class GlimmetRig;

// What the host view and the window need of the character they show: a
// layer tree on the 220 × 310 canvas, its body outline for hit testing, its
// pictures drawn at a pixel scale, and the flight hooks fed while the window
// moves.
class HostedFigure {
 public:
  virtual ~HostedFigure() = default;

  // The canvas layer: 220 × 310 units, anchored at its bottom-left corner.
  virtual LayerPtr rootLayer() const = 0;
  // The body outline in canvas coordinates (y down from the canvas top).
  virtual QPainterPath bodyPath() const = 0;
  // Redraws the pictures at `scale` pixels a canvas unit.
  virtual void renderSprites(double scale) = 0;
  // Media time to paint the tree at.
  virtual double mediaTime() const { return 0; }
  // The character's rig, when the figure is the character.
  virtual GlimmetRig* rig() { return nullptr; }
  // How many pictures of its layers the figure has drawn so far (cached
  // pictures shown again do not count).
  virtual long pictureDraws() const { return 0; }

  // A drag or an animated flight of the window begins.
  virtual void beginFlight() {}
  // The window moved by this many y-up screen points.
  virtual void flightMoved(QSizeF /*delta*/) {}
  // The drag ended or the flight landed.
  virtual void endFlight() {}
};

}  // namespace pimble
