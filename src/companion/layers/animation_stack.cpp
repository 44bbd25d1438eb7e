#include "companion/layers/animation_stack.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "companion/layers/layer.h"
#include "companion/layers/look_hash.h"
#include "companion/layers/media_clock.h"
#include "companion/layers/transaction.h"

namespace pimble {

AnimationStack::~AnimationStack() {
  // The layer is going away: its animations count as removed.
  for (auto& entry : entries_) entry.end.cancel();
  std::vector<Entry> gone = std::move(entries_);
  entries_.clear();
  release(std::move(gone), false);
}

void AnimationStack::release(std::vector<Entry> gone, bool finished) {
  for (auto& entry : gone) {
    entry.end.cancel();
    entry.tokens.clear();
    if (entry.animation && entry.animation->onStop) entry.animation->onStop(finished);
  }
}

void AnimationStack::add(AnimationPtr animation, std::string key) {
  if (!animation) {
    remove(key);
    return;
  }
  const double now = animation_clock::now();
  Entry entry;
  // Unique across layers too: a look hash folds in entry ids.
  static std::uint64_t nextId = 1;
  entry.id = nextId++;
  entry.key = std::move(key);
  entry.animation = animation;
  entry.begin = animation->beginTime > 0 ? animation->beginTime : now;
  entry.duration = animation->duration > 0 ? animation->duration : 0.25;
  if (animation->isTransition()) {
    entry.fadeFrom = valueAs<QImage>(owner_.presentationValue("contents", now), {});
  }
  entry.tokens = Transaction::tokensForNewAnimation();

  std::vector<Entry> replaced;
  auto same = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.key == entry.key; });
  if (same != entries_.end()) {
    replaced.push_back(std::move(*same));
    entries_.erase(same);
  }
  const double span = animation->activeDuration(entry.duration);
  if (std::isfinite(span)) {
    const std::uint64_t id = entry.id;
    entry.end =
        animation_clock::scheduler().after(entry.begin + span - now, [this, id] { ended(id); });
  }
  entries_.push_back(std::move(entry));
  owner_.setNeedsDisplay();
  release(std::move(replaced), false);
}

void AnimationStack::ended(std::uint64_t id) {
  auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == id; });
  if (it == entries_.end()) return;
  std::vector<Entry> gone;
  if (it->animation->removedOnCompletion) {
    gone.push_back(std::move(*it));
    entries_.erase(it);
  } else {
    // It stays (holding its last value when it fills forwards), but is done.
    Entry done;
    done.animation = it->animation;
    done.tokens = std::move(it->tokens);
    gone.push_back(std::move(done));
  }
  owner_.setNeedsDisplay();
  release(std::move(gone), true);
}

void AnimationStack::remove(std::string_view key) {
  auto it =
      std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.key == key; });
  if (it == entries_.end()) return;
  std::vector<Entry> gone;
  gone.push_back(std::move(*it));
  entries_.erase(it);
  owner_.setNeedsDisplay();
  release(std::move(gone), false);
}

void AnimationStack::removeAll() {
  if (entries_.empty()) return;
  std::vector<Entry> gone = std::move(entries_);
  entries_.clear();
  owner_.setNeedsDisplay();
  release(std::move(gone), false);
}

std::vector<std::string> AnimationStack::keys() const {
  std::vector<std::string> list;
  for (const auto& entry : entries_) list.push_back(entry.key);
  return list;
}

AnimationPtr AnimationStack::find(std::string_view key) const {
  for (const auto& entry : entries_) {
    if (entry.key == key) return entry.animation;
  }
  return nullptr;
}

std::optional<double> AnimationStack::shownLocalTime(const Entry& entry, double time) {
  const Animation& a = *entry.animation;
  const double shown = a.steps() ? steppedTime(time, a.frameRate) : time;
  auto local = a.localTime(shown - entry.begin, entry.duration);
  // A looping step lands on the same time in every cycle, give or take
  // rounding; to the microsecond it shows exactly the same value, so a
  // picture drawn for it can be used again.
  if (local && a.steps()) {
    *local = std::round(*local * 1e6) / 1e6;
    // The end of one cycle of a loop is the start of the next.
    if (*local >= entry.duration && !a.autoreverses &&
        shown - entry.begin < a.activeDuration(entry.duration)) {
      *local = 0;
    }
  }
  return local;
}

void AnimationStack::compose(std::string_view key, double time, LayerValue& value) const {
  for (const auto& entry : entries_) {
    const Animation& a = *entry.animation;
    if (!a.touches(key)) continue;
    if (auto local = shownLocalTime(entry, time)) a.apply(*local, entry.duration, key, value);
  }
}

bool AnimationStack::hashLook(double time, bool placement, uint64_t& hash) const {
  uint64_t h = hash;
  for (const auto& entry : entries_) {
    const Animation& a = *entry.animation;
    if (!placement && !a.changesLook()) continue;
    if (!a.steps()) {
      const double elapsed = time - entry.begin;
      if (elapsed >= 0 && elapsed < a.activeDuration(entry.duration)) return false;
    }
    look_hash::mix(h, entry.id);
    const auto local = shownLocalTime(entry, time);
    look_hash::mixDouble(h, local ? *local : -1);
  }
  hash = h;
  return true;
}

std::optional<AnimationStack::Fade> AnimationStack::contentsFade(double time) const {
  for (const auto& entry : entries_) {
    const Animation& a = *entry.animation;
    if (!a.isTransition()) continue;
    if (auto local = a.localTime(time - entry.begin, entry.duration)) {
      return Fade{entry.fadeFrom, a.timingFunction(*local / entry.duration)};
    }
  }
  return std::nullopt;
}

double AnimationStack::nextChange(double now, double& frameRate) const {
  double next = std::numeric_limits<double>::infinity();
  for (const auto& entry : entries_) {
    const Animation& a = *entry.animation;
    const double elapsed = now - entry.begin;
    const double span = a.activeDuration(entry.duration);
    if (elapsed < 0) {
      next = std::min(next, entry.begin);
    } else if (!std::isfinite(span) || elapsed < span) {
      if (a.steps()) {
        next = std::min(next, nextStepTime(now, a.frameRate));
      } else {
        next = now;
        frameRate = std::max(frameRate, a.frameRate > 0 ? a.frameRate : 60.0);
      }
    }
  }
  return next;
}

}  // namespace pimble
