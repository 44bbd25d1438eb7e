#pragma once

#include <QPointF>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>

namespace pimble {

// The eye offset for the point between the eyes and the pointer, both in
// y-up screen points: straight ahead on the face, growing with distance up
// to 140 points and held at 4.5 beyond, flattened vertically; none (eyes
// released) from 500 points on.
namespace EyeLook {
std::optional<QPointF> offset(QPointF eye, QPointF cursor);
}

// Turns pointer movement anywhere on the desktop into eye offsets. X gives
// no global motion events to an ordinary client, so while the pointer moves
// it is sampled about 20 times a second and a changed position counts as a
// movement. Once it has been still for a second the sampling rests: the
// desktop reports the next movement (XInput 2), and the pointer is looked
// at once a second for movement it does not report (XTest's, or all where
// it cannot report). Three seconds after the last movement the eyes
// recentre.
class CursorFollower {
 public:
  struct Environment {
    // Monotonic seconds.
    std::function<double()> uptime;
    // The pointer in y-up screen points, or none when it cannot be read.
    std::function<std::optional<QPointF>()> cursor;
    // Sample on a timer of our own; tests turn it off and call sample().
    bool sampleOnTimer = true;
    // Asks to be told once of the pointer's next movement; false when the
    // desktop cannot tell. `stopWatchingMotion` drops the request.
    std::function<bool(std::function<void()>)> watchMotion;
    std::function<void()> stopWatchingMotion;
  };
  // The pointer of the running application, a monotonic clock, a timer and
  // the X display's motion reports.
  static Environment liveEnvironment();

  static constexpr double samplePeriod = 0.05;
  // Still this long, the fast sampling rests.
  static constexpr double settleDelay = 1.0;
  // How often the resting follower looks at the pointer.
  static constexpr double stillPollPeriod = 1.0;
  static constexpr double recentreDelay = 3.0;

  explicit CursorFollower(Environment environment = liveEnvironment());
  ~CursorFollower();
  CursorFollower(const CursorFollower&) = delete;
  CursorFollower& operator=(const CursorFollower&) = delete;

  // The point between the eyes in y-up screen points, none while there is
  // nothing to look from (the character is hidden).
  std::function<std::optional<QPointF>()> eyeScreenPoint;
  // A new eye offset, or none to recentre.
  std::function<void(std::optional<QPointF>)> onLook;

  void start();
  // Stops sampling and recentres the eyes if they were turned.
  void stop();
  bool isFollowing() const { return following_; }
  // Sampling 20 times a second (the pointer moved lately), rather than
  // resting until it moves.
  bool isSamplingFast() const { return fast_; }
  // Whether the resting follower waits for the desktop's motion report.
  bool isWatchingMotion() const { return watchingMotion_; }
  // Seconds until the next sample is wanted; none while stopped.
  std::optional<double> nextSampleDelay() const { return nextDelay_; }
  const std::optional<QPointF>& lastOffset() const { return lastOffset_; }

  // One sample of the pointer: a movement when it moved since the last one
  // handled, then the pending recentre when it is due.
  void sample();
  // The desktop reports that the pointer moved: sample fast again.
  void pointerMoved();

 private:
  void handleMovement(double now, QPointF cursor);
  void look(std::optional<QPointF> offset);
  void rest(double now);
  void schedule(double now);

  Environment env_;
  QTimer timer_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  bool following_ = false;
  bool fast_ = false;
  bool watchingMotion_ = false;
  std::optional<double> nextDelay_;
  double lastHandled_ = 0;
  bool handledOnce_ = false;
  double lastMovedAt_ = 0;
  std::optional<QPointF> lastCursor_;
  std::optional<QPointF> lastSeen_;
  std::optional<double> recentreAt_;
  std::optional<QPointF> lastOffset_;
};

}  // namespace pimble
