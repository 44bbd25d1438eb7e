#include "bubbles/bubble_model.h"

namespace pimble {

BubbleModel::BubbleModel()
    : onDone([] {}),
      onSnooze([] {}),
      onSkip([] {}),
      onClose([] {}),
      onQuickAction([](QuickAction) {}),
      onCheckIn([](CheckInResponse) {}),
      onIntentionStart([](const ReturnTarget&, std::int64_t, const std::string&,
                          const std::optional<ReturnTarget>&) {}),
      onIntentionCancel([] {}),
      onSessionStart([](const SessionPreset&) {}) {}

void BubbleModel::setContent(BubbleContent content) {
  content_ = std::move(content);
  emit contentChanged();
}

void BubbleModel::setStyle(BubbleStyle style) {
  style_ = style;
  emit styleChanged();
}

void BubbleModel::setTailOnLeading(bool onLeading) {
  tailOnLeading_ = onLeading;
  emit tailOnLeadingChanged();
}

}  // namespace pimble
