#include "companion/screen_space.h"

#include <QGuiApplication>
#include <QScreen>

#include "companion/display_id.h"

namespace pimble {

ScreenSpace ScreenSpace::current() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary == nullptr) return {};
  const QRect g = primary->geometry();
  return {double(g.x()), double(g.y()) + g.height()};
}

ScreenList ScreenSpace::screens() {
  const ScreenSpace space = current();
  ScreenList list;
  const QScreen* primary = QGuiApplication::primaryScreen();
  auto add = [&](const QScreen* s) {
    list.push_back({displayID(s->name(), s->serialNumber()), space.fromQt(s->geometry()),
                    space.fromQt(s->availableGeometry())});
  };
  if (primary != nullptr) add(primary);
  for (const QScreen* s : QGuiApplication::screens()) {
    if (s != primary) add(s);
  }
  return list;
}

}  // namespace pimble
