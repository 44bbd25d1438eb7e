#include "companion/layers/layer.h"

#include <QPaintDevice>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <list>
#include <utility>

#include "companion/layers/animation_stack.h"
#include "companion/layers/basic_animation.h"
#include "companion/layers/look_hash.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/soft_shadow.h"
#include "companion/layers/transaction.h"
#include "companion/layers/value_math.h"

namespace pimble {
namespace {

bool finitePoint(QPointF p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}

// The scale a transform applies to lengths, for blur radii in pixels.
double lengthScale(const QTransform& t) {
  return std::sqrt(std::abs(t.m11() * t.m22() - t.m12() * t.m21()));
}

// Qt scales every painter of a dense device (a scaled screen, a picture
// with a pixel ratio) by that ratio beneath its world transform, and counts
// the combined transform with it. Offscreen copies, pictures copied pixel for
// pixel and band clips here are placed in the device's own pixels: they go
// through these two, so that the ratio is applied once.
double pixelRatio(const QPainter& painter) {
  const QPaintDevice* device = painter.device();
  const double ratio = device != nullptr ? device->devicePixelRatio() : 1.0;
  return std::isfinite(ratio) && ratio > 0 ? ratio : 1.0;
}

void setDeviceTransform(QPainter& painter, const QTransform& toDevice) {
  const double ratio = pixelRatio(painter);
  painter.setTransform(ratio == 1 ? toDevice
                                  : toDevice * QTransform::fromScale(1 / ratio, 1 / ratio));
}

// Pixel size of the area an offscreen copy may cover: the painter's device.
// A widget counts its size in points, a picture in pixels.
QRect deviceRect(const QPainter& painter) {
  const QPaintDevice* device = painter.device();
  if (device == nullptr) return {};
  if (device->devType() != QInternal::Widget) return QRect(0, 0, device->width(), device->height());
  const double ratio = pixelRatio(painter);
  return QRect(0, 0, int(std::ceil(device->width() * ratio)),
               int(std::ceil(device->height() * ratio)));
}

using look_hash::mix;
using look_hash::mixDouble;

void mixValue(uint64_t& hash, const LayerValue& value) {
  mix(hash, value.index());
  if (const auto* d = std::get_if<double>(&value)) {
    mixDouble(hash, *d);
  } else if (const auto* p = std::get_if<QPointF>(&value)) {
    mixDouble(hash, p->x());
    mixDouble(hash, p->y());
  } else if (const auto* z = std::get_if<QSizeF>(&value)) {
    mixDouble(hash, z->width());
    mixDouble(hash, z->height());
  } else if (const auto* c = std::get_if<QColor>(&value)) {
    mix(hash, c->isValid() ? c->rgba64() : 1);
  } else if (const auto* t = std::get_if<LayerTransform>(&value)) {
    for (double v : {t->tx, t->ty, t->rotation, t->sx, t->sy}) mixDouble(hash, v);
  } else if (const auto* path = std::get_if<QPainterPath>(&value)) {
    const int n = path->elementCount();
    mix(hash, static_cast<uint64_t>(n) << 1 | (path->fillRule() == Qt::WindingFill ? 1 : 0));
    for (int i = 0; i < n; ++i) {
      const QPainterPath::Element e = path->elementAt(i);
      mix(hash, static_cast<uint64_t>(e.type));
      mixDouble(hash, e.x);
      mixDouble(hash, e.y);
    }
  } else if (const auto* image = std::get_if<QImage>(&value)) {
    mix(hash, static_cast<uint64_t>(image->cacheKey()));
  } else if (const auto* colors = std::get_if<ColorList>(&value)) {
    for (const QColor& c : *colors) mix(hash, c.isValid() ? c.rgba64() : 1);
  } else if (const auto* numbers = std::get_if<NumberList>(&value)) {
    for (double v : *numbers) mixDouble(hash, v);
  }
}

// Layer coordinates into the superlayer's: the anchor point to the origin,
// the transform, then the position.
QTransform placement(QSizeF size, QPointF anchor, QPointF position, const LayerTransform& t) {
  QTransform m;
  m.translate(position.x(), position.y());
  m = t.matrix() * m;
  return QTransform::fromTranslate(-anchor.x() * size.width(), -anchor.y() * size.height()) * m;
}

// Qt's raster engine hands every fill of more than about a hundred rows to
// its thread pool and waits for it. On each frame of an animation that runs
// all day the wake-ups cost more than the split saves, so a tall picture is
// drawn in bands of fewer rows, each filled on this thread.
void drawInBands(QPainter& painter, const QImage& image, const QTransform& imageToDevice) {
  constexpr int kBand = 90;
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  // Smoothing the outline of the picture's rectangle would triple the spans
  // of each row; the filtering already softens the picture's own edges.
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRectF reach = imageToDevice.mapRect(QRectF(image.rect()));
  const QRectF source(image.rect());
  if (!(reach.height() > kBand) || !(reach.height() < 1e5) || !(std::abs(reach.top()) < 1e6) ||
      !(reach.width() < 1e5) || !(std::abs(reach.left()) < 1e6)) {
    setDeviceTransform(painter, imageToDevice);
    painter.drawImage(source, image, source);
    return;
  }
  const int left = static_cast<int>(std::floor(reach.left())) - 1;
  const int width = static_cast<int>(std::ceil(reach.width())) + 3;
  const int bottom = static_cast<int>(std::ceil(reach.bottom()));
  for (int y = static_cast<int>(std::floor(reach.top())); y < bottom; y += kBand) {
    painter.save();
    setDeviceTransform(painter, {});
    painter.setClipRect(QRect(left, y, width, kBand), Qt::IntersectClip);
    setDeviceTransform(painter, imageToDevice);
    painter.drawImage(source, image, source);
    painter.restore();
  }
}

// Draws an image whose pixels map onto the device through `imageToDevice`.
// An image placed pixel for pixel is copied to the nearest whole pixel:
// resampling it for a fraction of a pixel would only blur it, and costs
// many times more than the copy.
void drawImageThrough(QPainter& painter, const QImage& image, const QTransform& imageToDevice,
                      double opacity) {
  const QTransform& m = imageToDevice;
  painter.save();
  painter.setOpacity(painter.opacity() * opacity);
  if (m.type() <= QTransform::TxTranslate && std::abs(m.dx()) < 1e6 && std::abs(m.dy()) < 1e6) {
    setDeviceTransform(painter, {});
    // Without filtering hints Qt copies the rows directly rather than
    // filling spans (which it would hand to its thread pool).
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.setRenderHint(QPainter::Antialiasing, false);
    // Source and target rectangles in pixels, whatever the image's pixel ratio.
    painter.drawImage(QRectF(QPointF(std::round(m.dx()), std::round(m.dy())), image.size()), image,
                      QRectF(image.rect()));
  } else {
    drawInBands(painter, image, imageToDevice);
  }
  painter.restore();
}

// The smallest rectangle holding every pixel of an image that is not fully
// transparent, kept per image: the pictures are few and never change.
QRect opaqueArea(const QImage& image) {
  static std::list<std::pair<qint64, QRect>> known;  // most recent first
  const qint64 key = image.cacheKey();
  for (auto it = known.begin(); it != known.end(); ++it) {
    if (it->first == key) {
      known.splice(known.begin(), known, it);
      return known.front().second;
    }
  }
  QRect area;
  if (image.format() == QImage::Format_ARGB32_Premultiplied ||
      image.format() == QImage::Format_ARGB32) {
    int left = image.width();
    int right = -1;
    int top = image.height();
    int bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x) {
        if (qAlpha(row[x]) == 0) continue;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
    }
    if (right >= 0) area = QRect(QPoint(left, top), QPoint(right, bottom));
  } else {
    area = image.rect();  // other formats: the whole picture
  }
  known.emplace_front(key, area);
  if (known.size() > 256) known.pop_back();
  return area;
}

// A rasterized layer keeps at most this many bytes of pictures.
constexpr qsizetype kRasterCacheBytes = 12 * 1024 * 1024;
// A picture side beyond this is drawn directly instead.
constexpr double kRasterMaxSide = 4096;

}  // namespace

