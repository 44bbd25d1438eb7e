// Opening the settings window for the first time in the resting program:
// the real controller on a fresh data folder is started and left to rest,
// then the settings window is opened as the tray's settings item opens it.
// Prints the time until the window is on screen and painted, and the PSS
// the window added once things settle. bench/measure-settings.sh runs it on
// a private X server with a window manager.
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <fstream>
#include <string>

#include "app/app_controller.h"
#include "models/file_persistence.h"
#include "settings/settings_window_controller.h"
#include "system/system_time_source.h"

namespace {

struct Memory {
  long pss = 0;       // kB, shared pages split among the processes using them
  long private_ = 0;  // kB, pages of this process alone (steadier while other
                      // programs load and unload the same libraries)
};

Memory memory() {
  std::ifstream in("/proc/self/smaps_rollup");
  std::string line;
  Memory m;
  while (std::getline(in, line)) {
    const auto colon = line.find(':');
    if (colon == std::string::npos) continue;
    const std::string key = line.substr(0, colon);
    if (key == "Pss") m.pss = std::stol(line.substr(colon + 1));
    if (key == "Private_Clean" || key == "Private_Dirty")
      m.private_ += std::stol(line.substr(colon + 1));
  }
  return m;
}

// Runs the event loop for a while, as the resting program would.
void rest(double seconds) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < seconds * 1000) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir data;
  QTemporaryDir config;
  setenv("PIMBLE_DATA_DIR", data.path().toUtf8().constData(), 1);
  setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  pimble::FilePersistence store(data.path().toStdString());
  pimble::AppSettings settings;
  settings.onboardingCompleted = true;  // no tour in the way
  store.save(settings, "settings");
  pimble::SystemTimeSource time;
  pimble::AppController controller(store, time);
  controller.start();
  rest(8);  // the character arrives after 5 s
  const Memory before = memory();

  QElapsedTimer clock;
  clock.start();
  controller.openSettings();
  QWidget* window = controller.settingsWindow()->window();
  while (window->windowHandle() == nullptr || !window->windowHandle()->isExposed()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (clock.elapsed() > 5000) {
      std::fprintf(stderr, "the settings window never came on screen\n");
      return 1;
    }
  }
  // The first paint follows the expose.
  QApplication::processEvents();
  const double openMs = double(clock.nsecsElapsed()) / 1e6;

  rest(3);
  const Memory after = memory();
  std::printf("first open: %.1f ms (target 150)\n", openMs);
  std::printf(
      "PSS resting: %.1f MB, with the settings window: %.1f MB, added: %.1f MB (target "
      "15); private memory added: %.1f MB\n",
      before.pss / 1024.0, after.pss / 1024.0, (after.pss - before.pss) / 1024.0,
      (after.private_ - before.private_) / 1024.0);
  controller.shutdown();
  return 0;
}
