#include "models/day_summary.h"

namespace pimble {

std::int64_t DaySummary::done(ReminderKind kind) const {
  const auto it = record.done.find(std::string(enumName(kind)));
  return it == record.done.end() ? 0 : it->second;
}

}  // namespace pimble
