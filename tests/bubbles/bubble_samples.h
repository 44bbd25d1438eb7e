#pragma once

// Contents the bubble tests and the render tool show.

#include <QApplication>
#include <QPushButton>
#include <QWidget>
#include <string>
#include <utility>
#include <vector>

#include "bubbles/bubble_content.h"

namespace pimble::samples {

inline Reminder water() {
  Reminder r;
  r.kind = ReminderKind::water;
  r.title = "Time for some water";
  r.message = "A few sips keep the focus & the mood up.";
  r.snoozeMinutes = 10;
  return r;
}

inline CheckIn appCheckIn() {
  CheckIn c;
  c.kind = CheckIn::Kind::app("org.videolan.vlc", "VLC", AppCategory::video);
  c.title = "45 minutes in VLC";
  c.message = "Still the plan? Keep going, or wrap up for now.";
  c.primary = {"Wrap up", CheckInResponse::Case::wrapUp};
  c.secondary = CheckInAction{"Keep going", CheckInResponse::Case::keepGoing};
  c.laterMinutes = {10, 20, 30};
  c.overflow = {{"Mute for today", CheckInResponse::Case::muteToday},
                {"Stop checking VLC", CheckInResponse::Case::stopForApp}};
  return c;
}

inline std::vector<ReturnTarget> apps() {
  return {{"org.mozilla.firefox", "Firefox"},
          {"org.videolan.vlc", "VLC"},
          {"org.gnome.TextEditor", "Text Editor"}};
}

inline IntentionForm form(bool prompt) {
  IntentionForm f;
  f.title = prompt ? "Opening Firefox. What's the plan?" : "Set an intention";
  f.apps = apps();
  f.target = f.apps[0];
  f.returnChoices = apps();
  f.returnTo = f.apps[2];
  f.minutes = 15;
  f.isPrompt = prompt;
  return f;
}

inline DaySummary progress(std::vector<std::pair<std::string, std::int64_t>> done) {
  DaySummary s;
  for (auto& [k, v] : done) s.record.done[k] = v;
  return s;
}

// One of every content, with a file-name label.
inline std::vector<std::pair<std::string, BubbleContent>> everyContent() {
  return {
      {"reminder", BubbleContent::reminder(water())},
      {"message", BubbleContent::message("Paused for 30 minutes",
                                         "I'll be quiet until 15:30. Enjoy the focus!")},
      {"progress",
       BubbleContent::progress(progress({{"water", 3}, {"stretch", 1}, {"custom", 2}}))},
      {"progress-empty", BubbleContent::progress(progress({}))},
      {"checkin", BubbleContent::checkIn(appCheckIn())},
      {"form", BubbleContent::intentionForm(form(false))},
      {"form-prompt", BubbleContent::intentionForm(form(true))},
      {"quickactions", BubbleContent::quickActions()},
  };
}

template <class W = QWidget>
W* child(QWidget* root, const char* name) {
  return root->findChild<W*>(QString::fromLatin1(name));
}

}  // namespace pimble::samples
