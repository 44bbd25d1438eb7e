#pragma once

// The character's layer tree: a small retained scene of layers in y-up
// coordinates, painted with QPainter.
//
// How the animation half plugs in:
// - Every animatable property lives in one keyed store per layer
//   (`setValue`/`modelValue`, keys such as "position", "opacity",
//   "transform", "path", "fillColor", "colors"). The typed setters are thin
//   wrappers over `setValue`, so a model change has exactly one entry point:
//   implicit animation (inside a transaction, unless the key is in
//   `disabledActions()`) hooks in there, reading the presentation value as
//   its start before the store changes. Sub-key paths ("position.x",
//   "transform.rotation.z", "transform.scale") write one component of the
//   stored value (see layer_value.h).
// - Painting never reads the store directly: it asks a `LayerValues` source.
//   `renderModel` uses the model source; `paint(painter, time)` uses the
//   presentation source, which calls the virtual `presentationValue(key,
//   time)`. Its default is the model value; the animation half composes the
//   layer's animations on the model value per key there.
// - `contents` is read through the same path, so a fade transition can
//   replace `drawContents` or answer a blended image for "contents".
// Structure (name, sublayers, hidden, mask, disabled actions) is not
// animatable and lives in plain fields.

#include <QPainter>
#include <QRectF>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "companion/layers/animation.h"
#include "companion/layers/layer_value.h"

namespace pimble {

class Layer;
class AnimationStack;
using LayerPtr = std::shared_ptr<Layer>;

// Where painting reads property values: the model values, or the
// presentation values at a media time.
class LayerValues {
 public:
  static LayerValues model() { return LayerValues(false, 0); }
  static LayerValues presentation(double time) { return LayerValues(true, time); }

  LayerValue get(const Layer& layer, std::string_view key) const;
  template <class T>
  T get(const Layer& layer, std::string_view key, T fallback) const {
    return valueAs<T>(get(layer, key), fallback);
  }
  bool isPresentation() const { return presentation_; }
  double time() const { return time_; }

 private:
  LayerValues(bool presentation, double time) : presentation_(presentation), time_(time) {}
  bool presentation_;
  double time_;
};

class Layer : public std::enable_shared_from_this<Layer> {
 public:
  Layer();
  virtual ~Layer();
  Layer(const Layer&) = delete;
  Layer& operator=(const Layer&) = delete;

  static LayerPtr make() { return std::make_shared<Layer>(); }

  // Tree.
  const std::string& name() const { return name_; }
  void setName(std::string name) { name_ = std::move(name); }
  const std::vector<LayerPtr>& sublayers() const { return sublayers_; }
  Layer* superlayer() const { return superlayer_; }
  void addSublayer(const LayerPtr& layer);
  // Inserts directly above `sibling` (or on top when it is not a sublayer).
  void insertSublayer(const LayerPtr& layer, const Layer* above);
  void removeFromSuperlayer();
  // The first direct sublayer with this name, or null.
  LayerPtr sublayerNamed(std::string_view name) const;

  // Keyed property store. A key path may name a component ("position.x").
  void setValue(std::string_view keyPath, LayerValue value);
  LayerValue modelValue(std::string_view keyPath) const;
  // The value painted at `time`: the model value with the layer's
  // animations composed on it.
  virtual LayerValue presentationValue(std::string_view key, double time) const;
  // Every key that holds a model value, for the animation half to walk.
  std::vector<std::string> storedKeys() const;

  // Keys whose changes never animate implicitly.
  void disableActions(std::initializer_list<std::string_view> keys);
  bool actionsDisabled(std::string_view key) const;

