#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "models/calendar.h"
#include "models/date.h"
#include "models/json_coding.h"
#include "models/reminder_kind.h"
#include "models/tiny_messages.h"

namespace pimble {

// Decides whether the character says a short line now, and which, without
// repeating itself or talking more than once in 2.5 hours.
struct GreetingDirector {
  // What was said; stored as the document "greetings".
  struct Memory {
    std::optional<Date> lastShownAt;
    std::optional<std::int64_t> lastGreetingDay;  // dayNumber of the last day greeting
    std::vector<std::string> recent;              // oldest first, at most 6

    Json toJson() const;
    static Memory fromJson(const Json& j);  // "recent" is required
    friend bool operator==(const Memory&, const Memory&) = default;
  };

  // The occasion of a call.
  struct Moment {
    enum class Kind { returned, reminderResolved, launch };
    Kind kind = Kind::launch;
    double awaySeconds = 0;                            // returned
    ReminderKind reminderKind = ReminderKind::custom;  // reminderResolved

    static Moment returned(double awaySeconds) { return {Kind::returned, awaySeconds}; }
    static Moment reminderResolved(ReminderKind kind) { return {Kind::reminderResolved, 0, kind}; }
    static Moment launch() { return {}; }
  };

  struct NextBreak {
    ReminderKind kind = ReminderKind::custom;
    Date at{};
  };

  struct Context {
    Date now{};
    Calendar calendar;
    TinyMessages setting = TinyMessages::greetings;
    bool blocked = false;  // the owner's judgement that the character must not speak
    bool recentlyInteracted = false;
    std::optional<NextBreak> nextBreak;
  };

  // A uniform draw from [0, 1).
  using Uniform = std::function<double()>;

  Memory memory;

  // The line to say now, or nothing; a line said is remembered in `memory`.
  template <std::uniform_random_bit_generator G>
  std::optional<std::string> line(const Moment& moment, const Context& context, G& rng) {
    return line(moment, context,
                Uniform([&rng] { return std::generate_canonical<double, 53>(rng); }));
  }
  std::optional<std::string> line(const Moment& moment, const Context& context,
                                  const Uniform& uniform);

  // year × 10000 + month × 100 + day of the date in the calendar.
  static std::int64_t dayNumber(Date date, const Calendar& calendar);

 private:
  std::optional<std::string> pick(const std::vector<std::string>& lines,
                                  const Uniform& uniform) const;
};

using GreetingMoment = GreetingDirector::Moment;

}  // namespace pimble
