#include "companion/uptime.h"

#include <QElapsedTimer>

namespace pimble {

double uptimeSeconds() {
  static const QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return double(clock.nsecsElapsed()) / 1e9;
}

}  // namespace pimble
