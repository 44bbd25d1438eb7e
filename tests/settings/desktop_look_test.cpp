// The settings window and the tour as a desktop shows them with an icon
// theme and an order of dialog buttons of its own (GNOME's Adwaita, Cancel
// first): every symbol is still the program's own drawing, and every
// dialog's action stands on one side of Cancel.

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

// ---------------------------------------------------------------------------
// The order of a dialog's buttons

// A style that lays out the buttons of dialogs as one desktop does.
class DesktopButtonLayout : public QProxyStyle {
 public:
  explicit DesktopButtonLayout(QDialogButtonBox::ButtonLayout layout)
      : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))), layout_(layout) {}
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returned) const override {
    if (hint == SH_DialogButtonLayout) return layout_;
    return QProxyStyle::styleHint(hint, option, widget, returned);
  }

 private:
  QDialogButtonBox::ButtonLayout layout_;
};

// Whether the dialog's button that goes ahead stands after Cancel, as the
// dialog's buttons are laid out under that style.
bool goesAheadLast(QWidget* dialog, QAbstractButton* ahead, QAbstractButton* cancel,
                   QStyle* style) {
  auto* buttons = dialog->findChild<QDialogButtonBox*>();
  EXPECT_NE(buttons, nullptr);
  if (buttons == nullptr) return false;
  buttons->setStyle(style);
  buttons->layout()->activate();
  return ahead->x() > cancel->x();
}

class DesktopButtonOrderTest : public SettingsFixture {};

TEST_F(DesktopButtonOrderTest, TheActionOfEveryDialogStandsOnOneSideOfCancelOnEachDesktop) {
  seed(model());
  SettingsWindowController settings(model());
  settings.show(SettingsTab::awareness);
  auto* awareness = static_cast<AwarenessSettingsView*>(settings.page(SettingsTab::awareness));
  awareness->addAppMenu()->chooseApp();
  InstalledAppsPicker* picker = awareness->addAppMenu()->picker();
  ASSERT_NE(picker, nullptr);
  auto* add = picker->findChild<QPushButton*>(QStringLiteral("addChosenApps"));
  QAbstractButton* pickerCancel =
      picker->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel);
  ASSERT_NE(add, nullptr);
  ASSERT_NE(pickerCancel, nullptr);

  struct Confirmation {
    SettingsTab tab;
    const char* ask;
    const char* action;
  };
  std::vector<QMessageBox*> boxes;
  for (const Confirmation& c :
       {Confirmation{SettingsTab::awareness, "deleteHistory", "confirmDelete"},
        Confirmation{SettingsTab::progress, "clearHistory", "confirmClear"}}) {
    settings.show(c.tab);
    settings.page(c.tab)->findChild<QPushButton*>(QLatin1String(c.ask))->click();
    auto* box = settings.page(c.tab)->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr) << c.ask;
    ASSERT_NE(box->findChild<QPushButton*>(QLatin1String(c.action)), nullptr) << c.action;
    // Return and Escape both keep what the user has.
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Cancel)) << c.ask;
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::Cancel)) << c.ask;
    boxes.push_back(box);
  }

  const char* const names[] = {"Windows", "macOS", "KDE", "GNOME"};
  for (auto layout : {QDialogButtonBox::WinLayout, QDialogButtonBox::MacLayout,
                      QDialogButtonBox::KdeLayout, QDialogButtonBox::GnomeLayout}) {
    DesktopButtonLayout style(layout);
    const bool addLast = goesAheadLast(picker, add, pickerCancel, &style);
    EXPECT_EQ(goesAheadLast(boxes[0], boxes[0]->findChild<QPushButton*>("confirmDelete"),
                            boxes[0]->button(QMessageBox::Cancel), &style),
              addLast)
        << names[layout];
    EXPECT_EQ(goesAheadLast(boxes[1], boxes[1]->findChild<QPushButton*>("confirmClear"),
                            boxes[1]->button(QMessageBox::Cancel), &style),
              addLast)
        << names[layout];
  }
  // Their buttons back on the application's style before it goes.
  for (QWidget* dialog : {static_cast<QWidget*>(picker), static_cast<QWidget*>(boxes[0]),
                          static_cast<QWidget*>(boxes[1])})
    dialog->findChild<QDialogButtonBox*>()->setStyle(nullptr);
}

}  // namespace
}  // namespace pimble
