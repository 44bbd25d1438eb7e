#include "companion/layers/transaction.h"

#include <cmath>

namespace pimble {
namespace {

// The completion of one transaction, shared by the tokens of the animations
// it waits for; it fires when the last token goes after the commit.
struct Completion {
  std::function<void()> action;
  int pending = 0;
  bool committed = false;

  void fireIfDone() {
    if (!committed || pending > 0 || !action) return;
    auto run = std::move(action);
    action = nullptr;
    run();
  }
};

struct Token {
  explicit Token(std::shared_ptr<Completion> c) : completion(std::move(c)) {
    ++completion->pending;
  }
  ~Token() {
    --completion->pending;
    completion->fireIfDone();
  }
  Token(const Token&) = delete;
  Token& operator=(const Token&) = delete;
  std::shared_ptr<Completion> completion;
};

struct Frame {
  double duration = 0;
  TimingFunction timing = TimingFunction::easeInEaseOut();
  bool disableActions = false;
  std::shared_ptr<Completion> completion;
};

std::vector<Frame>& frames() {
  static std::vector<Frame> stack;
  return stack;
}

}  // namespace

void Transaction::begin() {
  Frame frame;
  if (!frames().empty()) {
    const Frame& parent = frames().back();
    frame.duration = parent.duration;
    frame.timing = parent.timing;
    frame.disableActions = parent.disableActions;
  }
  frames().push_back(std::move(frame));
}

void Transaction::commit() {
  if (frames().empty()) return;
  std::shared_ptr<Completion> completion = std::move(frames().back().completion);
  frames().pop_back();
  if (completion) {
    completion->committed = true;
    completion->fireIfDone();
  }
}

void Transaction::setAnimationDuration(double seconds) {
  if (frames().empty()) return;
  frames().back().duration = std::isfinite(seconds) && seconds > 0 ? seconds : 0;
}

double Transaction::animationDuration() {
  return frames().empty() ? 0 : frames().back().duration;
}

void Transaction::setTimingFunction(TimingFunction function) {
  if (!frames().empty()) frames().back().timing = function;
}

TimingFunction Transaction::timingFunction() {
  return frames().empty() ? TimingFunction::easeInEaseOut() : frames().back().timing;
}

void Transaction::setDisableActions(bool disable) {
  if (!frames().empty()) frames().back().disableActions = disable;
}

bool Transaction::disableActions() {
  return frames().empty() || frames().back().disableActions;
}

void Transaction::setCompletion(std::function<void()> completion) {
  if (frames().empty()) {
    // Outside any transaction nothing can be waited for.
    if (completion) completion();
    return;
  }
  auto c = std::make_shared<Completion>();
  c->action = std::move(completion);
  frames().back().completion = std::move(c);
}

bool Transaction::animatesImplicitly() {
  return !frames().empty() && !frames().back().disableActions && frames().back().duration > 0;
}

std::vector<std::shared_ptr<void>> Transaction::tokensForNewAnimation() {
  std::vector<std::shared_ptr<void>> tokens;
  for (const Frame& frame : frames()) {
    if (frame.completion) tokens.push_back(std::make_shared<Token>(frame.completion));
  }
  return tokens;
}

int Transaction::openCount() {
  return static_cast<int>(frames().size());
}

TransactionScope::TransactionScope(double duration, TimingFunction timing, bool disableActions) {
  Transaction::begin();
  Transaction::setAnimationDuration(duration);
  Transaction::setTimingFunction(timing);
  Transaction::setDisableActions(disableActions);
}

TransactionScope::~TransactionScope() {
  Transaction::commit();
}

}  // namespace pimble