struct Layer::RasterCache {
  struct Entry {
    uint64_t key = 0;
    QImage image;
    QPoint origin;        // of the picture, in pixels of the layer's coordinates
    QRectF box;           // what the subtree draws, in layer coordinates
    bool reused = false;  // shown again after it was drawn
    long lastUsed = 0;    // the lookup that last showed it
  };
  std::list<Entry> entries;  // most recently used first
  long draws = 0;
  long lookups = 0;

  // Makes room for one more picture of `size`: beyond `capacity` pictures or
  // the byte budget, a picture shown only once goes first, the oldest first
  // (a blink or a glance passes through its looks once, while a loop comes
  // back to each of its own), then the oldest of the rest. A loop that has
  // not come back for twice the room's lookups is over (the figure holds
  // itself otherwise now): its pictures count as shown once again, or they
  // would keep their places for good and every picture of the loop that
  // took over would go as soon as it was drawn. Hands back the memory of a
  // picture of that size, when one went.
  QImage makeRoom(int capacity, QSize size) {
    const qsizetype needed = qsizetype(size.width()) * size.height() * 4;
    qsizetype total = 0;
    for (const Entry& e : entries) total += e.image.sizeInBytes();
    QImage freed;
    while (!entries.empty() &&
           (entries.size() >= size_t(capacity) || total + needed > kRasterCacheBytes)) {
      auto victim = std::prev(entries.end());
      for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (!it->reused || lookups - it->lastUsed > 2 * long(capacity)) {
          victim = std::prev(it.base());
          break;
        }
      }
      total -= victim->image.sizeInBytes();
      if (freed.isNull() && victim->image.size() == size) freed = std::move(victim->image);
      entries.erase(victim);
    }
    return freed;
  }
};

