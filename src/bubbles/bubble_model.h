#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "bubbles/bubble_content.h"
#include "bubbles/quick_action.h"
#include "models/bubble_style.h"
#include "models/check_in.h"
#include "models/return_target.h"
#include "models/session_preset.h"

namespace pimble {

// The observable state behind the speech bubble and the closures through
// which the bubble reports the user's answers. Every assignment of a
// property is announced, also one that stores an equal value.
class BubbleModel : public QObject {
  Q_OBJECT
 public:
  BubbleModel();

  const BubbleContent& content() const { return content_; }
  void setContent(BubbleContent content);
  BubbleStyle style() const { return style_; }
  void setStyle(BubbleStyle style);
  // True: tail on the left edge, bubble to the right of the character.
  bool tailOnLeading() const { return tailOnLeading_; }
  void setTailOnLeading(bool onLeading);

  // Answers. Each starts as a closure that does nothing, so a view may call
  // any of them before the owner installs its own.
  std::function<void()> onDone;
  std::function<void()> onSnooze;
  std::function<void()> onSkip;
  std::function<void()> onClose;
  std::function<void(QuickAction)> onQuickAction;
  std::function<void(CheckInResponse)> onCheckIn;
  std::function<void(const ReturnTarget& target, std::int64_t minutes, const std::string& purpose,
                     const std::optional<ReturnTarget>& goBackTo)>
      onIntentionStart;
  std::function<void()> onIntentionCancel;
  std::function<void(const SessionPreset&)> onSessionStart;

  // Calls an answer closure unless the owner emptied it.
  template <class F, class... A>
  static void call(const F& f, A&&... args) {
    if (f) f(std::forward<A>(args)...);
  }

 signals:
  void contentChanged();
  void styleChanged();
  void tailOnLeadingChanged();

 private:
  BubbleContent content_;
  BubbleStyle style_ = BubbleStyle::soft;
  bool tailOnLeading_ = true;
};

}  // namespace pimble
