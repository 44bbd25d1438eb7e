#include "companion/layers/layer_value.h"

#include <cmath>

namespace pimble {

QTransform LayerTransform::matrix() const {
  QTransform m;
  m.translate(tx, ty);
  m.rotateRadians(rotation);
  m.scale(sx, sy);
  return m;
}

bool LayerTransform::isFinite() const {
  return std::isfinite(tx) && std::isfinite(ty) && std::isfinite(rotation) && std::isfinite(sx) &&
         std::isfinite(sy);
}

std::pair<std::string_view, std::string_view> splitKeyPath(std::string_view keyPath) {
  const auto dot = keyPath.find('.');
  if (dot == std::string_view::npos) return {keyPath, {}};
  return {keyPath.substr(0, dot), keyPath.substr(dot + 1)};
}

LayerValue componentOf(const LayerValue& value, std::string_view component) {
  if (const auto* point = std::get_if<QPointF>(&value)) {
    if (component == "x") return point->x();
    if (component == "y") return point->y();
    return {};
  }
  if (const auto* t = std::get_if<LayerTransform>(&value)) {
    if (component == "rotation" || component == "rotation.z") return t->rotation;
    if (component == "scale") return (t->sx + t->sy) / 2;
    if (component == "scale.x") return t->sx;
    if (component == "scale.y") return t->sy;
    if (component == "translation") return QPointF(t->tx, t->ty);
    if (component == "translation.x") return t->tx;
    if (component == "translation.y") return t->ty;
  }
  if (const auto* size = std::get_if<QSizeF>(&value)) {
    if (component == "width") return size->width();
    if (component == "height") return size->height();
  }
  return {};
}

bool isPlacementKey(std::string_view key) {
  return key == "position" || key == "transform" || key == "anchorPoint" || key == "opacity";
}

bool setComponent(LayerValue& value, std::string_view component, const LayerValue& part) {
  const double* number = std::get_if<double>(&part);
  if (auto* point = std::get_if<QPointF>(&value)) {
    if (number == nullptr) return false;
    if (component == "x") {
      point->setX(*number);
      return true;
    }
    if (component == "y") {
      point->setY(*number);
      return true;
    }
    return false;
  }
  if (auto* t = std::get_if<LayerTransform>(&value)) {
    if (component == "translation") {
      const auto* p = std::get_if<QPointF>(&part);
      if (p == nullptr) return false;
      t->tx = p->x();
      t->ty = p->y();
      return true;
    }
    if (number == nullptr) return false;
    if (component == "rotation" || component == "rotation.z") {
      t->rotation = *number;
    } else if (component == "scale") {
      t->sx = t->sy = *number;
    } else if (component == "scale.x") {
      t->sx = *number;
    } else if (component == "scale.y") {
      t->sy = *number;
    } else if (component == "translation.x") {
      t->tx = *number;
    } else if (component == "translation.y") {
      t->ty = *number;
    } else {
      return false;
    }
    return true;
  }
  if (auto* size = std::get_if<QSizeF>(&value)) {
    if (number == nullptr) return false;
    if (component == "width") {
      size->setWidth(*number);
      return true;
    }
    if (component == "height") {
      size->setHeight(*number);
      return true;
    }
  }
  return false;
}

}  // namespace pimble
