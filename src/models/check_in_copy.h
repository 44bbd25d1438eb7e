#pragma once

// The wording of application, intention and session cards, in the user's
// tone. Pure functions of their inputs, except that each card draws a new id.

#include <cstdint>
#include <optional>
#include <string>

#include "models/app_category.h"
#include "models/awareness_mode.h"
#include "models/awareness_settings.h"
#include "models/check_in.h"
#include "models/intention.h"
#include "models/return_target.h"

namespace pimble {

class CheckInCopy {
 public:
  // What an application card is written from.
  struct Context {
    std::string bundleID;
    std::string appName;
    AppCategory category = AppCategory::other;
    AwarenessMode mode = AwarenessMode::work;
    CheckInTone tone = CheckInTone::friendly;
    double activeSeconds = 0;
    std::int64_t limitMinutes = 30;
    std::optional<ReturnTarget> returnTo;
    std::string clock;         // the time of day as text
    std::int64_t variant = 0;  // check-ins already shown in the session; picks a wording
  };

  // The card for a watched application whose limit is reached.
  static CheckIn appCheckIn(const Context& context);
  // The time-up card for an intention; a timed session gets sessionCheckIn.
  static CheckIn intentionCheckIn(const Intention& intention, CheckInTone tone, AwarenessMode mode);
  // The time-up card for a timed session.
  static CheckIn sessionCheckIn(const Intention& intention, CheckInTone tone, AwarenessMode mode);
  // The heading of an intention card.
  static std::string timeUpTitle(std::int64_t minutes);

  // The text with its first code point upper-cased (UTF-8; letters of the
  // Latin, Greek and Cyrillic alphabets). Anything else stays as it is.
  static std::string capitalizedFirst(const std::string& text);

 private:
  static std::string appMessage(const Context& context, const std::string& duration,
                                const std::optional<ReturnTarget>& back);
};

}  // namespace pimble
