#pragma once

#include <string>
#include <variant>

#include "bubbles/intention_form.h"
#include "models/check_in.h"
#include "models/day_summary.h"
#include "models/reminder.h"

namespace pimble {

// What the speech bubble shows: one thing at a time. A new value always
// replaces the old one as a whole, so there is no equality.
class BubbleContent {
 public:
  enum class Case { reminder, message, progress, checkIn, intentionForm, quickActions };
  struct Message {
    std::string title;
    std::string body;
  };
  struct QuickActions {};

  BubbleContent() = default;  // the quick actions
  static BubbleContent reminder(Reminder r) { return BubbleContent(std::move(r)); }
  static BubbleContent message(std::string title, std::string body) {
    return BubbleContent(Message{std::move(title), std::move(body)});
  }
  static BubbleContent progress(DaySummary summary) { return BubbleContent(std::move(summary)); }
  static BubbleContent checkIn(CheckIn card) { return BubbleContent(std::move(card)); }
  static BubbleContent intentionForm(IntentionForm form) { return BubbleContent(std::move(form)); }
  static BubbleContent quickActions() { return BubbleContent(); }

  Case kase() const { return static_cast<Case>(value_.index()); }
  // The payload of a case, null for another case.
  template <class T>
  const T* get() const {
    return std::get_if<T>(&value_);
  }

  // Whether the user asked for this content (the quick actions, an intention
  // form they opened) rather than the program showing it on its own. Only
  // content the user asked for takes the keyboard when it appears, so a
  // bubble popping up never steals the keys of whatever the user is typing in.
  bool isUserOpened() const;

 private:
  // In the order of Case.
  using Value = std::variant<Reminder, Message, DaySummary, CheckIn, IntentionForm, QuickActions>;
  template <class T>
  explicit BubbleContent(T v) : value_(std::move(v)) {}

  Value value_{QuickActions{}};
};

}  // namespace pimble
