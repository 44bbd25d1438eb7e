#include "bubbles/bubble_content.h"

namespace pimble {

bool BubbleContent::isUserOpened() const {
  if (kase() == Case::quickActions) return true;
  const IntentionForm* form = get<IntentionForm>();
  return form != nullptr && !form->isPrompt;
}

}  // namespace pimble
