#include "bubbles/companion_anchor.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace pimble {
namespace {

// Qt's y of the primary screen's bottom edge and x of its left edge.
QPointF primaryOrigin() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary == nullptr) return {};
  const QRect g = primary->geometry();
  return {double(g.x()), double(g.y()) + g.height()};
}

QRectF fromQt(const QRectF& qt) {
  const QPointF o = primaryOrigin();
  return {qt.x() - o.x(), o.y() - (qt.y() + qt.height()), qt.width(), qt.height()};
}

}  // namespace

std::optional<QRectF> WidgetAnchor::frame() const {
  if (window_ == nullptr) return std::nullopt;
  return fromQt(QRectF(window_->geometry()));
}

std::optional<QRectF> WidgetAnchor::visibleFrame() const {
  const QScreen* screen = window_ != nullptr ? window_->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return std::nullopt;
  return fromQt(QRectF(screen->availableGeometry()));
}

bool WidgetAnchor::isVisible() const {
  return window_ != nullptr && window_->isVisible();
}

bool WidgetAnchor::alwaysOnTop() const {
  return window_ != nullptr && window_->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

QRect WidgetAnchor::toQt(const QRectF& up) const {
  const QPointF o = primaryOrigin();
  const QRectF qt(up.x() + o.x(), o.y() - (up.y() + up.height()), up.width(), up.height());
  return QRect(int(std::lround(qt.x())), int(std::lround(qt.y())), int(std::lround(qt.width())),
               int(std::lround(qt.height())));
}

}  // namespace pimble
