#include "models/progress_data.h"

namespace pimble {

Json ProgressData::toJson() const {
  Json j = Json::object();
  writeField(j, "days", days);
  return j;
}

ProgressData ProgressData::fromJson(const Json& j) {
  requireObject(j);
  ProgressData p;
  readField(j, "days", p.days);
  return p;
}

}  // namespace pimble
