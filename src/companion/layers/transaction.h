#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "companion/layers/timing_function.h"

namespace pimble {

// Batches layer changes. Inside an explicit transaction with a duration above
// 0 and actions enabled, a layer property change animates implicitly from
// its presentation value to the new model value (unless the layer disabled
// actions for that key); everything else jumps. A nested transaction starts
// with its parent's settings. The completion runs when every animation added
// while the transaction was open has ended or been removed, or at commit when
// none was added.
class Transaction {
 public:
  static void begin();
  static void commit();

  static void setAnimationDuration(double seconds);
  static double animationDuration();
  static void setTimingFunction(TimingFunction function);
  static TimingFunction timingFunction();
  static void setDisableActions(bool disable);
  static bool disableActions();
  static void setCompletion(std::function<void()> completion);

  // For the layer tree.
  static bool animatesImplicitly();
  // Ties an animation added now to the open transactions' completions: the
  // returned tokens are to be dropped when that animation ends or goes.
  static std::vector<std::shared_ptr<void>> tokensForNewAnimation();
  static int openCount();
};

// A transaction for the lifetime of a scope.
class TransactionScope {
 public:
  // duration 0 with disableActions false animates nothing implicitly anyway.
  explicit TransactionScope(double duration = 0,
                            TimingFunction timing = TimingFunction::easeInEaseOut(),
                            bool disableActions = false);
  ~TransactionScope();
  TransactionScope(const TransactionScope&) = delete;
  TransactionScope& operator=(const TransactionScope&) = delete;
};

// A transaction with implicit animation disabled: changes jump.
class ActionsDisabled : public TransactionScope {
 public:
  ActionsDisabled() : TransactionScope(0, TimingFunction::linear(), true) {}
};

}  // namespace pimble
