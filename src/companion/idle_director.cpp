#include "companion/idle_director.h"

#include <vector>

namespace pimble {
namespace {

double uniform(IdleDirector::Range range, std::mt19937_64& rng) {
  if (!(range.upper > range.lower)) return range.lower;
  return std::uniform_real_distribution<double>(range.lower, range.upper)(rng);
}

}  // namespace

std::optional<IdleBehavior> IdleDirector::pick(const Context& context, std::mt19937_64& rng) {
  const bool slow = context.liveliness == Liveliness::calm || context.nightMode;
  const double slowFactor = slow ? 2 : 1;
  const double now = context.now;
  if (!nextOccasionalAt) nextOccasionalAt = now + uniform(occasionalGap, rng) * slowFactor;
  if (!nextRareAt) nextRareAt = now + uniform(rareGap, rng);
  if (context.idleSeconds >= 480) return std::nullopt;
  if (lastAt && now - *lastAt < minimumSpacing) return std::nullopt;

  if (now >= *nextRareAt) {
    if (context.surprisesEnabled && !slow && context.idleSeconds < 60) {
      if (auto b = choose(rareIdleBehaviors, rng)) {
        nextRareAt = now + uniform(rareGap, rng);
        nextOccasionalAt = now + uniform(occasionalGap, rng);
        last = b;
        lastAt = now;
        return b;
      }
    }
    nextRareAt = now + 90;
  }

  if (now < *nextOccasionalAt) return std::nullopt;
  nextOccasionalAt = now + uniform(occasionalGap, rng) * slowFactor;
  std::vector<IdleBehavior> candidates;
  if (context.idleSeconds >= 90) {
    candidates = {IdleBehavior::nod, IdleBehavior::yawn};
  } else {
    for (IdleBehavior b : occasionalIdleBehaviors) {
      if (b != IdleBehavior::nod) candidates.push_back(b);
    }
  }
  if (context.nightMode) {
    std::erase_if(candidates, [](IdleBehavior b) {
      return b == IdleBehavior::hum || b == IdleBehavior::miniStretch;
    });
  }
  auto b = choose(candidates, rng);
  if (b) {
    last = b;
    lastAt = now;
  }
  return b;
}

std::optional<IdleBehavior> IdleDirector::choose(std::span<const IdleBehavior> candidates,
                                                 std::mt19937_64& rng) const {
  std::vector<IdleBehavior> pool;
  for (IdleBehavior b : candidates) {
    if (!last || b != *last) pool.push_back(b);
  }
  if (pool.empty()) pool.assign(candidates.begin(), candidates.end());
  if (pool.empty()) return std::nullopt;
  std::uniform_int_distribution<size_t> index(0, pool.size() - 1);
  return pool[index(rng)];
}

}  // namespace pimble
