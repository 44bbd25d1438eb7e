#include <QGuiApplication>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

#include "companion/render_options.h"

namespace {

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  if (const auto request = pimble::RenderOptions::find(arguments)) {
    // The render tools draw offscreen; they must run on a machine without a
    // desktop too.
    if (!hasDisplay()) setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QGuiApplication app(argc, argv);
    return pimble::RenderOptions::run(*request);
  }
  std::puts("Pimble: the companion's window is not assembled yet.");
  return 0;
}
