// The settings window and the tour as a desktop shows them with an icon
// theme of its own (GNOME's Adwaita): every symbol is still the program's
// own drawing.

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOptionButton>
#include <QTemporaryDir>
#include <cstdio>

#include "settings/add_app_menu.h"
#include "settings/awareness_settings_view.h"
#include "settings/installed_apps_picker.h"
#include "settings/settings_window_controller.h"
#include "settings/tour_fixture.h"
#include "support/desktop_peers.h"
#include "support/marked_icon_theme.h"

namespace pimble {
namespace {

using testing::SettingsFixture;
using testing::TourFixture;

// A seeded model's every tab, each shown in the window in turn.
void eachTab(SettingsWindowController& settings, const std::function<void(SettingsTab)>& check) {
  settings.show();
  for (SettingsTab tab : allSettingsTabs) {
    settings.show(tab);
    QApplication::sendPostedEvents();
    QApplication::processEvents();
    check(tab);
  }
}

// Every page of the tour, the awareness page with awareness on.
void eachPage(OnboardingWindowController& tour, AppModel& model,
              const std::function<void(OnboardingStep)>& check) {
  tour.state().setWantsAwareness(true);
  AppSettings settings = model.settings();
  settings.awareness.isEnabled = true;
  settings.modes.schedule.isEnabled = true;
  model.setSettings(settings);
  tour.show();
  for (int raw = 0; raw < onboardingStepCount; ++raw) {
    tour.state().setStep(*onboardingStep(raw));
    QApplication::sendPostedEvents();
    QApplication::processEvents();
    check(*onboardingStep(raw));
  }
}

// Something for every row of every tab to show.
void seed(AppModel& model) {
  model.addCustomReminder();
  // Applications no desktop entry names: their rows show the program's
  // picture for an application without an icon.
  model.watch({"test.pimble.first", "First"});
  model.watch({"test.pimble.second", "Second"});
  AppSettings settings = model.settings();
  settings.awareness.isEnabled = true;
  settings.modes.schedule.isEnabled = true;
  settings.modes.bedtime.isEnabled = true;
  model.setSettings(settings);
  model.record(ReminderAction::done, ReminderKind::water, model.now());
  model.record(ReminderAction::done, ReminderKind::custom, model.now());
}

// ---------------------------------------------------------------------------
// Symbols

// The widgets shown under `top` with a picture of the marked theme.
QStringList themed(QWidget* top) {
  QStringList found;
  for (QWidget* w : top->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(top)) continue;
    QList<QImage> pictures;
    if (auto* button = qobject_cast<QAbstractButton*>(w); button && !button->icon().isNull()) {
      for (QIcon::State state : {QIcon::Off, QIcon::On})
        pictures << button->icon().pixmap(button->iconSize(), 1.0, QIcon::Normal, state).toImage();
    } else if (auto* label = qobject_cast<QLabel*>(w); label && !label->pixmap().isNull()) {
      pictures << label->pixmap().toImage();
    }
    for (const QImage& picture : pictures) {
      if (testing::MarkedIconTheme::marked(picture)) {
        found << w->objectName() + QLatin1Char('/') + w->metaObject()->className();
        break;
      }
    }
  }
  return found;
}

class DesktopSymbolsTest : public TourFixture {};

TEST_F(DesktopSymbolsTest, TheSettingsAndTheTourDrawEverySymbolThemselvesWhateverTheIconTheme) {
  const testing::MarkedIconTheme theme;
  ASSERT_TRUE(QIcon::hasThemeIcon(QStringLiteral("list-add")));
  seed(model());
  SettingsWindowController settings(model());
  eachTab(settings, [&](SettingsTab tab) {
    EXPECT_EQ(themed(settings.window()), QStringList()) << rawValue(tab);
  });
  settings.window()->hide();
  eachPage(tour(), model(), [&](OnboardingStep step) {
    EXPECT_EQ(themed(tour().window()), QStringList()) << rawValue(step);
  });
}

}  // namespace
}  // namespace pimble
