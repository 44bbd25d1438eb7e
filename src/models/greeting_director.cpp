#include "models/greeting_director.h"

#include <algorithm>
#include <cmath>

#include "models/day_part.h"
#include "models/greeting_lines.h"

namespace pimble {

namespace {
constexpr double kSpacingSeconds = 9000;  // 2.5 hours between any two lines
constexpr double kWelcomeBackAwaySeconds = 1800;
constexpr double kNudgeReachSeconds = 900;
constexpr size_t kRecentLines = 6;

// A draw outside [0, 1) from a faulty source must not pick past the end.
double draw(const GreetingDirector::Uniform& uniform) {
  const double r = uniform ? uniform() : 0.0;
  return std::isfinite(r) ? std::clamp(r, 0.0, std::nextafter(1.0, 0.0)) : 0.0;
}
}  // namespace

Json GreetingDirector::Memory::toJson() const {
  Json j = Json::object();
  writeField(j, "lastShownAt", lastShownAt);
  writeField(j, "lastGreetingDay", lastGreetingDay);
  writeField(j, "recent", recent);
  return j;
}

GreetingDirector::Memory GreetingDirector::Memory::fromJson(const Json& j) {
  requireObject(j);
  Memory m;
  readField(j, "lastShownAt", m.lastShownAt);
  readField(j, "lastGreetingDay", m.lastGreetingDay);
  m.recent = readRequired<std::vector<std::string>>(j, "recent");
  return m;
}

std::int64_t GreetingDirector::dayNumber(Date date, const Calendar& calendar) {
  const auto c = calendar.components(date);
  return std::int64_t{c.year} * 10000 + c.month * 100 + c.day;
}

std::optional<std::string> GreetingDirector::line(const Moment& moment, const Context& context,
                                                  const Uniform& uniform) {
  if (context.setting == TinyMessages::off || context.blocked || context.recentlyInteracted)
    return std::nullopt;
  if (memory.lastShownAt) {
    // Either way round: a remembered time far in the future (clock set back,
    // edited file) must not silence the character for good.
    const double since = secondsSince1970(context.now) - secondsSince1970(*memory.lastShownAt);
    if (std::fabs(since) < kSpacingSeconds) return std::nullopt;
  }
  const std::int64_t today = dayNumber(context.now, context.calendar);
  const bool nudges = context.setting == TinyMessages::greetingsAndNudges;

  const std::vector<std::string>* table = nullptr;
  bool dayGreeting = false;
  if (moment.kind == Moment::Kind::reminderResolved) {
    if (!nudges || draw(uniform) >= 0.4) return std::nullopt;
    table = &GreetingLines::cheer();
  } else {
    const auto part = dayPart(context.calendar.hour(context.now));
    if (memory.lastGreetingDay != today && part) {
      table = &GreetingLines::greeting(*part);
      dayGreeting = true;
    } else if (moment.kind == Moment::Kind::returned &&
               moment.awaySeconds >= kWelcomeBackAwaySeconds) {
      table = &GreetingLines::welcomeBack();
    } else {
      if (!nudges) return std::nullopt;
      if (const auto& next = context.nextBreak) {
        const double ahead = secondsSince1970(next->at) - secondsSince1970(context.now);
        if (ahead > 0 && ahead <= kNudgeReachSeconds && draw(uniform) < 0.5)
          table = &GreetingLines::nudge(next->kind);
      }
      if (!table && moment.kind == Moment::Kind::launch && draw(uniform) < 0.35)
        table = &GreetingLines::cute();
      if (!table) return std::nullopt;
    }
  }

  auto said = pick(*table, uniform);
  if (!said) return std::nullopt;
  memory.lastShownAt = context.now;
  if (dayGreeting) memory.lastGreetingDay = today;
  memory.recent.push_back(*said);
  if (memory.recent.size() > kRecentLines)
    memory.recent.erase(memory.recent.begin(),
                        memory.recent.end() - static_cast<std::ptrdiff_t>(kRecentLines));
  return said;
}

std::optional<std::string> GreetingDirector::pick(const std::vector<std::string>& lines,
                                                  const Uniform& uniform) const {
  std::vector<const std::string*> candidates;
  for (const auto& l : lines)
    if (std::find(memory.recent.begin(), memory.recent.end(), l) == memory.recent.end())
      candidates.push_back(&l);
  if (candidates.empty())
    for (const auto& l : lines) candidates.push_back(&l);
  if (candidates.empty()) return std::nullopt;
  const auto index = static_cast<size_t>(draw(uniform) * static_cast<double>(candidates.size()));
  return *candidates[std::min(index, candidates.size() - 1)];
}

}  // namespace pimble
