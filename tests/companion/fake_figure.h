#pragma once

#include <vector>

#include "companion/hosted_figure.h"

namespace pimble::testing {

// A figure whose body is an ellipse on the canvas, centred at (110, 180)
// with radii 60 × 100, recording what the view and the window ask of it.
struct FigureLog {
  std::vector<double> spriteScales;
  int flightsBegun = 0;
  int flightsEnded = 0;
  std::vector<QSizeF> moves;
};

class FakeFigure : public HostedFigure {
 public:
  explicit FakeFigure(FigureLog* log) : log_(log), root_(Layer::make()) {
    root_->setBounds({220, 310});
    root_->setAnchorPoint({0, 0});
  }
  LayerPtr rootLayer() const override { return root_; }
  QPainterPath bodyPath() const override {
    QPainterPath p;
    p.addEllipse(QPointF(110, 180), 60, 100);
    return p;
  }
  void renderSprites(double scale) override { log_->spriteScales.push_back(scale); }
  void beginFlight() override { ++log_->flightsBegun; }
  void flightMoved(QSizeF delta) override { log_->moves.push_back(delta); }
  void endFlight() override { ++log_->flightsEnded; }
  long pictureDraws() const override { return drawn; }

  // Pictures "drawn" so far, as the test sets them.
  long drawn = 0;

 private:
  FigureLog* log_;
  LayerPtr root_;
};

}  // namespace pimble::testing
