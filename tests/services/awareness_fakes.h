#pragma once

// A hand-driven clock, idle reading, media answer and pinned time zone for the
// awareness tests.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "models/app_identity.h"
#include "models/calendar.h"
#include "models/date.h"
#include "services/activity_tracker.h"

namespace pimble::testing {

struct FakeMachine {
  Calendar calendar = *Calendar::named("Europe/Berlin");
  Date now = *calendar.dateFrom(2026, 3, 4, 10, 0);  // a Wednesday
  double idle = 0;
  std::set<std::string> playingMedia;

  Date at(int year, int month, int day, int hour, int minute, int second = 0) const {
    return *calendar.dateFrom(year, month, day, hour, minute, second);
  }
  void advance(double seconds) { now = addSeconds(now, seconds); }
  // The wall clock set by hand: no time passes on the steady clock.
  void setClock(Date date) {
    steadyOffset += secondsSince1970(now) - secondsSince1970(date);
    now = date;
  }
  double steadyOffset = 0;

  ActivityTracker::Environment trackerEnvironment() {
    ActivityTracker::Environment env;
    env.now = [this] { return now; };
    env.idleSeconds = [this] { return idle; };
    env.isPlayingMedia = [this](const AppIdentity& app) {
      return playingMedia.contains(app.bundleID);
    };
    env.calendar = calendar;
    env.steadyNow = [this] { return secondsSince1970(now) + steadyOffset; };
    return env;
  }
};

inline AppIdentity app(const std::string& id, std::int32_t pid = 100) {
  return AppIdentity{id, id + " app", pid};
}

}  // namespace pimble::testing