LayerValue LayerValues::get(const Layer& layer, std::string_view key) const {
  return presentation_ ? layer.presentationValue(key, time_) : layer.modelValue(key);
}

uint64_t Layer::freshVersion() {
  static uint64_t last = 0;
  return ++last;
}

Layer::Layer() : lookVersion_(freshVersion()), placementVersion_(freshVersion()) {
  values_.reserve(16);
  values_.push_back({"opacity", 1.0});
  values_.push_back({"transform", LayerTransform{}});
  values_.push_back({"bounds", QSizeF()});
  values_.push_back({"position", QPointF()});
  values_.push_back({"anchorPoint", QPointF(0.5, 0.5)});
  values_.push_back({"shadowOpacity", 0.0});
  values_.push_back({"contents", LayerValue()});
  values_.push_back({"backgroundColor", LayerValue()});
  values_.push_back({"contentsScale", 1.0});
  values_.push_back({"cornerRadius", 0.0});
  values_.push_back({"shadowColor", QColor(Qt::black)});
  values_.push_back({"shadowRadius", 3.0});
  values_.push_back({"shadowOffset", QPointF(0, -3)});
}

Layer::~Layer() {
  for (const auto& sub : sublayers_) sub->superlayer_ = nullptr;
  // Stop callbacks of the animations must not find a half-destroyed layer.
  auto animations = std::move(animations_);
}

void Layer::addSublayer(const LayerPtr& layer) {
  insertSublayer(layer, nullptr);
}

void Layer::insertSublayer(const LayerPtr& layer, const Layer* above) {
  if (!layer || layer.get() == this) return;
  // A layer may not become its own descendant.
  for (const Layer* l = this; l != nullptr; l = l->superlayer_) {
    if (l == layer.get()) return;
  }
  const LayerPtr keep = layer;
  keep->removeFromSuperlayer();
  auto at = std::find_if(sublayers_.begin(), sublayers_.end(),
                         [&](const LayerPtr& s) { return s.get() == above; });
  if (at != sublayers_.end()) ++at;
  sublayers_.insert(at, keep);
  keep->superlayer_ = this;
  lookVersion_ = freshVersion();
  setNeedsDisplay();
}

void Layer::removeFromSuperlayer() {
  Layer* parent = superlayer_;
  if (parent == nullptr) return;
  parent->lookVersion_ = freshVersion();
  parent->setNeedsDisplay();
  superlayer_ = nullptr;
  auto& list = parent->sublayers_;
  list.erase(std::remove_if(list.begin(), list.end(),
                            [this](const LayerPtr& s) { return s.get() == this; }),
             list.end());
}

LayerPtr Layer::sublayerNamed(std::string_view name) const {
  for (const auto& sub : sublayers_) {
    if (sub->name_ == name) return sub;
  }
  return nullptr;
}

void Layer::setValue(std::string_view keyPath, LayerValue value) {
  const auto [key, component] = splitKeyPath(keyPath);
  // Implicit animation starts from what is on screen now.
  const bool implicit = Transaction::animatesImplicitly() && !actionsDisabled(key) &&
                        !std::holds_alternative<QImage>(value);
  const double now = implicit ? animation_clock::now() : 0;
  LayerValue from = implicit ? presentationValue(key, now) : LayerValue();
  if (component.empty()) {
    if (LayerValue* held = stored(key)) {
      *held = std::move(value);
    } else {
      values_.push_back({std::string(key), std::move(value)});
    }
  } else {
    LayerValue* held = stored(key);
    if (held == nullptr) return;
    setComponent(*held, component, value);
  }
  (isPlacementKey(key) ? placementVersion_ : lookVersion_) = freshVersion();
  setNeedsDisplay();
  if (!implicit) return;
  const LayerValue to = modelValue(key);
  if (value_math::same(from, to)) {
    // Already there on screen: an older change's animation has nothing left to do.
    removeAnimation(key);
    return;
  }
  if (from.index() != to.index()) return;
  // No end value: the animation heads for whatever the model holds, so a
  // later change without animation is not undone by it.
  auto animation = std::make_shared<BasicAnimation>(std::string(key), std::move(from));
  animation->duration = Transaction::animationDuration();
  animation->timingFunction = Transaction::timingFunction();
  addAnimation(std::move(animation), std::string(key));
}

