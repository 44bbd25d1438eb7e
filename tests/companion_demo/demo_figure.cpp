#include "demo_figure.h"

#include <QTransform>

#include "companion/layers/shape_layer.h"

namespace pimble {
namespace {

// A stand-in character drawn with plain shapes: a soft egg-shaped body with
// eyes and a cape, on the 220 × 310 canvas.
class ShapesFigure : public HostedFigure {
 public:
  ShapesFigure() : root_(Layer::make()) {
    root_->setBounds({220, 310});
    root_->setAnchorPoint({0, 0});
    // Canvas paths count y down from the top; layers count it up.
    const QTransform up(1, 0, 0, -1, 0, 310);
    auto shape = [&](const QPainterPath& path, QColor fill) {
      auto l = ShapeLayer::make();
      l->setBounds({220, 310});
      l->setAnchorPoint({0, 0});
      l->setPath(up.map(path));
      l->setFillColor(fill);
      root_->addSublayer(l);
      return l;
    };
    QPainterPath cape;
    cape.moveTo(70, 150);
    cape.cubicTo(40, 220, 30, 260, 50, 285);
    cape.lineTo(170, 285);
    cape.cubicTo(190, 260, 180, 220, 150, 150);
    cape.closeSubpath();
    shape(cape, QColor::fromRgbF(0.93f, 0.20f, 0.22f));
    shape(bodyPath(), QColor::fromRgbF(0.64f, 0.52f, 0.95f));
    QPainterPath eyes;
    eyes.addEllipse(QPointF(90, 130), 7, 11);
    eyes.addEllipse(QPointF(130, 130), 7, 11);
    shape(eyes, QColor::fromRgbF(0.13f, 0.10f, 0.25f));
    QPainterPath mouth;
    mouth.moveTo(98, 160);
    mouth.quadTo(110, 174, 122, 160);
    mouth.quadTo(110, 168, 98, 160);
    shape(mouth, QColor::fromRgbF(0.13f, 0.10f, 0.25f));
  }
  LayerPtr rootLayer() const override { return root_; }
  QPainterPath bodyPath() const override {
    QPainterPath p;
    p.addEllipse(QPointF(110, 170), 68, 110);
    return p;
  }
  void renderSprites(double) override {}

 private:
  LayerPtr root_;
};

}  // namespace

std::unique_ptr<HostedFigure> makeDemoFigure() {
  return std::make_unique<ShapesFigure>();
}

}  // namespace pimble
