#include "models/app_settings.h"

namespace pimble {

Json AppSettings::toJson() const {
  Json j = Json::object();
  writeField(j, "showCompanion", showCompanion);
  writeField(j, "alwaysOnTop", alwaysOnTop);
  writeField(j, "companionSize", companionSize);
  writeField(j, "position", position);
  writeField(j, "animationIntensity", animationIntensity);
  writeField(j, "soundEffects", soundEffects);
  writeField(j, "bubbleStyle", bubbleStyle);
  writeField(j, "quietHours", quietHours);
  writeField(j, "idleDetectionEnabled", idleDetectionEnabled);
  writeField(j, "idleThresholdMinutes", idleThresholdMinutes);
  writeField(j, "notifyWhenHidden", notifyWhenHidden);
  writeField(j, "bubbleTimeoutSeconds", bubbleTimeoutSeconds);
  writeField(j, "showCape", showCape);
  writeField(j, "capeColor", capeColor);
  writeField(j, "followCursor", followCursor);
  writeField(j, "petting", petting);
  writeField(j, "liveliness", liveliness);
  writeField(j, "surprises", surprises);
  writeField(j, "tinyMessages", tinyMessages);
  writeField(j, "onboardingCompleted", onboardingCompleted);
  writeField(j, "awareness", awareness);
  writeField(j, "modes", modes);
  writeField(j, "stayQuiet", stayQuiet);
  return j;
}

AppSettings AppSettings::fromJson(const Json& j) {
  requireObject(j);
  AppSettings s;
  readField(j, "showCompanion", s.showCompanion);
  readField(j, "alwaysOnTop", s.alwaysOnTop);
  readField(j, "companionSize", s.companionSize);
  readField(j, "position", s.position);
  readField(j, "animationIntensity", s.animationIntensity);
  readField(j, "soundEffects", s.soundEffects);
  readField(j, "bubbleStyle", s.bubbleStyle);
  readField(j, "quietHours", s.quietHours);
  readField(j, "idleDetectionEnabled", s.idleDetectionEnabled);
  readField(j, "idleThresholdMinutes", s.idleThresholdMinutes);
  readField(j, "notifyWhenHidden", s.notifyWhenHidden);
  readField(j, "bubbleTimeoutSeconds", s.bubbleTimeoutSeconds);
  readField(j, "showCape", s.showCape);
  readField(j, "capeColor", s.capeColor);
  readField(j, "followCursor", s.followCursor);
  readField(j, "petting", s.petting);
  readField(j, "liveliness", s.liveliness);
  readField(j, "surprises", s.surprises);
  readField(j, "tinyMessages", s.tinyMessages);
  s.onboardingCompleted = true;
  readField(j, "onboardingCompleted", s.onboardingCompleted);
  readField(j, "awareness", s.awareness);
  readField(j, "modes", s.modes);
  readField(j, "stayQuiet", s.stayQuiet);
  return s;
}

}  // namespace pimble