const LayerValue* Layer::stored(std::string_view key) const {
  for (const auto& entry : values_) {
    if (entry.key.size() == key.size() && entry.key == key) return &entry.value;
  }
  return nullptr;
}

LayerValue* Layer::stored(std::string_view key) {
  return const_cast<LayerValue*>(std::as_const(*this).stored(key));
}

LayerValue Layer::modelValue(std::string_view keyPath) const {
  const auto [key, component] = splitKeyPath(keyPath);
  const LayerValue* held = stored(key);
  if (held == nullptr) return {};
  return component.empty() ? *held : componentOf(*held, component);
}

LayerValue Layer::presentationValue(std::string_view key, double time) const {
  LayerValue value = modelValue(key);
  if (animations_) animations_->compose(key, time, value);
  return value;
}

void Layer::setHidden(bool hidden) {
  hidden_ = hidden;
  setNeedsDisplay();
}

void Layer::settingsChanged() {
  lookVersion_ = freshVersion();
  setNeedsDisplay();
}

void Layer::setShouldRasterize(bool on) {
  shouldRasterize_ = on;
  if (!on) raster_.reset();
  setNeedsDisplay();
}

void Layer::setRasterizationScale(double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) return;
  rasterScale_ = std::clamp(scale, 1.0 / 64, 64.0);
  setNeedsDisplay();
}

void Layer::setRasterCacheEntries(int entries) {
  rasterEntries_ = std::clamp(entries, 1, 1024);
  if (raster_ && raster_->entries.size() > static_cast<size_t>(rasterEntries_)) {
    raster_->entries.resize(static_cast<size_t>(rasterEntries_));
  }
}

long Layer::rasterDraws() const {
  return raster_ ? raster_->draws : 0;
}

void Layer::setMask(LayerPtr mask) {
  mask_ = std::move(mask);
  lookVersion_ = freshVersion();
  setNeedsDisplay();
}

void Layer::addAnimation(AnimationPtr animation, std::string key) {
  if (!animation) {
    removeAnimation(key);
    return;
  }
  if (!animations_) animations_ = std::make_unique<AnimationStack>(*this);
  animations_->add(std::move(animation), std::move(key));
}

void Layer::removeAnimation(std::string_view key) {
  if (animations_) animations_->remove(key);
}

void Layer::removeAllAnimations() {
  if (animations_) animations_->removeAll();
}

void Layer::removeAnimations(std::string_view prefix) {
  for (const auto& key : animationKeys()) {
    if (std::string_view(key).substr(0, prefix.size()) == prefix) removeAnimation(key);
  }
}

std::vector<std::string> Layer::animationKeys() const {
  return animations_ ? animations_->keys() : std::vector<std::string>{};
}

AnimationPtr Layer::animationForKey(std::string_view key) const {
  return animations_ ? animations_->find(key) : nullptr;
}

double Layer::nextPresentationChange(double now, double& frameRate) const {
  double next = std::numeric_limits<double>::infinity();
  if (hidden_) return next;
  if (animations_) next = animations_->nextChange(now, frameRate);
  for (const auto& sub : sublayers_)
    next = std::min(next, sub->nextPresentationChange(now, frameRate));
  if (mask_) next = std::min(next, mask_->nextPresentationChange(now, frameRate));
  return next;
}

void Layer::setNeedsDisplay() const {
  const Layer* top = this;
  while (top->superlayer_ != nullptr) top = top->superlayer_;
  if (top->onNeedsDisplay_) top->onNeedsDisplay_();
}

std::vector<std::string> Layer::storedKeys() const {
  std::vector<std::string> keys;
  keys.reserve(values_.size());
  for (const auto& entry : values_) {
    if (entry.value.index() != 0) keys.push_back(entry.key);
  }
  return keys;
}

void Layer::disableActions(std::initializer_list<std::string_view> keys) {
  for (auto key : keys) disabledActions_.emplace(key);
}

