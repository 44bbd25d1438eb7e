#include "companion/cursor_follower.h"

#include <QCursor>
#include <QGuiApplication>
#include <cmath>

#include "companion/screen_space.h"
#include "companion/uptime.h"

namespace pimble {

std::optional<QPointF> EyeLook::offset(QPointF eye, QPointF cursor) {
  const QPointF d = cursor - eye;
  const double r = std::hypot(d.x(), d.y());
  if (!std::isfinite(r) || r >= 500) return std::nullopt;
  if (r <= 12) return QPointF(0, 0);
  const double m = 4.5 * std::min(r / 140.0, 1.0);
  return QPointF(d.x() / r * m, d.y() / r * m * 0.8);
}

CursorFollower::Environment CursorFollower::liveEnvironment() {
  Environment env;
  env.uptime = &uptimeSeconds;
  env.cursor = []() -> std::optional<QPointF> {
    if (QGuiApplication::primaryScreen() == nullptr) return std::nullopt;
    return ScreenSpace::current().fromQt(QPointF(QCursor::pos()));
  };
  return env;
}

CursorFollower::CursorFollower(Environment environment) : env_(std::move(environment)) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setInterval(int(samplePeriod * 1000));
  QObject::connect(&timer_, &QTimer::timeout, [this] { sample(); });
}

void CursorFollower::start() {
  if (following_) return;
  following_ = true;
  // The pointer's place now is where movement is measured from.
  lastCursor_ = env_.cursor ? env_.cursor() : std::nullopt;
  if (env_.sampleOnTimer) timer_.start();
}

void CursorFollower::stop() {
  if (!following_) return;
  following_ = false;
  timer_.stop();
  recentreAt_.reset();
  if (lastOffset_) look(std::nullopt);
}

void CursorFollower::sample() {
  if (!following_ || !env_.uptime) return;
  const double now = env_.uptime();
  const std::optional<QPointF> cursor = env_.cursor ? env_.cursor() : std::nullopt;
  if (cursor && cursor != lastCursor_) handleMovement(now, *cursor);
  if (recentreAt_ && now >= *recentreAt_) {
    recentreAt_.reset();
    if (lastOffset_) look(std::nullopt);
  }
}

void CursorFollower::handleMovement(double now, QPointF cursor) {
  // At most 20 movements a second; a skipped one is seen again on the next
  // sample because the pointer still differs from the last handled place.
  // The tolerance keeps a timer tick that comes a hair early from being
  // dropped, which would halve the rate.
  if (handledOnce_ && now - lastHandled_ < samplePeriod - 0.002) return;
  handledOnce_ = true;
  lastHandled_ = now;
  lastCursor_ = cursor;
  const std::optional<QPointF> eye = eyeScreenPoint ? eyeScreenPoint() : std::nullopt;
  if (!eye) return;
  const std::optional<QPointF> o = EyeLook::offset(*eye, cursor);
  if (o != lastOffset_) look(o);
  recentreAt_ = now + recentreDelay;
}

void CursorFollower::look(std::optional<QPointF> offset) {
  lastOffset_ = offset;
  if (onLook) onLook(offset);
}

}  // namespace pimble
