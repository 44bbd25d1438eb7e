#include "companion/companion_window_controller.h"

#include <malloc.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWindow>
#include <cstdlib>

#include "companion/companion_panel.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_figure.h"
#include "companion/glimmet_host_view.h"
#include "companion/hosted_figure.h"
#include "companion/layers/media_clock.h"
#include "companion/screen_space.h"

namespace pimble {
namespace {

constexpr double cornerFlightSeconds = 1.1;

}  // namespace

CompanionWindowController::Environment CompanionWindowController::liveEnvironment() {
  Environment env;
  env.mediaTime = [] { return animation_clock::now(); };
  env.screens = &ScreenSpace::screens;
  return env;
}

CompanionWindowController::CompanionWindowController()
    : CompanionWindowController(std::make_unique<GlimmetFigure>()) {}

CompanionWindowController::CompanionWindowController(std::unique_ptr<HostedFigure> figure,
                                                     Environment environment)
    : env_(std::move(environment)), panel_(std::make_unique<CompanionPanel>()) {
  frame_ = QRectF(QPointF(0, 0), CompanionPlacement::windowSize(size_));
  panel_->resize(frame_.size().toSize());
  hostView_ = new GlimmetHostView(std::move(figure), panel_.get());
  hostView_->setGeometry(0, 0, panel_->width(), panel_->height());
  if (GlimmetRig* rig = hostView_->figure().rig()) {
    animator_ = std::make_unique<GlimmetAnimator>(*rig);
    // The benches set it to compare the resting program with the character
    // alone on the same run of gestures and behaviours.
    if (const char* seed = std::getenv("PIMBLE_SEED"); seed != nullptr && *seed != '\0') {
      const auto value = static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
      rig->rng.seed(value);
      animator_->rng.seed(value);
    }
  }
  // The character moves only while it can be seen.
  panel_->onExposedChanged = [this](bool exposed) {
    if (animator_ && panel_->isVisible()) animator_->setVisible(exposed);
    if (exposed) keepPlace_ = true;
  };
  // A window manager that places every new window itself (awesome) does so
  // a moment after it maps it, and honours a move of the window's own after
  // that: the character goes back where it was put, once after it shows.
  // Only once, for a window manager that keeps windows where it puts them
  // (sway).
  panel_->onMoved = [this] {
    if (!keepPlace_) return;
    const QPointF asked = ScreenSpace::current().toQt(frame_).topLeft();
    if ((QPointF(panel_->pos()) - asked).manhattanLength() <= 2) return;
    keepPlace_ = false;
    setFrame(frame_);
  };

  hostView_->onDragBegan = [this] {
    // A drag takes over from a flight: it stops where it is, and neither
    // lands nor reports a position.
    stopFlight();
    hostView_->figure().beginFlight();
    firstDragStep_ = true;
    keepPlace_ = false;
    // The window system last told of the window somewhere else than it was
    // asked to go: the window manager places it itself (sway does). A pixel
    // either way is a scaled screen's rounding.
    const QPointF asked = ScreenSpace::current().toQt(frame_).topLeft();
    if ((QPointF(panel_->geometry().topLeft()) - asked).manhattanLength() > 2)
      managerPlacesWindow_ = true;
    placedAtDragStart_ = managerPlacesWindow_ ? panel_->placedAt() : std::nullopt;
  };
  hostView_->onDrag = [this](QSizeF delta) {
    if (!firstDragStep_) hostView_->figure().flightMoved(delta);
    firstDragStep_ = false;
    const QRectF f = frame();
    setFrameOrigin(QPointF(f.x() + delta.width(), f.y() + delta.height()));
    if (onGeometryChanged) onGeometryChanged();
  };
  hostView_->onDragEnded = [this] {
    hostView_->figure().endFlight();
    settleAfterDrag();
  };
  hostView_->onHitAreaChanged = [this] { updateInputRegion(); };
  // Without a compositor the window shows only what each frame draws.
  hostView_->onFrameMask = [this](const QRegion& mask) { panel_->setBoundingMask(mask); };
  hostView_->setFramePresenter(&panel_->framePresenter());
  // A behaviour draws a new picture of the figure on each of its frames and
  // lets the older ones go; the allocator would keep the freed memory
  // scattered through its heap all day.
  hostView_->onPicturesSettled = [] { ::malloc_trim(0); };
  panel_->onShapedChanged = [this](bool shaped) { hostView_->setReportsFrameMask(shaped); };
  hostView_->setReportsFrameMask(panel_->isShaped());

  flyTimer_.setTimerType(Qt::PreciseTimer);
  flyTimer_.setInterval(16);
  QObject::connect(&flyTimer_, &QTimer::timeout, [this] { flightTick(); });

  // Displays coming, going or changing shape re-place the window.
  auto replace = [this] { screensChanged(); };
  QObject::connect(qGuiApp, &QGuiApplication::screenAdded, panel_.get(), replace);
  QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, panel_.get(), replace);
  QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, panel_.get(), replace);
  for (QScreen* s : QGuiApplication::screens()) {
    QObject::connect(s, &QScreen::availableGeometryChanged, panel_.get(), replace);
  }
  QObject::connect(qGuiApp, &QGuiApplication::screenAdded, panel_.get(), [this](QScreen* s) {
    QObject::connect(s, &QScreen::availableGeometryChanged, panel_.get(),
                     [this] { screensChanged(); });
  });
}

CompanionWindowController::~CompanionWindowController() {
  flyTimer_.stop();
  panel_->onExposedChanged = nullptr;
  panel_->onShapedChanged = nullptr;
  animator_.reset();
  // The panel goes first so that no callback of its view reaches a
  // half-destroyed controller.
  panel_.reset();
}

