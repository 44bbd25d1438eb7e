#pragma once

#include <QPointF>
#include <QTimer>
#include <functional>
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
// no global motion events to an ordinary client, so while following, the
// pointer is sampled about 20 times a second and a changed position counts
// as a movement. Three seconds after the last movement the eyes recentre.
class CursorFollower {
 public:
  struct Environment {
    // Monotonic seconds.
    std::function<double()> uptime;
    // The pointer in y-up screen points, or none when it cannot be read.
    std::function<std::optional<QPointF>()> cursor;
    // Sample on a timer of our own; tests turn it off and call sample().
    bool sampleOnTimer = true;
  };
  // The pointer of the running application, a monotonic clock and a timer.
  static Environment liveEnvironment();

  static constexpr double samplePeriod = 0.05;
  static constexpr double recentreDelay = 3.0;

  explicit CursorFollower(Environment environment = liveEnvironment());
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
  const std::optional<QPointF>& lastOffset() const { return lastOffset_; }

  // One sample of the pointer: a movement when it moved since the last one
  // handled, then the pending recentre when it is due.
  void sample();

 private:
  void handleMovement(double now, QPointF cursor);
  void look(std::optional<QPointF> offset);

  Environment env_;
  QTimer timer_;
  bool following_ = false;
  double lastHandled_ = 0;
  bool handledOnce_ = false;
  std::optional<QPointF> lastCursor_;
  std::optional<double> recentreAt_;
  std::optional<QPointF> lastOffset_;
};

}  // namespace pimble
