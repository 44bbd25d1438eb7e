#pragma once

// A stand-in for the controller behind the menus: its state is set by the
// test and every command is written down with its argument.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/menu_actions.h"

namespace pimble::testing {

class FakeMenuActions : public MenuActions {
 public:
  bool visible = true;
  std::vector<Reminder> reminders;
  std::optional<Date> until;
  bool indefinitely = false;
  std::optional<std::string> status;
  AwarenessMode current = AwarenessMode::work;
  bool shortcut = true;

  // Each command as "name" or "name:argument".
  std::vector<std::string> calls;
  std::vector<Reminder> reminded;

  bool companionVisible() const override { return visible; }
  std::vector<Reminder> enabledReminders() const override {
    std::vector<Reminder> enabled;
    for (const Reminder& r : reminders)
      if (r.isEnabled) enabled.push_back(r);
    return enabled;
  }
  std::optional<Date> pausedUntil() const override { return until; }
  bool pausedIndefinitely() const override { return indefinitely; }
  std::optional<std::string> intentionStatus() const override { return status; }
  AwarenessMode mode() const override { return current; }
  bool intentionShortcutActive() const override { return shortcut; }

  void summonCompanion() override { calls.push_back("summon"); }
  void toggleCompanion() override { calls.push_back("toggle"); }
  void remindNow(const Reminder& reminder) override {
    calls.push_back("remind:" + reminder.title);
    reminded.push_back(reminder);
  }
  void pause(std::optional<double> seconds) override {
    calls.push_back("pause:" + (seconds ? std::to_string(int(*seconds)) : std::string("none")));
  }
  void resume() override { calls.push_back("resume"); }
  void openIntentionForm() override { calls.push_back("intentionForm"); }
  void endIntention(Intention::Status status) override {
    calls.push_back(std::string("end:") + std::string(enumName(status)));
  }
  void extendIntention(std::int64_t minutes) override {
    calls.push_back("extend:" + std::to_string(minutes));
  }
  void startSession(const SessionPreset& preset) override {
    calls.push_back("session:" + preset.label + ":" + std::to_string(preset.minutes));
  }
  void setMode(AwarenessMode mode) override {
    calls.push_back(std::string("mode:") + std::string(enumName(mode)));
  }
  void showProgress() override { calls.push_back("progress"); }
  void openSettings(std::optional<SettingsTab> tab) override {
    calls.push_back(tab ? "settings:tab" : "settings");
  }
  void quit() override { calls.push_back("quit"); }
};

}  // namespace pimble::testing
