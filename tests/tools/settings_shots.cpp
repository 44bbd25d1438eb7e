// Writes a PNG of every tab of the settings window, for reviewers: the real
// window on a seeded model, in the light palette, offscreen.
//
//   settings_shots OUT_DIR        writes OUT_DIR/settings-<tab>.png, the
//                                 whole page as settings-<tab>-full.png, the
//                                 Awareness tab's add-app menu and installed
//                                 apps picker, and the General tab after a
//                                 failed login change
#include <QCheckBox>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QPainter>

#include "models/memory_persistence.h"
#include "settings/add_app_menu.h"
#include "settings/awareness_settings_view.h"
#include "settings/installed_apps_picker.h"
#include "settings/settings_window_controller.h"
#include "state/app_model.h"
#include "system/fake_time_source.h"
#include "tools/review_tool.h"

using namespace pimble;

namespace {

// The applications the seeded model watches (the first four) and a few more
// that are installed and running.
const std::vector<std::pair<std::string, const char*>> installedApps = {
    {"org.mozilla.firefox", "Firefox"},       {"com.discordapp.Discord", "Discord"},
    {"org.videolan.VLC", "VLC media player"}, {"com.valvesoftware.Steam", "Steam"},
    {"org.gnome.Calculator", "Calculator"},   {"org.kde.krita", "Krita"}};

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

  // A personal reminder with a long title, so the list shows how it is cut.
  Reminder own = model.addCustomReminder();
  std::vector<Reminder> reminders = model.reminders();
  reminders.back().title = "Water the plants on the windowsill before lunch";
  reminders[2].isEnabled = false;
  model.setReminders(reminders);

  // Four watched applications: one switched off, one that asks for an
  // intention, one with a limit from a hand-edited file; time in three.
  for (size_t i = 0; i < 4; ++i)
    model.watch(ReturnTarget{installedApps[i].first, installedApps[i].second});
  AppSettings settings = model.settings();
  settings.awareness.isEnabled = true;
  settings.awareness.apps[1].askIntention = true;
  settings.awareness.apps[2].isEnabled = false;
  settings.awareness.apps[3].relaxMinutes = 25;
  settings.modes.schedule.isEnabled = true;
  settings.modes.bedtime.isEnabled = true;
  // The nudges' description carries an emoji, so the shot shows it drawn.
  settings.tinyMessages = TinyMessages::greetingsAndNudges;
  model.setSettings(settings);
  DayUsage today;
  today.activeSeconds = 3 * 3600 + 25 * 60;
  today.apps = {{installedApps[0].first, 47 * 60}, {installedApps[1].first, 3900}};
  today.checkIns = 2;
  today.intentionsSet = 3;
  today.intentionsKept = 2;
  model.setActivityToday(today);
  model.setMode(AwarenessMode::relax);
}

// Desktop entries with icons of their own for the watched applications and
// a few more installed ones, in a private data folder.
void installApps(const QDir& data) {
  QDir().mkpath(data.filePath(QStringLiteral("applications")));
  QDir().mkpath(data.filePath(QStringLiteral("icons")));
  const QColor colours[] = {QColor(0xe6, 0x6b, 0x1f), QColor(0x58, 0x65, 0xf2),
                            QColor(0xf0, 0x8a, 0x00), QColor(0x1b, 0x28, 0x38),
                            QColor(0x2e, 0x9e, 0x5b), QColor(0x8e, 0x44, 0xad)};
  int i = 0;
  for (const auto& [id, name] : installedApps) {
    QImage icon(64, 64, QImage::Format_ARGB32_Premultiplied);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(colours[i++ % 6]);
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(QRectF(4, 4, 56, 56), 14, 14);
    p.setPen(Qt::white);
    QFont f = p.font();
    f.setPixelSize(34);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(4, 4, 56, 56), Qt::AlignCenter, QString::fromUtf8(name).left(1));
    p.end();
    const QString iconPath =
        data.filePath(QStringLiteral("icons/%1.png").arg(QString::fromStdString(id)));
    icon.save(iconPath, "PNG");
    QFile entry(
        data.filePath(QStringLiteral("applications/%1.desktop").arg(QString::fromStdString(id))));
    entry.open(QIODevice::WriteOnly);
    entry.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=/bin/true\n"
                               "Icon=%2\n")
                    .arg(QString::fromUtf8(name), iconPath)
                    .toUtf8());
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The installed applications the shots show are the only ones the run's
  // private data folder holds.
  const review::ReviewTool tool(argc, argv, "settings_shots");
  if (tool.failure()) return *tool.failure();
  installApps(tool.dataFolder());
  std::vector<ReturnTarget> running;
  for (const auto& [id, name] : installedApps) running.push_back({id, name});
  review::ReviewTool::running(running);

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
    if (!tool.save(controller.window(),
                   QStringLiteral("settings-%1.png").arg(QString::fromUtf8(rawValue(tab).data()))))
      return 1;
    ++written;
    // The whole page too, as if the window were tall enough not to scroll.
    QWidget* page = controller.page(tab);
    const QSize full(page->width(), page->heightForWidth(page->width()) > 0
                                        ? page->heightForWidth(page->width())
                                        : page->sizeHint().height());
    const QSize shown = page->size();
    page->resize(full);
    if (!tool.save(
            page,
            QStringLiteral("settings-%1-full.png").arg(QString::fromUtf8(rawValue(tab).data()))))
      return 1;
    page->resize(shown);
  }

  // The add-app menu as it opens, and the picker over the installed apps
  // with two of them chosen.
  controller.show(SettingsTab::awareness);
  auto* awareness = static_cast<AwarenessSettingsView*>(controller.page(SettingsTab::awareness));
  AddAppMenu* addApp = awareness->addAppMenu();
  addApp->menu()->popup(addApp->mapToGlobal(QPoint(0, addApp->height())));
  QApplication::processEvents();
  if (!tool.save(addApp->menu(), QStringLiteral("settings-awareness-add-app.png"))) return 1;
  addApp->menu()->hide();
  addApp->chooseApp();
  QApplication::processEvents();
  if (InstalledAppsPicker* picker = addApp->picker()) {
    picker->choose({"org.gnome.Calculator", "org.kde.krita"});
    QApplication::processEvents();
    if (!tool.save(picker, QStringLiteral("settings-awareness-picker.png"))) return 1;
    picker->reject();
  }

  // The General tab after a failed login change: a file stands where the
  // configuration folder should be, so no autostart entry can be written.
  const QString blocked = tool.configFolder() + QStringLiteral("/not-a-folder");
  QFile(blocked).open(QIODevice::WriteOnly);
  setenv("XDG_CONFIG_HOME", blocked.toUtf8().constData(), 1);
  controller.show(SettingsTab::general);
  if (auto* login = controller.page(SettingsTab::general)->findChild<QCheckBox*>("openAtLogin"))
    login->click();
  QApplication::processEvents();
  if (!tool.save(controller.window(), QStringLiteral("settings-general-login-failed.png")))
    return 1;
  return written > 0 ? 0 : 1;
}
