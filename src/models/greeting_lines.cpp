#include "models/greeting_lines.h"

namespace pimble::GreetingLines {

using Lines = std::vector<std::string>;

const Lines& greeting(DayPart part) {
  static const Lines earlyMorning = {"Good morning \u2600\uFE0F", "You're up early!",
                                     "Early start today?", "Morning, early bird"};
  static const Lines morning = {"Good morning \u2600\uFE0F", "Morning! Ready when you are",
                                "Hi! New day, tiny adventures", "Good morning, hero"};
  static const Lines afternoon = {"Good afternoon", "Hi! Afternoon already",
                                  "Good afternoon \u2601\uFE0F", "Hey! How's the day going?"};
  static const Lines evening = {"Good evening", "Evening already?", "Good evening \U0001F319",
                                "Let's take it easy tonight"};
  static const Lines lateNight = {"Late night, huh? \U0001F319", "Still up? Go easy",
                                  "A late one tonight?", "Night owl mode \U0001F989"};
  switch (part) {
    case DayPart::earlyMorning:
      return earlyMorning;
    case DayPart::morning:
      return morning;
    case DayPart::afternoon:
      return afternoon;
    case DayPart::evening:
      return evening;
    case DayPart::lateNight:
      break;
  }
  return lateNight;
}

const Lines& nudge(ReminderKind kind) {
  static const Lines water = {"Water soon? \U0001F4A7", "A sip break is coming up"};
  static const Lines stretch = {"Stretch in a bit?", "Let's move a little soon"};
  static const Lines eyeRest = {"Eyes need a rest soon?", "A little eye break soon"};
  static const Lines posture = {"Comfy posture check soon", "Sit tall in a bit?"};
  static const Lines walk = {"A little walk soon?", "Let's wander a bit soon"};
  static const Lines takeBreak = {"A little break later?", "Break time soon"};
  switch (kind) {
    case ReminderKind::water:
      return water;
    case ReminderKind::stretch:
      return stretch;
    case ReminderKind::eyeRest:
      return eyeRest;
    case ReminderKind::posture:
      return posture;
    case ReminderKind::walk:
      return walk;
    case ReminderKind::takeBreak:
    case ReminderKind::custom:
      break;
  }
  return takeBreak;
}

const Lines& welcomeBack() {
  static const Lines lines = {"Welcome back!", "Oh hi, you're back", "Missed you a little",
                              "Hey, welcome back"};
  return lines;
}

const Lines& cheer() {
  static const Lines lines = {"That felt nice", "Tiny hero approved", "Good one!",
                              "Feels better, right?"};
  return lines;
}

const Lines& cute() {
  static const Lines lines = {"I'm here", "Ready when you are", "Tiny hero mode",
                              "You've got this"};
  return lines;
}

}  // namespace pimble::GreetingLines
