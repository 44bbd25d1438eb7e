#include "companion/companion_placement.h"

#include <algorithm>
#include <cmath>

namespace pimble::CompanionPlacement {
namespace {

// Half-open, so a point on the seam between two side-by-side displays
// belongs to exactly one of them.
bool holds(const QRectF& r, QPointF p) {
  return p.x() >= r.x() && p.x() < r.x() + r.width() && p.y() >= r.y() &&
         p.y() < r.y() + r.height();
}

double overlapArea(const QRectF& a, const QRectF& b) {
  const double w = std::min(a.x() + a.width(), b.x() + b.width()) - std::max(a.x(), b.x());
  const double h = std::min(a.y() + a.height(), b.y() + b.height()) - std::max(a.y(), b.y());
  return (w > 0 && h > 0) ? w * h : 0;
}

QPointF fallbackCorner(QSizeF size, const ScreenList& screens) {
  return cornerOrigin(CompanionCorner::bottomRight, size, screens.front().visibleFrame);
}

}  // namespace

QSizeF windowSize(CompanionSize size) {
  double art = 130;
  switch (size) {
    case CompanionSize::small:
      art = 100;
      break;
    case CompanionSize::medium:
      art = 130;
      break;
    case CompanionSize::large:
      art = 160;
      break;
  }
  // 232 of the canvas's 310 units are the art; the window is 300/310 of its
  // height wide. std::round rounds halves away from zero.
  const double h = std::round(art / (232.0 / 310.0));
  const double w = std::round(h * 300.0 / 310.0);
  return {w, h};
}

std::optional<ScreenInfo> screen(const QRectF& window, const ScreenList& screens) {
  const QPointF centre(window.x() + window.width() * 0.5, window.y() + window.height() * 0.5);
  for (const ScreenInfo& s : screens) {
    if (holds(s.frame, centre)) return s;
  }
  if (screens.empty()) return std::nullopt;
  const ScreenInfo* best = &screens.front();
  double bestArea = overlapArea(best->frame, window);
  for (const ScreenInfo& s : screens) {
    const double area = overlapArea(s.frame, window);
    if (area > bestArea) {
      best = &s;
      bestArea = area;
    }
  }
  return *best;
}

QPointF keepOnScreen(QPointF origin, QSizeF size, const QRectF& visible) {
  const double w = size.width();
  const double h = size.height();
  const double loX = visible.x() - 0.4 * w;
  const double loY = visible.y() - 0.4 * h;
  const double hiX = visible.x() + visible.width() - 0.6 * w;
  const double hiY = visible.y() + visible.height() - 0.6 * h;
  return {std::min(hiX, std::max(origin.x(), loX)), std::min(hiY, std::max(origin.y(), loY))};
}

QPointF cornerOrigin(CompanionCorner corner, QSizeF size, const QRectF& visible) {
  const bool right = corner == CompanionCorner::bottomRight || corner == CompanionCorner::topRight;
  const bool top = corner == CompanionCorner::topRight || corner == CompanionCorner::topLeft;
  const double x = right ? visible.x() + visible.width() - size.width() - cornerMargin
                         : visible.x() + cornerMargin;
  const double y = top ? visible.y() + visible.height() - size.height() - cornerMargin
                       : visible.y() + cornerMargin;
  return {x, y};
}

QPointF resolve(const std::optional<CompanionPosition>& saved, QSizeF size,
                const ScreenList& screens) {
  if (screens.empty()) return {0, 0};
  if (!saved) return fallbackCorner(size, screens);
  // A position that is not a finite number cannot be placed: the corner
  // instead of off to nowhere.
  if (!std::isfinite(saved->originX) || !std::isfinite(saved->originY)) {
    return fallbackCorner(size, screens);
  }
  const ScreenInfo* chosen = nullptr;
  if (saved->displayID) {
    for (const ScreenInfo& s : screens) {
      if (s.id == *saved->displayID) {
        chosen = &s;
        break;
      }
    }
  }
  if (chosen == nullptr) {
    const QPointF centre(saved->originX + size.width() * 0.5, saved->originY + size.height() * 0.5);
    for (const ScreenInfo& s : screens) {
      if (holds(s.frame, centre)) {
        chosen = &s;
        break;
      }
    }
  }
  if (chosen == nullptr) return fallbackCorner(size, screens);
  return keepOnScreen({saved->originX, saved->originY}, size, chosen->visibleFrame);
}

CompanionPosition migrate(const CompanionPosition& position, QSizeF size) {
  if (position.layoutVersion) return position;
  CompanionPosition migrated = position;
  const double artWidth = 220.0 * size.height() / 310.0;
  migrated.originX += 0.5 * (artWidth - size.width());
  migrated.layoutVersion = layoutVersion;
  return migrated;
}

CompanionPosition position(const QRectF& window, const ScreenList& screens) {
  CompanionPosition p;
  p.originX = window.x();
  p.originY = window.y();
  if (auto s = screen(window, screens)) p.displayID = s->id;
  p.layoutVersion = layoutVersion;
  return p;
}

}  // namespace pimble::CompanionPlacement
