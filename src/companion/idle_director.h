#pragma once

#include <optional>
#include <random>
#include <span>

#include "companion/idle_behavior.h"
#include "models/liveliness.h"

namespace pimble {

// Chooses the idle character's behaviours: ordinary ones every 70 to 170 s
// (twice as far apart when calm or at night), rare surprises every 12 to 25
// minutes, never two within a minute, nothing for a user away 8 minutes or
// more, and never the same one twice in a row when there is a choice.
struct IdleDirector {
  struct Range {
    double lower = 0;
    double upper = 0;
  };
  struct Context {
    double now = 0;  // seconds of uptime
    double idleSeconds = 0;
    Liveliness liveliness = Liveliness::lively;
    bool surprisesEnabled = true;
    bool nightMode = false;
  };

  Range occasionalGap{70, 170};
  Range rareGap{720, 1500};
  std::optional<double> nextOccasionalAt;
  std::optional<double> nextRareAt;
  std::optional<IdleBehavior> last;
  std::optional<double> lastAt;
  double minimumSpacing = 60;

  std::optional<IdleBehavior> pick(const Context& context, std::mt19937_64& rng);

 private:
  std::optional<IdleBehavior> choose(std::span<const IdleBehavior> candidates,
                                     std::mt19937_64& rng) const;
};

}  // namespace pimble
