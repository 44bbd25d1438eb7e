#include "models/activity_data.h"

namespace pimble {

Json ActivityData::toJson() const {
  Json j = Json::object();
  writeField(j, "days", days);
  writeField(j, "sessions", sessions);
  writeField(j, "mutedOn", mutedOn);
  writeField(j, "bedtimeHandled", bedtimeHandled);
  writeField(j, "bedtimeSnoozedUntil", bedtimeSnoozedUntil);
  writeField(j, "intention", intention);
  writeField(j, "askedAt", askedAt);
  return j;
}

ActivityData ActivityData::fromJson(const Json& j) {
  requireObject(j);
  ActivityData a;
  readField(j, "days", a.days);
  readField(j, "sessions", a.sessions);
  readField(j, "mutedOn", a.mutedOn);
  readField(j, "bedtimeHandled", a.bedtimeHandled);
  readField(j, "bedtimeSnoozedUntil", a.bedtimeSnoozedUntil);
  readField(j, "intention", a.intention);
  readField(j, "askedAt", a.askedAt);
  return a;
}

}  // namespace pimble
