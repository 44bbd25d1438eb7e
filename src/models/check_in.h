#pragma once

// A check-in: the card with which the character asks about the time spent in
// an application (its limit for the mode is reached), in an intention or
// timed session (its time is up), or at bedtime. Lives in memory from
// delivery to answer; never stored.

#include <optional>
#include <string>
#include <vector>

#include "models/app_category.h"
#include "models/awareness_mode.h"
#include "models/json_coding.h"
#include "models/return_target.h"
#include "models/uuid.h"

namespace pimble {

// An answer to a card. `remindIn` carries the chosen minutes; equality
// compares the case and, for `remindIn`, the minutes.
struct CheckInResponse {
  enum class Case {
    remindIn,
    keepGoing,
    finish,
    muteToday,
    stopForApp,
    stretch,
    wrapUp,
    intentionDone,
    backToTask,
    dismiss,
    timedOut
  };

  Case kase = Case::dismiss;
  int minutes = 0;  // remindIn only

  CheckInResponse() = default;
  CheckInResponse(Case c) : kase(c) {}  // NOLINT: a plain case reads as a response

  static CheckInResponse remindIn(int minutes) {
    CheckInResponse r(Case::remindIn);
    r.minutes = minutes;
    return r;
  }

  friend bool operator==(const CheckInResponse& a, const CheckInResponse& b) {
    return a.kase == b.kase && (a.kase != Case::remindIn || a.minutes == b.minutes);
  }
};

PIMBLE_ENUM_NAMES(CheckInResponse::Case, {{CheckInResponse::Case::remindIn, "remindIn"},
                                          {CheckInResponse::Case::keepGoing, "keepGoing"},
                                          {CheckInResponse::Case::finish, "finish"},
                                          {CheckInResponse::Case::muteToday, "muteToday"},
                                          {CheckInResponse::Case::stopForApp, "stopForApp"},
                                          {CheckInResponse::Case::stretch, "stretch"},
                                          {CheckInResponse::Case::wrapUp, "wrapUp"},
                                          {CheckInResponse::Case::intentionDone, "intentionDone"},
                                          {CheckInResponse::Case::backToTask, "backToTask"},
                                          {CheckInResponse::Case::dismiss, "dismiss"},
                                          {CheckInResponse::Case::timedOut, "timedOut"}});

// A button of a card.
struct CheckInAction {
  std::string title;
  CheckInResponse response;
  friend bool operator==(const CheckInAction&, const CheckInAction&) = default;
};

struct CheckIn {
  // What the card is about. Equality compares the case and that case's payload.
  struct Kind {
    enum class Case { app, intention, bedtime };

    Case kase = Case::bedtime;
    std::string bundleID;                       // app, intention
    std::string name;                           // app, intention
    AppCategory category = AppCategory::other;  // app
    Uuid intentionID;                           // intention

    static Kind app(std::string bundleID, std::string name, AppCategory category);
    static Kind intention(Uuid id, std::string bundleID, std::string name);
    static Kind bedtime() { return {}; }

    friend bool operator==(const Kind& a, const Kind& b);
  };

  Uuid id = Uuid::generate();
  Kind kind;
  AwarenessMode mode = AwarenessMode::work;
  std::string title;
  std::string message;
  CheckInAction primary;
  std::optional<CheckInAction> secondary;
  std::vector<int> laterMinutes;
  std::vector<CheckInAction> overflow;
  std::optional<ReturnTarget> returnTo;
  double activeSeconds = 0;
  bool moreTime = false;

  // The symbol image shown with the card.
  std::string symbolName() const;

  friend bool operator==(const CheckIn&, const CheckIn&) = default;
};

PIMBLE_ENUM_NAMES(CheckIn::Kind::Case, {{CheckIn::Kind::Case::app, "app"},
                                        {CheckIn::Kind::Case::intention, "intention"},
                                        {CheckIn::Kind::Case::bedtime, "bedtime"}});

}  // namespace pimble
