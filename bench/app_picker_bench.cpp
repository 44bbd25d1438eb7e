// Opening the picker over the installed applications from the Awareness
// tab's add-app menu, with 200 installed desktop entries in a private data
// folder (half with an icon file, half naming a theme icon): the time from
// choosing "Choose from installed apps…" until the picker is on screen and
// painted, the first time (the entries are read then) and again afterwards.
// bench/measure-app-picker.sh runs it on a private X server with a window
// manager.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "models/memory_persistence.h"
#include "settings/add_app_menu.h"
#include "settings/awareness_settings_view.h"
#include "settings/installed_apps_picker.h"
#include "settings/settings_window_controller.h"
#include "state/app_model.h"
#include "system/system_time_source.h"

namespace {

constexpr int kEntries = 200;

void writeEntries(const QDir& data) {
  QDir().mkpath(data.filePath("applications"));
  QDir().mkpath(data.filePath("icons"));
  QImage icon(64, 64, QImage::Format_ARGB32);
  for (int i = 0; i < kEntries; ++i) {
    const QString id = QString("org.example.App%1").arg(i, 3, 10, QChar('0'));
    QString iconName = id;
    if (i % 2 == 0) {
      icon.fill(QColor::fromHsv((i * 37) % 360, 160, 220));
      iconName = data.filePath("icons/" + id + ".png");
      icon.save(iconName, "PNG");
    }
    QFile file(data.filePath("applications/" + id + ".desktop"));
    file.open(QIODevice::WriteOnly);
    file.write(QString("[Desktop Entry]\nType=Application\nName=Application %1\nExec=/bin/true "
                       "%%U\nIcon=%2\nCategories=Utility;\n")
                   .arg(i)
                   .arg(iconName)
                   .toUtf8());
  }
}

// Chooses "Choose from installed apps…" and waits until the picker is on
// screen and painted; the time in milliseconds, or a negative one when it
// never came.
double openPicker(pimble::AddAppMenu& menu) {
  QElapsedTimer clock;
  clock.start();
  menu.chooseApp();
  pimble::InstalledAppsPicker* picker = menu.picker();
  if (picker == nullptr) return -1;
  while (picker->windowHandle() == nullptr || !picker->windowHandle()->isExposed()) {
    QApplication::processEvents(QEventLoop::AllEvents, 5);
    if (clock.elapsed() > 5000) return -1;
  }
  // The first paint follows the expose.
  QApplication::processEvents();
  const double ms = double(clock.nsecsElapsed()) / 1e6;
  std::printf("  icons looked up: %d of %d\n", picker->iconsLoaded(), kEntries);
  picker->reject();
  QApplication::processEvents();
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  QTemporaryDir data;
  QTemporaryDir config;
  setenv("XDG_DATA_HOME", data.path().toUtf8().constData(), 1);
  setenv("XDG_DATA_DIRS", data.filePath("none").toUtf8().constData(), 1);
  setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);
  writeEntries(QDir(data.path()));

  pimble::MemoryPersistence store;
  pimble::SystemTimeSource time;
  pimble::AppModel model(store, time);
  pimble::SettingsWindowController settings(model);
  settings.show(pimble::SettingsTab::awareness);
  QElapsedTimer settle;
  settle.start();
  while (settle.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  auto* awareness =
      static_cast<pimble::AwarenessSettingsView*>(settings.page(pimble::SettingsTab::awareness));

  const double first = openPicker(*awareness->addAppMenu());
  std::vector<double> again;
  for (int i = 0; i < 9; ++i) again.push_back(openPicker(*awareness->addAppMenu()));
  std::sort(again.begin(), again.end());
  if (first < 0 || again.front() < 0) {
    std::fprintf(stderr, "the picker never came on screen\n");
    return 1;
  }
  std::printf("picker with %d installed apps, first open: %.1f ms (target 200)\n", kEntries, first);
  std::printf("picker opened again: median %.1f ms, slowest %.1f ms\n", again[again.size() / 2],
              again.back());
  return 0;
}
