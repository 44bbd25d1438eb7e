#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "companion/layers/animation.h"
#include "companion/layers/scheduler.h"

namespace pimble {

class Layer;

// The animations of one layer, in the order they were added, and how they
// compose on its model values. Each animation with an end is given a
// scheduled end on the animation clock, where it is removed (when
// `removedOnCompletion`) and its stop callback runs.
class AnimationStack {
 public:
  explicit AnimationStack(Layer& owner) : owner_(owner) {}
  ~AnimationStack();
  AnimationStack(const AnimationStack&) = delete;
  AnimationStack& operator=(const AnimationStack&) = delete;

  // Replaces any animation under the same key. A null animation removes.
  void add(AnimationPtr animation, std::string key);
  void remove(std::string_view key);
  void removeAll();
  std::vector<std::string> keys() const;
  AnimationPtr find(std::string_view key) const;
  bool empty() const { return entries_.empty(); }

  // Applies every animation of `key` live at `time` to `value`.
  void compose(std::string_view key, double time, LayerValue& value) const;

  struct Fade {
    QImage from;
    double progress = 1;  // 0: all old contents, 1: all new
  };
  // Folds what decides these animations' values at `time` into `hash`:
  // each one's identity and the local time it shows (only those changing
  // more than placement and opacity, unless `placement`). False, with
  // `hash` untouched, while a smooth one runs: then its values must be
  // compared instead, as a smooth motion may hold one value for a while.
  bool hashLook(double time, bool placement, uint64_t& hash) const;

  // The contents fade running at `time`, if any.
  std::optional<Fade> contentsFade(double time) const;

  // The earliest time at or after `now` at which these animations may change
  // what is drawn (`now` while a smooth one runs, else the next step of a
  // stepping one), raising `frameRate` to the rate the
  // running ones need; infinity when nothing will change.
  double nextChange(double now, double& frameRate) const;

 private:
  struct Entry {
    std::uint64_t id = 0;
    std::string key;
    AnimationPtr animation;
    double begin = 0;
    double duration = 0;  // effective
    ScheduledWork end;
    QImage fadeFrom;
    std::vector<std::shared_ptr<void>> tokens;
  };
  void ended(std::uint64_t id);
  // The local time `entry` shows at `time`, if it applies then.
  static std::optional<double> shownLocalTime(const Entry& entry, double time);
  // Lets go of entries after they left the list: their tokens and stop
  // callbacks may touch this layer again.
  static void release(std::vector<Entry> gone, bool finished);

  Layer& owner_;
  std::vector<Entry> entries_;
};

}  // namespace pimble