bool Layer::actionsDisabled(std::string_view key) const {
  return disabledActions_.find(key) != disabledActions_.end();
}

void Layer::paint(QPainter& painter, double time) const {
  const LayerValues values = LayerValues::presentation(time);
  painter.save();
  painter.translate(0, values.get<QSizeF>(*this, "bounds", {}).height());
  painter.scale(1, -1);
  render(painter, values);
  painter.restore();
}

void Layer::renderModel(QPainter& painter) const {
  const LayerValues values = LayerValues::model();
  painter.save();
  painter.translate(0, bounds().height());
  painter.scale(1, -1);
  render(painter, values);
  painter.restore();
}

QImage Layer::renderModelImage(QSize pixels, double scale) const {
  QImage image(pixels.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  if (std::isfinite(scale)) painter.scale(scale, scale);
  renderModel(painter);
  return image;
}

QTransform Layer::transformToSuperlayer(const LayerValues& values) const {
  return placement(values.get<QSizeF>(*this, "bounds", {}),
                   values.get<QPointF>(*this, "anchorPoint", QPointF(0.5, 0.5)),
                   values.get<QPointF>(*this, "position", {}),
                   values.get<LayerTransform>(*this, "transform", {}));
}

void Layer::render(QPainter& painter, const LayerValues& values) const {
  if (hidden_) return;
  const double opacity = values.get<double>(*this, "opacity", 1);
  if (!(opacity > 0)) return;
  const LayerTransform t = values.get<LayerTransform>(*this, "transform", {});
  const QSizeF size = values.get<QSizeF>(*this, "bounds", {});
  const QPointF position = values.get<QPointF>(*this, "position", {});
  const QPointF anchor = values.get<QPointF>(*this, "anchorPoint", QPointF(0.5, 0.5));
  if (!t.isFinite() || !std::isfinite(size.width()) || !std::isfinite(size.height()) ||
      !finitePoint(position) || !finitePoint(anchor)) {
    return;  // a broken geometry draws nothing rather than garbage
  }
  painter.save();
  painter.setTransform(placement(size, anchor, position, t), true);
  const bool shadow = values.get<double>(*this, "shadowOpacity", 0) > 0;
  const bool group = opacity < 1 && !sublayers_.empty();
  if (shouldRasterize_ && values.isPresentation() &&
      renderRasterized(painter, values, std::min(opacity, 1.0))) {
    // drawn from the picture
  } else if (mask_ || shadow || group) {
    renderThroughOffscreen(painter, values, std::min(opacity, 1.0));
  } else {
    painter.setOpacity(painter.opacity() * std::min(opacity, 1.0));
    drawLayerAndSublayers(painter, values);
  }
  painter.restore();
}

void Layer::drawLayerAndSublayers(QPainter& painter, const LayerValues& values, size_t skip) const {
  const QSizeF size = values.get<QSizeF>(*this, "bounds", {});
  const QColor background = values.get<QColor>(*this, "backgroundColor", {});
  if (background.isValid() && background.alpha() > 0 && !size.isEmpty()) {
    const double radius = values.get<double>(*this, "cornerRadius", 0);
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(background);
    if (radius > 0) {
      painter.drawRoundedRect(QRectF(QPointF(), size), radius, radius);
    } else {
      painter.drawRect(QRectF(QPointF(), size));
    }
    painter.restore();
  }
  drawContents(painter, values);
  drawOwnContent(painter, values);
  for (size_t i = skip; i < sublayers_.size(); ++i) sublayers_[i]->render(painter, values);
}

void Layer::drawContents(QPainter& painter, const LayerValues& values) const {
  const QImage image = values.get<QImage>(*this, "contents", {});
  const QSizeF size = values.get<QSizeF>(*this, "bounds", {});
  std::optional<AnimationStack::Fade> fade;
  if (values.isPresentation() && animations_) fade = animations_->contentsFade(values.time());
  if ((image.isNull() && (!fade || fade->from.isNull())) || size.isEmpty()) return;
  // Images are stored top row first: flip back so they stand upright.
  const QTransform world = painter.combinedTransform();
  const auto imageToDevice = [&](const QImage& picture) {
    return QTransform::fromScale(size.width() / picture.width(),
                                 -size.height() / picture.height()) *
           QTransform::fromTranslate(0, size.height()) * world;
  };
  if (fade && !fade->from.isNull()) {
    drawImageThrough(painter, fade->from, imageToDevice(fade->from), 1 - fade->progress);
  }
  if (!image.isNull()) {
    drawImageThrough(painter, image, imageToDevice(image), fade ? fade->progress : 1.0);
  }
}

void Layer::drawOwnContent(QPainter&, const LayerValues&) const {}

QRectF Layer::ownContentBounds(const LayerValues&) const {
  return {};
}

bool Layer::opaqueFillShape(const LayerValues&, QPainterPath&) const {
  return false;
}

uint64_t Layer::rasterKey(const LayerValues& values, size_t skip) const {
  uint64_t key = 0xcbf29ce484222325ULL;
  mixDouble(key, rasterScale_);
  mix(key, values.isPresentation() ? 1 : 0);
  hashLook(values, false, key, skip);
  return key;
}

size_t Layer::leadingDrawnApart(const QPainter& painter, const LayerValues& values,
                                double opacity) const {
  // Drawing a sublayer beneath the picture instead of into it looks the same
  // ("over" composes either way) only while nothing fades the group as a
  // whole and the layer draws nothing of its own beneath it.
  if (mask_ || !(opacity * painter.opacity() >= 1) ||
      values.get<double>(*this, "shadowOpacity", 0) > 0) {
    return 0;
  }
  const QColor background = values.get<QColor>(*this, "backgroundColor", {});
  if ((background.isValid() && background.alpha() > 0) ||
      !values.get<QImage>(*this, "contents", {}).isNull() ||
      (values.isPresentation() && animations_ && animations_->contentsFade(values.time())) ||
      !ownContentBounds(values).isNull()) {
    return 0;
  }
  size_t n = 0;
  while (n < sublayers_.size() && (sublayers_[n]->shouldRasterize_ || sublayers_[n]->hidden_)) ++n;
  return n;
}

QRectF Layer::subtreeBounds(const LayerValues& values, size_t skip) const {
  // A rasterized subtree whose look has a picture already knows its box:
  // working it out again can mean interpolating every path inside.
  if (shouldRasterize_ && raster_ && skip == 0) {
    const uint64_t key = rasterKey(values);
    for (const auto& entry : raster_->entries) {
      if (entry.key == key) return entry.box;
    }
  }
  // Only what is drawn counts: an empty full-canvas layer must not make
  // its group's offscreen copy canvas-sized.
  QRectF box;
  const QColor background = values.get<QColor>(*this, "backgroundColor", {});
  const QSizeF size = values.get<QSizeF>(*this, "bounds", {});
  if (background.isValid() && background.alpha() > 0) {
    box = QRectF(QPointF(), size);
  } else if (!size.isEmpty()) {
    // Pictures drawn on a whole canvas are mostly clear: only what they
    // cover counts (y-up layer space, the image's rows top first), and the
    // picture fading out counts as well.
    const auto cover = [&](const QImage& image) {
      const QRect opaque = image.isNull() ? QRect() : opaqueArea(image);
      if (opaque.isEmpty()) return;
      const double sx = size.width() / image.width();
      const double sy = size.height() / image.height();
      // A pixel of margin for the filtering at the picture's edges.
      const QRectF area(sx * (opaque.left() - 1), size.height() - sy * (opaque.bottom() + 2),
                        sx * (opaque.width() + 2), sy * (opaque.height() + 2));
      box = box.isNull() ? area : box.united(area);
    };
    cover(values.get<QImage>(*this, "contents", {}));
    if (values.isPresentation() && animations_) {
      if (auto fade = animations_->contentsFade(values.time())) cover(fade->from);
    }
  }
  const QRectF own = ownContentBounds(values);
  if (!own.isNull()) box = box.isNull() ? own : box.united(own);
  for (size_t i = skip; i < sublayers_.size(); ++i) {
    const Layer* sub = sublayers_[i].get();
    if (sub->hidden_) continue;
    QRectF subBox = sub->subtreeBounds(values);
    if (subBox.isNull()) continue;
    subBox = sub->transformToSuperlayer(values).mapRect(sub->withShadow(subBox, values));
    box = box.isNull() ? subBox : box.united(subBox);
  }
  if (mask_) {
    const QRectF maskBox =
        mask_->transformToSuperlayer(values).mapRect(mask_->subtreeBounds(values));
    box = box.intersected(maskBox);
  }
  return box;
}

QRectF Layer::withShadow(const QRectF& box, const LayerValues& values) const {
  if (box.isNull() || !(values.get<double>(*this, "shadowOpacity", 0) > 0)) return box;
  const double blur = std::max(0.0, values.get<double>(*this, "shadowRadius", 0)) * 1.5 + 1;
  const QPointF offset = values.get<QPointF>(*this, "shadowOffset", {});
  return box.united(box.translated(offset).adjusted(-blur, -blur, blur, blur));
}

void Layer::hashLook(const LayerValues& values, bool placement, uint64_t& hash, size_t skip) const {
  mix(hash, reinterpret_cast<uintptr_t>(this));
  mix(hash, hidden_ ? 1 : 0);
  if (hidden_) return;
  mix(hash, lookVersion_);
  if (placement) mix(hash, placementVersion_);
  // With the model's versions, which step each animation shows decides every
  // value, unless something moves smoothly: then the values do.
  if (values.isPresentation() && animations_ &&
      !animations_->hashLook(values.time(), placement, hash)) {
    for (const auto& entry : values_) {
      if (!placement && isPlacementKey(entry.key)) continue;
      mixValue(hash, values.get(*this, entry.key));
    }
    if (auto fade = animations_->contentsFade(values.time())) {
      mix(hash, static_cast<uint64_t>(fade->from.cacheKey()));
      mixDouble(hash, fade->progress);
    }
  }
  mix(hash, skip);
  mix(hash, sublayers_.size());
  for (size_t i = skip; i < sublayers_.size(); ++i) sublayers_[i]->hashLook(values, true, hash);
  if (mask_) mask_->hashLook(values, true, hash);
}

bool Layer::renderRasterized(QPainter& painter, const LayerValues& values, double opacity) const {
  const QTransform world = painter.combinedTransform();
  if (!world.isInvertible() || world.type() == QTransform::TxProject) return false;
  const double r = rasterScale_;
  // A changing group at the bottom (a loop of its own pictures) is drawn
  // beneath the picture, so that the picture can stay as it is.
  const size_t apart = leadingDrawnApart(painter, values, opacity);
  for (size_t i = 0; i < apart; ++i) sublayers_[i]->render(painter, values);
  // The picture's box follows from its look, so a known look needs no
  // bounds worked out.
  const uint64_t key = rasterKey(values, apart);
  // Without a picture the rest is drawn directly (by the caller when
  // nothing was drawn apart).
  const auto direct = [&] {
    if (apart == 0) return false;
    drawLayerAndSublayers(painter, values, apart);
    return true;
  };

  if (!raster_) raster_ = std::make_unique<RasterCache>();
  RasterCache& cache = *raster_;
  auto hit = std::find_if(cache.entries.begin(), cache.entries.end(),
                          [&](const RasterCache::Entry& e) { return e.key == key; });
  ++cache.lookups;
  if (hit != cache.entries.end()) {
    hit->reused = true;
    hit->lastUsed = cache.lookups;
    cache.entries.splice(cache.entries.begin(), cache.entries, hit);
  } else {
    const QRectF drawn = subtreeBounds(values, apart);
    const QRectF box = withShadow(drawn, values);
    if (box.isNull()) return true;  // nothing to draw
    const QRectF pixels = QTransform::fromScale(r, -r).mapRect(box);
    if (!(pixels.width() <= kRasterMaxSide) || !(pixels.height() <= kRasterMaxSide) ||
        !(std::abs(pixels.left()) < 1e7) || !(std::abs(pixels.top()) < 1e7)) {
      return direct();
    }
    // A clear pixel all round, so that the picture's own edge is never cut.
    const int ox = static_cast<int>(std::floor(pixels.left())) - 1;
    const int oy = static_cast<int>(std::floor(pixels.top())) - 1;
    const int w = static_cast<int>(std::ceil(pixels.right())) + 1 - ox;
    const int h = static_cast<int>(std::ceil(pixels.bottom())) + 1 - oy;
    if (w <= 0 || h <= 0) return true;
    RasterCache::Entry entry;
    // The memory of a picture that goes is drawn over again when it fits.
    entry.image = cache.makeRoom(rasterEntries_, QSize(w, h));
    if (entry.image.isNull()) entry.image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
    if (entry.image.isNull()) return direct();
    entry.image.fill(Qt::transparent);
    {
      QPainter p(&entry.image);
      p.setRenderHints(painter.renderHints());
      p.setTransform(QTransform::fromScale(r, -r) * QTransform::fromTranslate(-ox, -oy));
      if (mask_ || values.get<double>(*this, "shadowOpacity", 0) > 0) {
        renderThroughOffscreen(p, values, 1.0);
      } else {
        drawLayerAndSublayers(p, values, apart);
      }
    }
    entry.key = key;
    entry.origin = QPoint(ox, oy);
    entry.box = drawn;
    entry.lastUsed = cache.lookups;
    ++cache.draws;
    cache.entries.push_front(std::move(entry));
  }
  const RasterCache::Entry& shown = cache.entries.front();
  const QTransform imageToLayer = QTransform::fromTranslate(shown.origin.x(), shown.origin.y()) *
                                  QTransform::fromScale(1 / r, -1 / r);
  drawImageThrough(painter, shown.image, imageToLayer * world, opacity);
  return true;
}

void Layer::renderThroughOffscreen(QPainter& painter, const LayerValues& values,
                                   double opacity) const {
  const QTransform world = painter.combinedTransform();
  const double shadowOpacity = std::min(values.get<double>(*this, "shadowOpacity", 0), 1.0);
  // Shadow geometry in device pixels, bounded so that a hostile value can
  // neither overflow nor ask for an absurd offscreen image.
  constexpr double limit = 4096;
  const auto bounded = [&](double v) {
    return std::isfinite(v) ? std::clamp(v, -limit, limit) : 0.0;
  };
  const double shadowBlur =
      std::max(0.0, bounded(values.get<double>(*this, "shadowRadius", 0) * lengthScale(world)));
  const QPointF rawOffset =
      world.map(values.get<QPointF>(*this, "shadowOffset", {})) - world.map(QPointF(0, 0));
  const QPointF shadowOffset(bounded(rawOffset.x()), bounded(rawOffset.y()));
  QRect visible = deviceRect(painter);
  if (shadowOpacity > 0) {
    // Content just outside the device can still cast a shadow inside it.
    const int reach = static_cast<int>(std::ceil(shadowBlur * 1.5 + std::abs(shadowOffset.x()) +
                                                 std::abs(shadowOffset.y()))) +
                      1;
    visible.adjust(-reach, -reach, reach, reach);
  }
  // Intersect before rounding: a far-flung subtree must not overflow ints.
  const QRectF mapped = world.mapRect(subtreeBounds(values));
  if (!std::isfinite(mapped.width()) || !std::isfinite(mapped.height())) return;
  const QRect area = mapped.intersected(QRectF(visible)).toAlignedRect().intersected(visible);
  if (area.isEmpty()) return;

  const QTransform toImage = world * QTransform::fromTranslate(-area.x(), -area.y());
  // Without a shadow (which needs the masked picture), a plain path mask
  // is applied while compositing: the picture fills the path.
  QPainterPath maskShape;
  const bool shapeMask = mask_ && !(shadowOpacity > 0) && !mask_->hidden_ &&
                         mask_->sublayers_.empty() && !mask_->mask_ &&
                         values.get<double>(*mask_, "opacity", 1) >= 1 &&
                         !(values.get<double>(*mask_, "shadowOpacity", 0) > 0) &&
                         !(values.isPresentation() && mask_->animations_ &&
                           mask_->animations_->contentsFade(values.time())) &&
                         mask_->opaqueFillShape(values, maskShape);
  QImage image(area.size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  {
    QPainter p(&image);
    p.setRenderHints(painter.renderHints());
    p.setTransform(toImage);
    drawLayerAndSublayers(p, values);
    if (mask_ && !shapeMask) {
      QImage maskImage(area.size(), QImage::Format_ARGB32_Premultiplied);
      maskImage.fill(Qt::transparent);
      {
        QPainter m(&maskImage);
        m.setRenderHints(painter.renderHints() | QPainter::Antialiasing);
        m.setTransform(toImage);
        mask_->render(m, values);
      }
      p.resetTransform();
      p.setCompositionMode(QPainter::CompositionMode_DestinationIn);
      p.drawImage(0, 0, maskImage);
    }
  }

  painter.save();
  setDeviceTransform(painter, {});
  painter.setOpacity(painter.opacity() * opacity);
  if (shadowOpacity > 0) {
    QColor color = values.get<QColor>(*this, "shadowColor", QColor(Qt::black));
    color.setAlphaF(static_cast<float>(color.alphaF() * shadowOpacity));
    const SoftShadow shadow = makeSoftShadow(image, color, shadowBlur);
    painter.drawImage(
        QPointF(area.topLeft()) + shadowOffset - QPointF(shadow.margin, shadow.margin),
        shadow.image);
  }
  if (shapeMask) {
    const QTransform toMask = mask_->transformToSuperlayer(values) * world;
    QBrush picture(image);
    picture.setTransform(QTransform::fromTranslate(area.x(), area.y()));
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(picture);
    painter.setClipRect(area, Qt::IntersectClip);
    painter.drawPath(toMask.map(maskShape));
  } else {
    painter.drawImage(area.topLeft(), image);
  }
  painter.restore();
}

}  // namespace pimble