  // Geometry. Layer coordinates are y-up with the origin at the bottom left
  // of the bounds; position places the anchor point in the superlayer.
  QSizeF bounds() const { return valueAs<QSizeF>(modelValue("bounds"), {}); }
  void setBounds(QSizeF size) { setValue("bounds", size); }
  QPointF position() const { return valueAs<QPointF>(modelValue("position"), {}); }
  void setPosition(QPointF p) { setValue("position", p); }
  QPointF anchorPoint() const { return valueAs<QPointF>(modelValue("anchorPoint"), {}); }
  void setAnchorPoint(QPointF unit) { setValue("anchorPoint", unit); }
  LayerTransform transform() const { return valueAs<LayerTransform>(modelValue("transform"), {}); }
  void setTransform(const LayerTransform& t) { setValue("transform", t); }
  double opacity() const { return valueAs<double>(modelValue("opacity"), 1); }
  void setOpacity(double o) { setValue("opacity", o); }
  bool isHidden() const { return hidden_; }
  void setHidden(bool hidden);

  // Appearance.
  QImage contents() const { return valueAs<QImage>(modelValue("contents"), {}); }
  void setContents(const QImage& image) { setValue("contents", image); }
  double contentsScale() const { return valueAs<double>(modelValue("contentsScale"), 1); }
  void setContentsScale(double scale) { setValue("contentsScale", scale); }
  QColor backgroundColor() const { return valueAs<QColor>(modelValue("backgroundColor"), {}); }
  void setBackgroundColor(const QColor& c) { setValue("backgroundColor", c); }
  void setCornerRadius(double r) { setValue("cornerRadius", r); }
  void setShadowColor(const QColor& c) { setValue("shadowColor", c); }
  void setShadowOpacity(double o) { setValue("shadowOpacity", o); }
  void setShadowRadius(double r) { setValue("shadowRadius", r); }
  void setShadowOffset(QPointF offset) { setValue("shadowOffset", offset); }

  // A layer whose alpha clips this layer's whole subtree, placed in this
  // layer's coordinates as a sublayer would be. Antialiased.
  const LayerPtr& mask() const { return mask_; }
  void setMask(LayerPtr mask);

  // Rasterizing: painting draws the subtree once into a picture of the
  // layer's own coordinates, `rasterizationScale` pixels a unit, and
  // composites that picture; it is drawn again only when the subtree looks
  // different. Up to `rasterCacheEntries` looks are kept, so a motion that
  // loops through a fixed set of frames draws each frame once. The layer's
  // own position, transform and opacity apply to the picture.
  bool shouldRasterize() const { return shouldRasterize_; }
  void setShouldRasterize(bool on);
  double rasterizationScale() const { return rasterScale_; }
  void setRasterizationScale(double scale);
  int rasterCacheEntries() const { return rasterEntries_; }
  void setRasterCacheEntries(int entries);
  // Pictures drawn for this layer so far (a cache miss each).
  long rasterDraws() const;

  // Animations (see animation.h), composed in the order they were added.
  // Adding under a key replaces the animation under that key.
  void addAnimation(AnimationPtr animation, std::string key);
  void removeAnimation(std::string_view key);
  void removeAllAnimations();
  // Removes every animation whose key begins with `prefix`.
  void removeAnimations(std::string_view prefix);
  std::vector<std::string> animationKeys() const;
  AnimationPtr animationForKey(std::string_view key) const;
  // The earliest time at or after `now` when the subtree's presentation may
  // change (`now` while something moves smoothly, else the next step of a
  // stepping motion), raising `frameRate` to what the
  // running animations need; infinity when nothing is scheduled to change.
  double nextPresentationChange(double now, double& frameRate) const;

  // Something in this tree changed: tells the root's display handler.
  void setNeedsDisplay() const;
  // Set on a root layer by whoever paints it (the frame driver).
  void setOnNeedsDisplay(std::function<void()> handler) { onNeedsDisplay_ = std::move(handler); }

  // Draws the tree with presentation values, the root flipped once so that
  // its bounds fill (0, 0, width, height) of a y-down painter.
  void paint(QPainter& painter, double time) const;
  // The same with model values (render tools, still pictures).
  void renderModel(QPainter& painter) const;
  // Model values into a transparent image of `pixels`, `scale` pixels a unit.
  QImage renderModelImage(QSize pixels, double scale) const;

