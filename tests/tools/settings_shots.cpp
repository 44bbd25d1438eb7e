// Writes a PNG of every tab of the settings window, for reviewers: the real
// window on a seeded model, in the light palette, offscreen.
//
//   settings_shots OUT_DIR        writes OUT_DIR/settings-<tab>.png, the
//                                 whole page as settings-<tab>-full.png, and
//                                 the General tab after a failed login change
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTemporaryDir>
#include <cstdio>

#include "models/memory_persistence.h"
#include "settings/settings_window_controller.h"
#include "state/app_model.h"
#include "system/fake_time_source.h"

using namespace pimble;

namespace {

// A week of progress, a personal reminder done today, a pause and a quiet
// status line, so every row of every tab has something to show.
void seed(AppModel& model) {
  const Date now = model.now();
  const Calendar& calendar = model.progress().calendar;
  const ReminderKind kinds[] = {ReminderKind::water,   ReminderKind::stretch,
                                ReminderKind::eyeRest, ReminderKind::posture,
                                ReminderKind::walk,    ReminderKind::takeBreak};
  const int perDay[] = {3, 0, 5, 8, 2, 6, 4};
  for (int day = 0; day < 7; ++day) {
    const Date at = calendar.addingDays(now, day - 6);
    for (int i = 0; i < perDay[day]; ++i)
      model.record(ReminderAction::done, kinds[static_cast<size_t>(i) % 6], at);
  }
  model.record(ReminderAction::done, ReminderKind::water, now);
  model.record(ReminderAction::done, ReminderKind::custom, now);
  model.record(ReminderAction::snoozed, ReminderKind::stretch, now);
  model.setPausedUntil(now + Seconds(45 * 60));
  model.setQuietStatus("Right now Pimble is waiting: microphone in use by Firefox and Zoom.");
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // The tool must not read the user's autostart entry or anything else of
  // theirs.
  QTemporaryDir config;
  setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: settings_shots OUT_DIR\n");
    return 2;
  }
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setPalette(QApplication::style()->standardPalette());
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(out.path())) {
    std::fprintf(stderr, "could not make the folder %s\n", qPrintable(out.path()));
    return 1;
  }

  MemoryPersistence store;
  FakeTimeSource time(dateFromSeconds(1'800'000'000.0));
  AppModel model(store, time);
  seed(model);
  SettingsWindowController controller(model);
  controller.show();
  int written = 0;
  for (SettingsTab tab : allSettingsTabs) {
    if (controller.page(tab) == nullptr) continue;
    controller.show(tab);
    QApplication::processEvents();
    const QString path = out.filePath(
        QStringLiteral("settings-%1.png").arg(QString::fromUtf8(rawValue(tab).data())));
    if (!controller.window()->grab().save(path, "PNG")) {
      std::fprintf(stderr, "could not write %s\n", qPrintable(path));
      return 1;
    }
    std::printf("%s\n", qPrintable(path));
    ++written;
    // The whole page too, as if the window were tall enough not to scroll.
    QWidget* page = controller.page(tab);
    const QSize full(page->width(), page->heightForWidth(page->width()) > 0
                                        ? page->heightForWidth(page->width())
                                        : page->sizeHint().height());
    const QSize shown = page->size();
    page->resize(full);
    const QString fullPath = out.filePath(
        QStringLiteral("settings-%1-full.png").arg(QString::fromUtf8(rawValue(tab).data())));
    if (!page->grab().save(fullPath, "PNG")) return 1;
    page->resize(shown);
  }

  // The General tab after a failed login change: a file stands where the
  // configuration folder should be, so no autostart entry can be written.
  const QString blocked = config.filePath(QStringLiteral("not-a-folder"));
  QFile(blocked).open(QIODevice::WriteOnly);
  setenv("XDG_CONFIG_HOME", blocked.toUtf8().constData(), 1);
  controller.show(SettingsTab::general);
  if (auto* login = controller.page(SettingsTab::general)->findChild<QCheckBox*>("openAtLogin"))
    login->click();
  QApplication::processEvents();
  const QString failed = out.filePath(QStringLiteral("settings-general-login-failed.png"));
  if (!controller.window()->grab().save(failed, "PNG")) return 1;
  std::printf("%s\n", qPrintable(failed));
  return written > 0 ? 0 : 1;
}
