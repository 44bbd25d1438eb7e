#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "models/date.h"
#include "models/json_coding.h"
#include "models/return_target.h"
#include "models/uuid.h"

namespace pimble {

// What an application is opened for, with a time budget; also a session timer.
struct Intention {
  enum class Status { active, finished, returned, dismissed, abandoned };

  Uuid id = Uuid::generate();
  std::string bundleID;
  std::string appName;
  std::string purpose;
  std::int64_t minutes = 15;
  std::optional<ReturnTarget> returnTo;
  Date startedAt = systemNow();
  double activeSeconds = 0;
  double dueAtSeconds = 900;  // activeSeconds at which time is up
  std::int64_t checkIns = 0;
  bool visited = false;
  bool isSession = false;
  Status status = Status::active;

  Json toJson() const;
  static Intention fromJson(const Json& j);  // bundleID is required
  friend bool operator==(const Intention&, const Intention&) = default;
};

PIMBLE_ENUM_NAMES(Intention::Status, {{Intention::Status::active, "active"},
                                      {Intention::Status::finished, "finished"},
                                      {Intention::Status::returned, "returned"},
                                      {Intention::Status::dismissed, "dismissed"},
                                      {Intention::Status::abandoned, "abandoned"}});

}  // namespace pimble
