#include "models/check_in_copy.h"

#include <gtest/gtest.h>

namespace pimble {
namespace {

using C = CheckInResponse::Case;

CheckInCopy::Context context(AppCategory category, AwarenessMode mode,
                             CheckInTone tone = CheckInTone::friendly) {
  CheckInCopy::Context c;
  c.bundleID = "app.id";
  c.appName = "Tube";
  c.category = category;
  c.mode = mode;
  c.tone = tone;
  c.activeSeconds = 2700;
  c.limitMinutes = 40;
  c.returnTo = ReturnTarget{"editor", "Editor"};
  c.clock = "23:10";
  return c;
}

Intention intention(std::int64_t minutes, double active, bool withReturn,
                    const std::string& purpose = "") {
  Intention i;
  i.bundleID = "browser";
  i.appName = "Browser";
  i.purpose = purpose;
  i.minutes = minutes;
  i.activeSeconds = active;
  if (withReturn) i.returnTo = ReturnTarget{"editor", "Editor"};
  return i;
}

TEST(CheckInCopyTest, AppButtonsFollowCategoryModeAndWayBack) {
  for (auto mode : {AwarenessMode::work, AwarenessMode::relax, AwarenessMode::night}) {
    const auto work = CheckInCopy::appCheckIn(context(AppCategory::work, mode));
    EXPECT_EQ(work.primary, (CheckInAction{"Stretch with me", C::stretch}));
    EXPECT_EQ(work.secondary, (CheckInAction{"Not now", C::keepGoing}));
    EXPECT_FALSE(work.returnTo);
    EXPECT_EQ(work.message, "You've been at it for 45 min. Want to stretch together?");
    EXPECT_EQ(work.symbolName(), "figure.flexibility");
  }
  const auto social = CheckInCopy::appCheckIn(context(AppCategory::social, AwarenessMode::work));
  EXPECT_EQ(social.primary, (CheckInAction{"Back to Editor", C::finish}));
  EXPECT_EQ(social.secondary, (CheckInAction{"Keep going", C::keepGoing}));
  EXPECT_EQ(social.returnTo, (ReturnTarget{"editor", "Editor"}));
  EXPECT_EQ(social.message, "You've been on Tube for 45 min. Want to head back to Editor?");
  EXPECT_EQ(social.title, "Tube \u00B7 45 min");
  EXPECT_EQ(social.laterMinutes, (std::vector<int>{10, 20, 30}));
  EXPECT_EQ(social.overflow,
            (std::vector<CheckInAction>{{"Not again today", C::muteToday},
                                        {"Stop check-ins for Tube", C::stopForApp}}));

  const auto relaxed = CheckInCopy::appCheckIn(context(AppCategory::social, AwarenessMode::relax));
  EXPECT_FALSE(relaxed.returnTo);
  EXPECT_EQ(relaxed.secondary, (CheckInAction{"I'm done", C::finish}));
  EXPECT_EQ(relaxed.message, "You've been on Tube for 45 min. Still having a good time?");

  const auto night = CheckInCopy::appCheckIn(context(AppCategory::video, AwarenessMode::night));
  EXPECT_EQ(night.primary, (CheckInAction{"Keep watching", C::keepGoing}));
  EXPECT_EQ(night.secondary, (CheckInAction{"Call it a night", C::finish}));
  EXPECT_EQ(
      night.message,
      "It's getting late, and you've been watching for 45 min. One more, or call it a night?");
}

TEST(CheckInCopyTest, PlayfulAlternatesAndDirectNeverOffersTheWayBack) {
  auto c = context(AppCategory::video, AwarenessMode::relax, CheckInTone::playful);
  const std::vector<std::pair<int, std::string>> expected = {
      {0, "45 min of Tube! Snack break, or one more?"},
      {1, "Wow, 45 min already! Still loving it?"},
      {-3, "Wow, 45 min already! Still loving it?"},
  };
  for (const auto& [variant, message] : expected) {
    c.variant = variant;
    EXPECT_EQ(CheckInCopy::appCheckIn(c).message, message) << variant;
  }
  c.mode = AwarenessMode::night;
  c.variant = 1;
  EXPECT_EQ(CheckInCopy::appCheckIn(c).message,
            "It's 23:10! Pimble is yawning. One more, or bedtime?");
  c.mode = AwarenessMode::work;
  EXPECT_EQ(CheckInCopy::appCheckIn(c).message, "Tube has had you for 45 min! Back to Editor?");

  c.tone = CheckInTone::direct;
  EXPECT_EQ(CheckInCopy::appCheckIn(c).message, "Tube: 45 min. Check-in set for 40 min.");
  c.mode = AwarenessMode::night;
  EXPECT_EQ(CheckInCopy::appCheckIn(c).message, "Tube: 45 min. It's 23:10.");
  c.category = AppCategory::work;
  EXPECT_EQ(CheckInCopy::appCheckIn(c).message, "Tube: 45 min without a break. Stretch?");
}

TEST(CheckInCopyTest, TimeUpTitles) {
  EXPECT_EQ(CheckInCopy::timeUpTitle(1), "Your 1 minute is up");
  EXPECT_EQ(CheckInCopy::timeUpTitle(59), "Your 59 minutes are up");
  EXPECT_EQ(CheckInCopy::timeUpTitle(60), "Time's up: 1 h");
  EXPECT_EQ(CheckInCopy::timeUpTitle(90), "Time's up: 1 h 30 min");
}

TEST(CheckInCopyTest, IntentionOverrunsAtTwiceItsTimeWithAWayBack) {
  const auto before = CheckInCopy::intentionCheckIn(intention(15, 1799, true),
                                                    CheckInTone::friendly, AwarenessMode::work);
  EXPECT_EQ(before.title, "Your 15 minutes are up");
  EXPECT_EQ(before.message, "Did you finish what you came to Browser for?");
  EXPECT_EQ(before.primary, (CheckInAction{"Yes, finished", C::intentionDone}));
  EXPECT_EQ(before.secondary, (CheckInAction{"Back to Editor", C::backToTask}));
  EXPECT_EQ(before.overflow, (std::vector<CheckInAction>{{"Dismiss", C::dismiss}}));
  EXPECT_EQ(before.laterMinutes, (std::vector<int>{5, 10, 15}));
  EXPECT_EQ(before.symbolName(), "flag.checkered");

  const auto over = CheckInCopy::intentionCheckIn(intention(15, 1800, true), CheckInTone::playful,
                                                  AwarenessMode::relax);
  EXPECT_EQ(over.title, "Browser \u00B7 30 min");
  EXPECT_EQ(over.message, "15 min became 30 min! Editor is right where you left it.");
  EXPECT_EQ(over.primary, (CheckInAction{"Back to Editor", C::backToTask}));
  EXPECT_EQ(over.secondary, (CheckInAction{"Stay here", C::dismiss}));
  EXPECT_EQ(over.overflow, (std::vector<CheckInAction>{{"Yes, I'm finished", C::intentionDone}}));

  const auto alone = CheckInCopy::intentionCheckIn(intention(15, 1800, false),
                                                   CheckInTone::friendly, AwarenessMode::work);
  EXPECT_EQ(alone.title, "Your 15 minutes are up");
  EXPECT_EQ(alone.secondary, (CheckInAction{"Dismiss", C::dismiss}));
  EXPECT_TRUE(alone.overflow.empty());
}

TEST(CheckInCopyTest, IntentionWordingPerTone) {
  auto i = intention(20, 1300, false, "pay the bill");
  auto message = [&](CheckInTone tone) {
    return CheckInCopy::intentionCheckIn(i, tone, AwarenessMode::night).message;
  };
  EXPECT_EQ(message(CheckInTone::friendly),
            "You came here for \u201Cpay the bill\u201D. Did you finish what you came for?");
  EXPECT_EQ(message(CheckInTone::playful), "Ding! Did \u201Cpay the bill\u201D get done?");
  i.checkIns = 1;
  EXPECT_EQ(message(CheckInTone::playful), "Time's up! Mission \u201Cpay the bill\u201D complete?");
  EXPECT_EQ(message(CheckInTone::direct), "Browser: 21 min. Planned: 20 min. For: pay the bill.");
  i.purpose.clear();
  EXPECT_EQ(message(CheckInTone::playful), "Ding! 20 min of Browser. Mission accomplished?");
  EXPECT_EQ(message(CheckInTone::direct), "Browser: 21 min. Planned: 20 min.");
}

TEST(CheckInCopyTest, SessionCardsNameTheSession) {
  auto i = intention(30, 1800, true);
  i.isSession = true;
  const auto friendly =
      CheckInCopy::intentionCheckIn(i, CheckInTone::friendly, AwarenessMode::work);
  EXPECT_EQ(friendly.title, "Browser \u00B7 time's up");
  EXPECT_EQ(friendly.message, "Your 30-minute Browser session is up. One more, or call it here?");
  EXPECT_EQ(friendly.primary, (CheckInAction{"I'm done", C::intentionDone}));
  EXPECT_EQ(friendly.secondary, (CheckInAction{"Back to Editor", C::backToTask}));
  EXPECT_EQ(friendly.laterMinutes, (std::vector<int>{10, 20, 30}));

  i.purpose = "\u00E9crans";  // the first letter takes two bytes
  const auto night = CheckInCopy::sessionCheckIn(i, CheckInTone::friendly, AwarenessMode::night);
  EXPECT_EQ(night.message,
            "Your 30-minute \u00E9crans session is up, and it's getting late. Call it a night?");
  EXPECT_EQ(night.primary.title, "Call it a night");
  EXPECT_EQ(CheckInCopy::sessionCheckIn(i, CheckInTone::playful, AwarenessMode::work).message,
            "\u00C9crans session complete! Snack break, or a little more?");
  EXPECT_EQ(CheckInCopy::sessionCheckIn(i, CheckInTone::direct, AwarenessMode::work).message,
            "\u00C9crans session: 30 min. Planned: 30 min.");
  i.checkIns = 1;
  EXPECT_EQ(CheckInCopy::sessionCheckIn(i, CheckInTone::playful, AwarenessMode::work).message,
            "Ding! That's your \u00E9crans session. Still going strong?");
}

TEST(CheckInCopyTest, FirstCodePointUpperCasing) {
  EXPECT_EQ(CheckInCopy::capitalizedFirst("news"), "News");
  EXPECT_EQ(CheckInCopy::capitalizedFirst(""), "");
  EXPECT_EQ(CheckInCopy::capitalizedFirst("\u0161ah"), "\u0160ah");
  EXPECT_EQ(CheckInCopy::capitalizedFirst("\u043A\u0438\u043D\u043E"), "\u041A\u0438\u043D\u043E");
  EXPECT_EQ(CheckInCopy::capitalizedFirst("\U0001F3AC film"), "\U0001F3AC film");
  EXPECT_EQ(CheckInCopy::capitalizedFirst("\xC3"), "\xC3");  // cut short: left alone
}

TEST(CheckInCopyTest, ResponsesCompareTheirMinutes) {
  EXPECT_EQ(CheckInResponse::remindIn(5), CheckInResponse::remindIn(5));
  EXPECT_NE(CheckInResponse::remindIn(5), CheckInResponse::remindIn(10));
  EXPECT_NE(CheckIn::Kind::intention(Uuid::generate(), "a", "A"),
            CheckIn::Kind::intention(Uuid::generate(), "a", "A"));
}

}  // namespace
}  // namespace pimble
