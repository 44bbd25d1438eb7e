#pragma once

#include "companion/glimmet_rig.h"
#include "companion/hosted_figure.h"

namespace pimble {

// The character itself as the host view's figure: the rig, its body outline
// and its sprites drawn by the artwork.
class GlimmetFigure : public HostedFigure {
 public:
  GlimmetFigure() = default;

  LayerPtr rootLayer() const override { return rig_.root; }
  QPainterPath bodyPath() const override;
  void renderSprites(double scale) override;
  double mediaTime() const override;
  GlimmetRig* rig() override { return &rig_; }
  long pictureDraws() const override;

  void beginFlight() override { rig_.beginFlight(); }
  void flightMoved(QSizeF delta) override { rig_.flightMoved(delta); }
  void endFlight() override { rig_.cape.endDrag(); }

 private:
  GlimmetRig rig_;
};

}  // namespace pimble
