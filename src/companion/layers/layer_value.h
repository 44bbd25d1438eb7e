#pragma once

#include <QColor>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QSizeF>
#include <QTransform>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace pimble {

// A layer's transform kept as components rather than a matrix, so that a
// negative x scale (a mirrored figure) survives animation without matrix
// decomposition. The matrix is T·R·S: scale first, then rotate, then move.
// Rotation is in radians, counter-clockwise in the y-up layer space.
struct LayerTransform {
  double tx = 0;
  double ty = 0;
  double rotation = 0;
  double sx = 1;
  double sy = 1;

  static LayerTransform rotated(double radians) { return {0, 0, radians, 1, 1}; }
  static LayerTransform scaled(double x, double y) { return {0, 0, 0, x, y}; }
  static LayerTransform translated(double x, double y) { return {x, y, 0, 1, 1}; }

  QTransform matrix() const;
  bool isIdentity() const { return *this == LayerTransform{}; }
  bool isFinite() const;
  friend bool operator==(const LayerTransform&, const LayerTransform&) = default;
};

using ColorList = std::vector<QColor>;
using NumberList = std::vector<double>;

// Every value a layer property can hold. An empty value (monostate) means
// "not set"; readers fall back to the property's default.
using LayerValue = std::variant<std::monostate, double, QPointF, QSizeF, QColor, LayerTransform,
                                QPainterPath, QImage, ColorList, NumberList>;

// "transform.rotation.z" → {"transform", "rotation.z"}; "opacity" → {"opacity", ""}.
std::pair<std::string_view, std::string_view> splitKeyPath(std::string_view keyPath);

// The keys that place a layer in its superlayer, and its opacity: they move
// or fade what the layer draws without changing it.
bool isPlacementKey(std::string_view key);

// One component of a stored value: "x"/"y" of a point; of a transform
// "rotation" or "rotation.z", "scale" (the mean of both factors), "scale.x",
// "scale.y", "translation" (a point), "translation.x", "translation.y".
// Empty when the component names nothing in that value.
LayerValue componentOf(const LayerValue& value, std::string_view component);

// Writes one component (same names as componentOf; "scale" sets both
// factors). Returns false, leaving the value unchanged, when the component
// or the part's type does not fit.
bool setComponent(LayerValue& value, std::string_view component, const LayerValue& part);

// Reads a value as T, or gives the fallback when it holds something else.
template <class T>
T valueAs(const LayerValue& value, T fallback) {
  if (const T* held = std::get_if<T>(&value)) return *held;
  return fallback;
}

inline QColor srgb(double r, double g, double b, double a = 1) {
  return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b),
                          static_cast<float>(a));
}

}  // namespace pimble
