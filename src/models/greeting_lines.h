#pragma once

#include <string>
#include <vector>

#include "models/day_part.h"
#include "models/reminder_kind.h"

namespace pimble::GreetingLines {

const std::vector<std::string>& greeting(DayPart part);
const std::vector<std::string>& nudge(ReminderKind kind);
const std::vector<std::string>& welcomeBack();
const std::vector<std::string>& cheer();
const std::vector<std::string>& cute();

}  // namespace pimble::GreetingLines