  // Draws this layer and its subtree in its superlayer's y-up coordinates.
  void render(QPainter& painter, const LayerValues& values) const;
  // Maps this layer's coordinates into its superlayer's.
  QTransform transformToSuperlayer(const LayerValues& values) const;

 protected:
  // What a layer type draws above its background and contents and below
  // its sublayers, in its own coordinates.
  virtual void drawOwnContent(QPainter& painter, const LayerValues& values) const;
  // The area drawOwnContent may touch, in layer coordinates.
  virtual QRectF ownContentBounds(const LayerValues& values) const;
  virtual void drawContents(QPainter& painter, const LayerValues& values) const;
  // As a mask, whether this layer's alpha is exactly an opaque, antialiased
  // fill of one path (in its own coordinates): then the masked layer fills
  // that path with its offscreen picture instead of compositing a rendered
  // mask image, which costs two full-area passes more per frame.
  virtual bool opaqueFillShape(const LayerValues& values, QPainterPath& shape) const;
  // A layer type's own drawing settings (not keyed values) changed.
  void settingsChanged();

 private:
  // Skipping the first `skip` sublayers (drawn apart, see `leadingDrawnApart`).
  void drawLayerAndSublayers(QPainter& painter, const LayerValues& values, size_t skip = 0) const;
  void renderThroughOffscreen(QPainter& painter, const LayerValues& values, double opacity) const;
  // A conservative box of everything the subtree draws, in layer coordinates.
  QRectF subtreeBounds(const LayerValues& values, size_t skip = 0) const;
  // `box` grown by the area this layer's shadow may cover.
  QRectF withShadow(const QRectF& box, const LayerValues& values) const;
  // Draws through the raster cache; false when it cannot (then the caller
  // draws directly).
  bool renderRasterized(QPainter& painter, const LayerValues& values, double opacity) const;
  // Folds everything that decides how the subtree looks into `hash`; the
  // layer's own placement and opacity only when `placement`.
  void hashLook(const LayerValues& values, bool placement, uint64_t& hash, size_t skip = 0) const;
  // What tells this layer's pictures apart: its look and the raster scale.
  uint64_t rasterKey(const LayerValues& values, size_t skip = 0) const;
  // How many of the first sublayers a rasterized layer drawn at `opacity`
  // draws on their own, beneath its picture, rather than into it.
  size_t leadingDrawnApart(const QPainter& painter, const LayerValues& values,
                           double opacity) const;

  static uint64_t freshVersion();

  std::string name_;
  // Numbers that change with every change to the model: of the layer's
  // own look (its values other than placement, its type's settings, its
  // sublayers and mask) and of its placement. One counter for both, so no
  // two states of any layers share a number.
  uint64_t lookVersion_;
  uint64_t placementVersion_;
  // A handful of properties a layer, read many times a frame: a short
  // contiguous list scanned in place beats a tree of nodes, and the
  // geometry read by every layer comes first.
  struct StoredValue {
    std::string key;
    LayerValue value;
  };
  std::vector<StoredValue> values_;
  const LayerValue* stored(std::string_view key) const;
  LayerValue* stored(std::string_view key);
  std::set<std::string, std::less<>> disabledActions_;
  std::vector<LayerPtr> sublayers_;
  Layer* superlayer_ = nullptr;
  LayerPtr mask_;
  bool hidden_ = false;
  std::unique_ptr<AnimationStack> animations_;
  std::function<void()> onNeedsDisplay_;
  bool shouldRasterize_ = false;
  double rasterScale_ = 1;
  int rasterEntries_ = 1;
  struct RasterCache;
  mutable std::unique_ptr<RasterCache> raster_;
};

}  // namespace pimble
