#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "models/return_target.h"
#include "models/uuid.h"

namespace pimble {

// What the intention form offers: where the user is going, for how long and
// where to go back to afterwards. A new id gives the form fresh choices.
struct IntentionForm {
  Uuid id = Uuid::generate();
  std::string title;
  std::vector<ReturnTarget> apps;
  std::optional<ReturnTarget> target;
  std::vector<ReturnTarget> returnChoices;
  std::optional<ReturnTarget> returnTo;
  std::int64_t minutes = 15;
  // Offered by the program on its own rather than opened by the user.
  bool isPrompt = false;

  friend bool operator==(const IntentionForm&, const IntentionForm&) = default;
};

}  // namespace pimble
