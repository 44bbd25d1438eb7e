#pragma once

#include <QPointF>
#include <QRectF>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

#include "companion/companion_placement.h"
#include "companion/flight_path.h"
#include "models/animation_intensity.h"
#include "models/companion_corner.h"
#include "models/companion_position.h"
#include "models/companion_size.h"

namespace pimble {

class CompanionPanel;
class GlimmetAnimator;
class GlimmetHostView;
class HostedFigure;

// Owns the character's window and its view: sizes the window for the size
// setting, puts it back where it was saved on the displays there are now,
// moves it while the character is dragged and settles it on screen after,
// and flies it along an arc. All geometry is in y-up screen points.
class CompanionWindowController {
 public:
  struct Environment {
    // Monotonic seconds, timing flights.
    std::function<double()> mediaTime;
    // The connected displays, the primary first.
    std::function<ScreenList()> screens;
  };
  static Environment liveEnvironment();

  // The character itself, on the application's displays.
  CompanionWindowController();
  explicit CompanionWindowController(std::unique_ptr<HostedFigure> figure,
                                     Environment environment = liveEnvironment());
  ~CompanionWindowController();
  CompanionWindowController(const CompanionWindowController&) = delete;
  CompanionWindowController& operator=(const CompanionWindowController&) = delete;

  CompanionPanel& panel() const { return *panel_; }
  GlimmetHostView& hostView() const { return *hostView_; }
  // The character's animator; none for a figure without a rig.
  GlimmetAnimator* animator() const { return animator_.get(); }

  // After every completed move: a drag settled, a flight landed, an
  // instant move.
  std::function<void(const CompanionPosition&)> onMoved;
  // After every change of the window's frame.
  std::function<void()> onGeometryChanged;

  CompanionSize size() const { return size_; }
  // Flights animate only while motion is not off: the animator's intensity,
  // or this one for a figure without a rig.
  void setIntensity(AnimationIntensity intensity);
  AnimationIntensity intensity() const;

  // Resizes for a size setting; the bottom edge stays, and the centre too
  // when `keepingCenter`.
  void apply(CompanionSize size, bool keepingCenter);
  // Places the window at a saved position (migrated from older layouts),
  // kept reachable on the current displays.
  void restore(const std::optional<CompanionPosition>& position);
  // The displays changed: the window is placed again.
  void screensChanged();
  // Flies to a corner of the display the window is on.
  void move(CompanionCorner corner);
  // Flies to the bottom-right corner of the primary display.
  void resetPosition();
  // Moves the window's origin to `target`, animated along an arc when it
  // can be; `completion` runs once at the end. A running flight stops where
  // it is, without its completion.
  void fly(QPointF target, double duration, std::function<void()> completion = {});
  bool isFlying() const { return flight_.has_value(); }

  // The window's frame as last placed. Kept here rather than read back from
  // the window system, which may report a reparented window's place late.
  QRectF frame() const { return frame_; }
  CompanionPosition currentPosition() const;

 private:
  void setFrameOrigin(QPointF origin);
  void setFrame(const QRectF& frame);
  void stopFlight();
  void flightTick();
  void settleAfterDrag();
  void updateInputRegion();
  void reportMoved();

  Environment env_;
  std::unique_ptr<CompanionPanel> panel_;
  GlimmetHostView* hostView_ = nullptr;  // owned by the panel
  std::unique_ptr<GlimmetAnimator> animator_;
  QRectF frame_;
  CompanionSize size_ = CompanionSize::medium;
  AnimationIntensity intensity_ = AnimationIntensity::normal;
  struct Flight {
    FlightPath path;
    double startedAt;
    QPointF last;
    std::function<void()> completion;
  };
  std::optional<Flight> flight_;
  // The step that crosses the drag slop covers the time since the press, not
  // since the drag began: fed to the cape it reads as a fast throw.
  bool firstDragStep_ = false;
  bool managerPlacesWindow_ = false;
  // Whether a window manager's move away from where the window was put,
  // once after it shows, is still to be undone.
  bool keepPlace_ = false;
  std::optional<QPoint> placedAtDragStart_;
  QTimer flyTimer_;
};

}  // namespace pimble
