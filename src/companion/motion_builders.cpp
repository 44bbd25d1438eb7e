#include "companion/motion_builders.h"

#include "companion/layers/transaction.h"

namespace pimble::motion {

std::shared_ptr<BasicAnimation> basic(const char* key, LayerValue from, LayerValue to,
                                      double duration, TimingFunction timing) {
  auto a = BasicAnimation::make(key, std::move(from), std::move(to), duration);
  a->timingFunction = timing;
  return a;
}

std::shared_ptr<KeyframeAnimation> keyframes(const char* key, const std::vector<double>& values,
                                             std::vector<double> keyTimes, double duration,
                                             TimingFunction timing) {
  auto a = KeyframeAnimation::numbers(key, values, std::move(keyTimes), duration);
  a->timingFunction = timing;
  return a;
}

std::shared_ptr<KeyframeAnimation> keyframeValues(const char* key, std::vector<LayerValue> values,
                                                  std::vector<double> keyTimes, double duration,
                                                  TimingFunction timing) {
  auto a = KeyframeAnimation::make(key, std::move(values), std::move(keyTimes), duration);
  a->timingFunction = timing;
  return a;
}

LayerPtr glyph(const LayerPtr& parent, const char* name, const QImage& image, QSizeF size,
               QPointF position, double contentsScale, double opacity) {
  ActionsDisabled quiet;
  auto l = Layer::make();
  l->setName(name);
  l->setBounds(size);
  l->setPosition(position);
  l->setContents(image);
  l->setContentsScale(contentsScale);
  l->setOpacity(opacity);
  parent->addSublayer(l);
  return l;
}

}  // namespace pimble::motion
