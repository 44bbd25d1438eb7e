#include "models/reminders_file.h"

namespace pimble {

Json RemindersFile::toJson() const {
  Json j = Json::object();
  writeField(j, "reminders", reminders);
  return j;
}

RemindersFile RemindersFile::fromJson(const Json& j) {
  requireObject(j);
  RemindersFile f;
  readField(j, "reminders", f.reminders);
  return f;
}

}  // namespace pimble
