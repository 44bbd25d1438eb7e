#include <gtest/gtest.h>

#include <deque>

#include "models/greeting_director.h"
#include "models/greeting_lines.h"

namespace pimble {
namespace {

const Calendar berlin = Calendar::named("Europe/Berlin").value();

Date at(int hour, int minute, int day = 1) {
  return *berlin.dateFrom(2026, 7, day, hour, minute);
}

// Draws from a fixed list, then 0.
GreetingDirector::Uniform draws(std::deque<double> values) {
  return [values]() mutable {
    if (values.empty()) return 0.0;
    const double v = values.front();
    values.pop_front();
    return v;
  };
}

GreetingDirector::Context context(Date now, TinyMessages setting = TinyMessages::greetings) {
  GreetingDirector::Context c;
  c.now = now;
  c.calendar = berlin;
  c.setting = setting;
  return c;
}

bool in(const std::vector<std::string>& table, const std::optional<std::string>& line) {
  return line && std::find(table.begin(), table.end(), *line) != table.end();
}

TEST(GreetingDirector, DayGreetingThenWelcomeBackWithSpacing) {
  GreetingDirector g;
  const auto first = g.line(GreetingMoment::returned(60), context(at(7, 30)), draws({}));
  EXPECT_TRUE(in(GreetingLines::greeting(DayPart::earlyMorning), first));
  EXPECT_EQ(g.memory.lastGreetingDay, 20260701);
  EXPECT_EQ(g.memory.lastShownAt, at(7, 30));
  // Every line counts for the 2.5-hour spacing.
  EXPECT_FALSE(g.line(GreetingMoment::returned(7200), context(at(9, 59)), draws({})));
  const auto back = g.line(GreetingMoment::returned(2400), context(at(10, 0)), draws({}));
  EXPECT_TRUE(in(GreetingLines::welcomeBack(), back));
  EXPECT_EQ(g.memory.lastGreetingDay, 20260701);

  // 2:30 has no day part: a long absence still gets a welcome back.
  GreetingDirector night;
  EXPECT_TRUE(in(GreetingLines::welcomeBack(),
                 night.line(GreetingMoment::returned(2700), context(at(2, 30)), draws({}))));
  EXPECT_FALSE(night.memory.lastGreetingDay);

  // A remembered time far in the future does not silence the character forever.
  GreetingDirector stale;
  stale.memory.lastShownAt = *berlin.dateFrom(9999, 1, 1);
  EXPECT_TRUE(stale.line(GreetingMoment::launch(), context(at(9, 0)), draws({})));
}

TEST(GreetingDirector, SettingsDecideCheersNudgesAndCuteLines) {
  auto greeted = [] {
    GreetingDirector g;
    g.memory.lastGreetingDay = 20260701;
    return g;
  };
  for (auto setting : {TinyMessages::off, TinyMessages::greetings}) {
    auto g = greeted();
    auto c = context(at(12, 0), setting);
    c.nextBreak = GreetingDirector::NextBreak{ReminderKind::water, at(12, 10)};
    EXPECT_FALSE(g.line(GreetingMoment::reminderResolved(ReminderKind::water), c, draws({})));
    EXPECT_FALSE(g.line(GreetingMoment::launch(), c, draws({})));
    EXPECT_FALSE(g.line(GreetingMoment::returned(1200), c, draws({})));
  }
  auto c = context(at(12, 0), TinyMessages::greetingsAndNudges);
  auto g = greeted();
  EXPECT_FALSE(g.line(GreetingMoment::reminderResolved(ReminderKind::water), c, draws({0.4})));
  EXPECT_TRUE(in(GreetingLines::cheer(),
                 g.line(GreetingMoment::reminderResolved(ReminderKind::water), c, draws({0.39}))));

  c.nextBreak = GreetingDirector::NextBreak{ReminderKind::custom, at(12, 15)};  // exactly 900 s
  g = greeted();
  EXPECT_TRUE(in(GreetingLines::nudge(ReminderKind::takeBreak),
                 g.line(GreetingMoment::returned(1200), c, draws({0.49}))));
  g = greeted();
  EXPECT_FALSE(g.line(GreetingMoment::returned(1200), c, draws({0.5})));  // cute is launch-only
  g = greeted();
  EXPECT_TRUE(in(GreetingLines::cute(), g.line(GreetingMoment::launch(), c, draws({0.7, 0.2}))));
  c.nextBreak->at = c.now;  // already due: never nudges
  g = greeted();
  EXPECT_FALSE(g.line(GreetingMoment::returned(1200), c, draws({0.0})));

  auto blocked = context(at(12, 0));
  blocked.blocked = true;
  EXPECT_FALSE(GreetingDirector{}.line(GreetingMoment::launch(), blocked, draws({})));
}

TEST(GreetingDirector, RecentLinesAreAvoidedAndCapped) {
  GreetingDirector g;
  g.memory.lastGreetingDay = 20260701;
  g.memory.recent = {"a", "b", "Welcome back!", "Oh hi, you're back", "Missed you a little"};
  EXPECT_EQ(g.line(GreetingMoment::returned(4000), context(at(12, 0)), draws({0.99})),
            "Hey, welcome back");
  EXPECT_EQ(g.line(GreetingMoment::returned(4000), context(at(15, 0)), draws({0.0})),
            "Welcome back!");  // every line recent: the whole table again
  EXPECT_EQ(g.memory.recent.size(), 6u);
  EXPECT_EQ(g.memory.recent.front(), "b");
  EXPECT_EQ(g.memory.recent.back(), "Welcome back!");

  EXPECT_EQ(dayPart(0), DayPart::lateNight);
  EXPECT_EQ(dayPart(5), DayPart::earlyMorning);
  EXPECT_EQ(dayPart(24), std::nullopt);

  std::mt19937_64 rng(7);
  GreetingDirector seeded;
  EXPECT_TRUE(seeded.line(GreetingMoment::launch(), context(at(18, 0)), rng));
}

TEST(GreetingDirector, MemoryCoding) {
  EXPECT_FALSE(decodeDocument<GreetingDirector::Memory>("{}"));
  const auto m = decodeDocument<GreetingDirector::Memory>(R"({"recent":[],"extra":1})");
  ASSERT_TRUE(m);
  EXPECT_EQ(*m, GreetingDirector::Memory{});
  EXPECT_FALSE(m->toJson().contains("lastShownAt"));
  EXPECT_FALSE(decodeDocument<GreetingDirector::Memory>(R"({"recent":[1]})"));
}

}  // namespace
}  // namespace pimble
