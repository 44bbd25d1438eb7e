#include "companion/display_id.h"

#include <QByteArray>

namespace pimble {

std::uint32_t displayID(const QString& name, const QString& serial) {
  if (name.isEmpty() && serial.isEmpty()) return 0;
  // FNV-1a over the UTF-8 bytes, with a separator so that ("ab", "c") and
  // ("a", "bc") differ.
  std::uint32_t hash = 2166136261u;
  auto feed = [&hash](const QByteArray& bytes) {
    for (char c : bytes) {
      hash ^= static_cast<unsigned char>(c);
      hash *= 16777619u;
    }
  };
  feed(name.toUtf8());
  feed(QByteArray(1, '\0'));
  feed(serial.toUtf8());
  return hash == 0 ? 1 : hash;
}

}  // namespace pimble
