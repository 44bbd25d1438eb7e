#include "companion/cursor_follower.h"

#include <QCursor>
#include <QGuiApplication>
#include <cmath>

#include "companion/pointer_motion.h"
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
  // One watch for the process, connected when first asked.
  auto watch = std::make_shared<std::unique_ptr<PointerMotionWatch>>();
  env.watchMotion = [watch](std::function<void()> onMotion) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    if (!*watch) *watch = std::make_unique<PointerMotionWatch>();
    return (*watch)->watchOnce(std::move(onMotion));
  };
  env.stopWatchingMotion = [watch] {
    if (*watch) (*watch)->cancel();
  };
  return env;
}

CursorFollower::CursorFollower(Environment environment) : env_(std::move(environment)) {
  timer_.setTimerType(Qt::PreciseTimer);
  timer_.setSingleShot(true);
  QObject::connect(&timer_, &QTimer::timeout, [this] { sample(); });
}

CursorFollower::~CursorFollower() {
  if (watchingMotion_ && env_.stopWatchingMotion) env_.stopWatchingMotion();
}

void CursorFollower::start() {
  if (following_) return;
  following_ = true;
  // The pointer's place now is where movement is measured from.
  lastCursor_ = lastSeen_ = env_.cursor ? env_.cursor() : std::nullopt;
  rest(env_.uptime ? env_.uptime() : 0);
}

void CursorFollower::stop() {
  if (!following_) return;
  following_ = false;
  fast_ = false;
  timer_.stop();
  nextDelay_.reset();
  if (watchingMotion_) {
    watchingMotion_ = false;
    if (env_.stopWatchingMotion) env_.stopWatchingMotion();
  }
  recentreAt_.reset();
  if (lastOffset_) look(std::nullopt);
}

void CursorFollower::pointerMoved() {
  watchingMotion_ = false;
  if (!following_ || !env_.uptime) return;
  const double now = env_.uptime();
  fast_ = true;
  lastMovedAt_ = now;
  sample();
}

void CursorFollower::sample() {
  if (!following_ || !env_.uptime) return;
  const double now = env_.uptime();
  const std::optional<QPointF> cursor = env_.cursor ? env_.cursor() : std::nullopt;
  if (cursor && cursor != lastSeen_) {
    lastSeen_ = cursor;
    lastMovedAt_ = now;
    // Seen by a slow look: sample fast from here on.
    if (!fast_) {
      fast_ = true;
      if (watchingMotion_) {
        watchingMotion_ = false;
        if (env_.stopWatchingMotion) env_.stopWatchingMotion();
      }
    }
  }
  if (cursor && cursor != lastCursor_) handleMovement(now, *cursor);
  if (recentreAt_ && now >= *recentreAt_) {
    recentreAt_.reset();
    if (lastOffset_) look(std::nullopt);
  }
  // A movement held back by the rate limit is still to be handled.
  const bool pending = cursor && cursor != lastCursor_;
  if (fast_ && !pending && now - lastMovedAt_ >= settleDelay)
    rest(now);
  else
    schedule(now);
}

void CursorFollower::rest(double now) {
  fast_ = false;
  if (!watchingMotion_ && env_.watchMotion) {
    std::weak_ptr<bool> alive = alive_;
    watchingMotion_ = env_.watchMotion([this, alive] {
      if (alive.lock()) pointerMoved();
    });
  }
  schedule(now);
}

void CursorFollower::schedule(double now) {
  // Resting, the pointer is looked at once a second even while the desktop
  // reports motion: movement made through XTest (a VNC server, a mouse
  // shared between computers, automation) comes without raw motion.
  double delay = fast_ ? samplePeriod : stillPollPeriod;
  // The recentre comes on time even while resting.
  if (recentreAt_) delay = std::min(delay, std::max(0.0, *recentreAt_ - now));
  nextDelay_ = delay;
  if (env_.sampleOnTimer) timer_.start(int(std::ceil(delay * 1000)));
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
