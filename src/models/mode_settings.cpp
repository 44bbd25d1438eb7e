#include "models/mode_settings.h"

namespace pimble {

Json ModeSettings::toJson() const {
  Json j = Json::object();
  writeField(j, "manualMode", manualMode);
  writeField(j, "overrideUntil", overrideUntil);
  writeField(j, "schedule", schedule);
  writeField(j, "bedtime", bedtime);
  return j;
}

ModeSettings ModeSettings::fromJson(const Json& j) {
  requireObject(j);
  ModeSettings s;
  readField(j, "manualMode", s.manualMode);
  readField(j, "overrideUntil", s.overrideUntil);
  readField(j, "schedule", s.schedule);
  readField(j, "bedtime", s.bedtime);
  return s;
}

}  // namespace pimble