CompanionPosition CompanionWindowController::currentPosition() const {
  const ScreenList screens = env_.screens ? env_.screens() : ScreenList{};
  return CompanionPlacement::position(frame(), screens);
}

void CompanionWindowController::setFrame(const QRectF& f) {
  frame_ = f;
  const QRectF qt = ScreenSpace::current().toQt(f);
  panel_->setGeometry(QRect(qt.topLeft().toPoint(), f.size().toSize()));
  hostView_->setGeometry(0, 0, panel_->width(), panel_->height());
}

void CompanionWindowController::setFrameOrigin(QPointF origin) {
  frame_.moveTo(origin);
  const QRectF qt = ScreenSpace::current().toQt(frame_);
  panel_->move(qt.topLeft().toPoint());
}

void CompanionWindowController::updateInputRegion() {
  const double ratio =
      panel_->windowHandle() != nullptr ? panel_->windowHandle()->devicePixelRatio() : 1.0;
  panel_->setInputRegion(hostView_->hitRegion(ratio));
}

void CompanionWindowController::setIntensity(AnimationIntensity intensity) {
  intensity_ = intensity;
  if (animator_) animator_->setIntensity(intensity);
}

AnimationIntensity CompanionWindowController::intensity() const {
  return animator_ ? animator_->intensity() : intensity_;
}

void CompanionWindowController::reportMoved() {
  if (onMoved) onMoved(currentPosition());
}

void CompanionWindowController::apply(CompanionSize size, bool keepingCenter) {
  size_ = size;
  const QSizeF s = CompanionPlacement::windowSize(size);
  const QRectF old = frame();
  double x = old.x();
  if (keepingCenter) x += (old.width() - s.width()) * 0.5;
  setFrame(QRectF(QPointF(x, old.y()), s));
  if (onGeometryChanged) onGeometryChanged();
}

void CompanionWindowController::restore(const std::optional<CompanionPosition>& position) {
  const QSizeF s = CompanionPlacement::windowSize(size_);
  std::optional<CompanionPosition> saved = position;
  if (saved) saved = CompanionPlacement::migrate(*saved, s);
  const ScreenList screens = env_.screens ? env_.screens() : ScreenList{};
  setFrame(QRectF(CompanionPlacement::resolve(saved, s, screens), s));
  if (onGeometryChanged) onGeometryChanged();
}

void CompanionWindowController::screensChanged() {
  const QRectF f = frame();
  const ScreenList screens = env_.screens ? env_.screens() : ScreenList{};
  const CompanionPosition now = CompanionPlacement::position(f, screens);
  setFrameOrigin(CompanionPlacement::resolve(now, f.size(), screens));
  if (onGeometryChanged) onGeometryChanged();
}

void CompanionWindowController::move(CompanionCorner corner) {
  const ScreenList screens = env_.screens ? env_.screens() : ScreenList{};
  if (screens.empty()) return;
  const QRectF f = frame();
  const ScreenInfo s = CompanionPlacement::screen(f, screens).value_or(screens.front());
  fly(CompanionPlacement::cornerOrigin(corner, f.size(), s.visibleFrame), cornerFlightSeconds);
}

void CompanionWindowController::resetPosition() {
  const ScreenList screens = env_.screens ? env_.screens() : ScreenList{};
  if (screens.empty()) return;
  fly(CompanionPlacement::cornerOrigin(CompanionCorner::bottomRight, frame().size(),
                                       screens.front().visibleFrame),
      cornerFlightSeconds);
}

void CompanionWindowController::stopFlight() {
  flyTimer_.stop();
  flight_.reset();
}

void CompanionWindowController::fly(QPointF target, double duration,
                                    std::function<void()> completion) {
  stopFlight();
  const QPointF start = frame().topLeft();  // the minimum corner in y-up space
  FlightPath path(start, target, duration);
  if (intensity() == AnimationIntensity::off || !path.isWorthAnimating() || !panel_->isVisible() ||
      !env_.mediaTime) {
    setFrameOrigin(target);
    if (onGeometryChanged) onGeometryChanged();
    reportMoved();
    if (completion) completion();
    return;
  }
  hostView_->figure().beginFlight();
  flight_ = Flight{path, env_.mediaTime(), start, std::move(completion)};
  flyTimer_.start();
}

void CompanionWindowController::flightTick() {
  if (!flight_) {
    flyTimer_.stop();
    return;
  }
  const double t = flight_->path.progress(env_.mediaTime() - flight_->startedAt);
  const QPointF p = flight_->path.at(t);
  setFrameOrigin(p);
  hostView_->figure().flightMoved(QSizeF(p.x() - flight_->last.x(), p.y() - flight_->last.y()));
  flight_->last = p;
  if (onGeometryChanged) onGeometryChanged();
  if (t < 1) return;
  std::function<void()> completion = std::move(flight_->completion);
  stopFlight();
  hostView_->figure().endFlight();
  reportMoved();
  if (completion) completion();
}

void CompanionWindowController::settleAfterDrag() {
  // Such a window manager carried out none of the drag's moves either: the
  // character is where the window still is.
  if (placedAtDragStart_ && panel_->placedAt() == placedAtDragStart_) {
    const QRectF there(QPointF(*placedAtDragStart_), frame_.size());
    setFrameOrigin(ScreenSpace::current().fromQt(there).topLeft());
  }
  const QRectF f = frame();
  const ScreenList screens = env_.screens ? env_.screens() : ScreenList{};
  if (auto s = CompanionPlacement::screen(f, screens)) {
    const QPointF c = CompanionPlacement::keepOnScreen(f.topLeft(), f.size(), s->visibleFrame);
    if (c != f.topLeft()) setFrameOrigin(c);
  }
  if (onGeometryChanged) onGeometryChanged();
  reportMoved();
}

}  // namespace pimble
