#pragma once

// Documents shared by the store's tests and its benchmark: the largest one
// the program writes, and hostile files planted in its place.

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "models/activity_data.h"
#include "models/calendar.h"
#include "models/json_coding.h"

namespace pimble::samples {

// 120 days of 100 watched applications with long identifiers, with their
// sessions, mutes and intention questions.
inline ActivityData largestActivity() {
  const Calendar calendar = *Calendar::named("Europe/Berlin");
  const Date start = *calendar.dateFrom(2026, 1, 1, 12, 0);
  const auto id = [](int i) {
    return "io.github.someone.AnApplicationName" + std::to_string(1000 + i);
  };
  ActivityData a;
  for (int d = 0; d < 120; ++d) {
    DayUsage& day = a.days[calendar.dayKey(calendar.addingDays(start, d))];
    day.activeSeconds = 28123.123456789;
    day.checkIns = day.keptGoing = day.finished = day.intentionsSet = day.intentionsKept = 99;
    for (int i = 0; i < 100; ++i) day.apps[id(i)] = 3600.123456789 + i;
  }
  for (int i = 0; i < 100; ++i) {
    AppSession s;
    s.bundleID = id(i);
    s.startedAt = s.lastCountedAt = start;
    s.returnTo = ReturnTarget{id(i + 100), "An Application Name With Words"};
    s.nextCheckInAtSeconds = 2400.5;
    a.sessions[id(i)] = s;
    a.mutedOn[id(i)] = "2026-04-30";
    a.askedAt[id(i)] = start;
  }
  return a;
}

// `head`, then `unit` repeated until about `bytes` are written, then `tail`.
inline void writeRepeated(const std::filesystem::path& p, const std::string& head,
                          const std::string& unit, std::size_t bytes, const std::string& tail) {
  std::ofstream out(p, std::ios::binary);
  out << head;
  std::string chunk;
  while (chunk.size() < 65536) chunk += unit;
  for (std::size_t written = 0; written < bytes; written += chunk.size()) out << chunk;
  out << tail;
}

inline ActivityData goodActivity() {
  ActivityData a;
  a.days["2026-10-25"].activeSeconds = 42;
  return a;
}

struct HostileCase {
  const char* label;
  // Writes "activity.json" and "activity.json.backup" into the directory.
  std::function<void(const std::filesystem::path& dir)> plant;
  // The backup holds goodActivity(); otherwise nothing loads.
  bool backupAnswers;
};

inline std::vector<HostileCase> hostileActivityCases() {
  namespace fs = std::filesystem;
  constexpr std::size_t sixtyMB = 60'000'000;
  constexpr std::size_t nearBound = maxDocumentBytes - 65536;
  const auto goodBackup = [](const fs::path& dir) {
    std::ofstream(dir / "activity.json.backup") << *encodeDocument(goodActivity());
  };
  return {
      {"60 MB of [, 60 MB of zeros as the backup",
       [](const fs::path& dir) {
         writeRepeated(dir / "activity.json", "", "[", sixtyMB, "");
         writeRepeated(dir / "activity.json.backup", "[0", ",0", sixtyMB, "]");
       },
       false},
      {"an array of 60 MB of zeros",
       [goodBackup](const fs::path& dir) {
         writeRepeated(dir / "activity.json", "[0", ",0", sixtyMB, "]");
         goodBackup(dir);
       },
       true},
      {"nesting just under the size bound",
       [goodBackup](const fs::path& dir) {
         writeRepeated(dir / "activity.json", "", "[", nearBound, "");
         goodBackup(dir);
       },
       true},
      {"empty objects just under the size bound, twice",
       [](const fs::path& dir) {
         for (const char* name : {"activity.json", "activity.json.backup"})
           writeRepeated(dir / name, "[{}", ",{}", nearBound, "]");
       },
       false},
      {"distinct keys just under the size bound",
       [goodBackup](const fs::path& dir) {
         std::ofstream out(dir / "activity.json", std::ios::binary);
         out << "{";
         for (std::size_t i = 0, n = 0; n < nearBound; ++i) {
           const std::string entry = (i ? ",\"" : "\"") + std::to_string(i) + "\":[]";
           out << entry;
           n += entry.size();
         }
         out << "}";
         goodBackup(dir);
       },
       true},
  };
}

}  // namespace pimble::samples
