// The settings window and the tour as a desktop shows them with an icon
// theme, a font and an order of dialog buttons of its own (GNOME's Adwaita,
// Cantarell, Cancel first): every symbol is still the program's own
// drawing, every dialog's action stands on one side of Cancel, and every
// control and text gets the room it needs, in the desktop's usual text size
// and larger ones, at one and two pixels a point.

#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QIcon>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
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

// ---------------------------------------------------------------------------
// Room for every text

// The room a control needs to show itself whole: its own least size, but
// for a push button with a text no more than its text and symbol take with
// the style's padding around them. Some styles give every such button a
// least width (Fusion's 80 pixels), which only evens out short buttons.
QSize needed(QWidget* w) {
  QSize need = w->minimumSizeHint();
  auto* b = qobject_cast<QPushButton*>(w);
  if (b == nullptr || b->text().isEmpty()) return need;
  QStyleOptionButton option;
  option.initFrom(b);
  option.icon = b->icon();
  option.iconSize = b->iconSize();
  if (b->isFlat()) option.features |= QStyleOptionButton::Flat;
  QSize label = b->fontMetrics().size(Qt::TextShowMnemonic, b->text());
  if (!b->icon().isNull()) {
    label.rwidth() += b->iconSize().width() + 4;
    label.setHeight(std::max(label.height(), b->iconSize().height()));
  }
  if (b->menu() != nullptr) {
    option.features |= QStyleOptionButton::HasMenu;
    label.rwidth() += b->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &option, b);
  }
  // The option without the text: the style's least width is for texts.
  const QSize padded = b->style()->sizeFromContents(QStyle::CT_PushButton, &option, label, b);
  need.setWidth(std::min(need.width(), padded.width()));
  return need;
}

// Whether the widget lies whole inside each widget around it up to `top`,
// which would cut off what runs past it. What a scrolling view holds may
// run past the view the way it scrolls: it scrolls into sight. The other
// way, the view cuts it off as any box does.
bool inside(QWidget* w, QWidget* top) {
  for (QWidget* p = w; p != top; p = p->parentWidget()) {
    QWidget* around = p->parentWidget();
    if (around == nullptr) return false;
    auto* scrolling = qobject_cast<QAbstractScrollArea*>(around->parentWidget());
    if (scrolling != nullptr && scrolling->viewport() == around) {
      const QRect seen = around->rect();
      const QRect held(w->mapTo(around, QPoint(0, 0)), w->size());
      if (scrolling->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
          (held.left() < seen.left() || held.right() > seen.right()))
        return false;
      if (scrolling->verticalScrollBarPolicy() == Qt::ScrollBarAlwaysOff &&
          (held.top() < seen.top() || held.bottom() > seen.bottom()))
        return false;
      continue;
    }
    if (!around->rect().contains(p->geometry())) return false;
  }
  return true;
}

// Controls under `top` given less room than they need to show themselves
// whole: a text cut at its end or foot (a word-wrapped one too), a button
// whose text or symbol runs into its border, a field narrower than its own
// least size, a control reaching out of the box or window it is in or lying
// over its neighbour. A label made to cut its text with an ellipsis says so
// in its least size.
QStringList cramped(QWidget* top) {
  QStringList found;
  for (QWidget* w : top->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(top)) continue;
    // The parts of a spin box or a combo box are theirs to lay out.
    if (qobject_cast<QAbstractSpinBox*>(w->parentWidget()) ||
        qobject_cast<QComboBox*>(w->parentWidget()))
      continue;
    const bool control = qobject_cast<QAbstractButton*>(w) || qobject_cast<QLabel*>(w) ||
                         qobject_cast<QLineEdit*>(w) || qobject_cast<QAbstractSpinBox*>(w) ||
                         qobject_cast<QComboBox*>(w);
    if (!control) continue;
    const QSize need = needed(w);
    QString what;
    if (w->width() < need.width() || w->height() < need.height())
      what = QStringLiteral("%1×%2 of %3×%4")
                 .arg(w->width())
                 .arg(w->height())
                 .arg(need.width())
                 .arg(need.height());
    auto* label = qobject_cast<QLabel*>(w);
    if (what.isEmpty() && label != nullptr && label->wordWrap() &&
        w->height() < w->heightForWidth(w->width()))
      what = QStringLiteral("%1 high of %2").arg(w->height()).arg(w->heightForWidth(w->width()));
    if (what.isEmpty() && !inside(w, top))
      what = QStringLiteral("at %1,%2 out of its box").arg(w->x()).arg(w->y());
    if (what.isEmpty()) {
      for (QWidget* other : w->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (other != w && other->isVisibleTo(top) && other->geometry().intersects(w->geometry())) {
          what = QStringLiteral("over %1 %2")
                     .arg(QLatin1String(other->metaObject()->className()), other->objectName());
          break;
        }
      }
    }
    if (what.isEmpty()) continue;
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
    if (label != nullptr) text = label->text().left(40);
    found << QStringLiteral("%1 %2 \"%3\": %4")
                 .arg(QLatin1String(w->metaObject()->className()), w->objectName(), text, what);
  }
  return found;
}

struct Font {
  const char* family;
  int points;
  qreal scale;
  // The face a generic name such as Xfce's "Sans" comes to; none for a
  // family's own name.
  const char* face = nullptr;
  const char* installed() const { return face != nullptr ? face : family; }
};

void PrintTo(const Font& f, std::ostream* os) {
  if (f.family != nullptr)
    *os << f.family << ' ' << f.points;
  else
    *os << "the default font";
  *os << " at " << f.scale;
}

class DesktopFonts : public TourFixture, public ::testing::WithParamInterface<Font> {
 protected:
  void checkRoom() {
    seed(model());
    SettingsWindowController settings(model());
    eachTab(settings, [&](SettingsTab tab) {
      EXPECT_EQ(cramped(settings.window()), QStringList()) << rawValue(tab);
      EXPECT_LE(testing::emptyPastTheEnd(settings.page(tab)), 0) << rawValue(tab);
    });
    // A laptop's small screen still holds it whole at a large text size.
    const QSize smallScreen(1366, 768);
    if (GetParam().scale == 1 && GetParam().points <= 14) {
      EXPECT_TRUE(smallScreen.expandedTo(settings.window()->size()) == smallScreen)
          << settings.window()->width() << " × " << settings.window()->height();
    }
    // The dialogs the tabs open.
    settings.show(SettingsTab::awareness);
    auto* awareness = static_cast<AwarenessSettingsView*>(settings.page(SettingsTab::awareness));
    awareness->addAppMenu()->chooseApp();
    QApplication::processEvents();
    ASSERT_NE(awareness->addAppMenu()->picker(), nullptr);
    EXPECT_EQ(cramped(awareness->addAppMenu()->picker()), QStringList()) << "picker";
    awareness->addAppMenu()->picker()->reject();
    for (auto [tab, button] : {std::pair{SettingsTab::awareness, "deleteHistory"},
                               std::pair{SettingsTab::progress, "clearHistory"}}) {
      settings.show(tab);
      settings.page(tab)->findChild<QPushButton*>(QLatin1String(button))->click();
      QApplication::processEvents();
      auto* box = settings.page(tab)->findChild<QMessageBox*>();
      ASSERT_NE(box, nullptr) << button;
      EXPECT_EQ(cramped(box), QStringList()) << button;
      box->reject();
      QApplication::processEvents();
    }
    settings.window()->hide();
    eachPage(tour(), model(), [&](OnboardingStep step) {
      EXPECT_EQ(cramped(tour().window()), QStringList()) << rawValue(step);
    });
    if (GetParam().scale == 1 && GetParam().points <= 14) {
      EXPECT_TRUE(smallScreen.expandedTo(tour().window()->size()) == smallScreen)
          << tour().window()->width() << " × " << tour().window()->height();
    }
  }
};

TEST_P(DesktopFonts, EveryTextOfTheSettingsAndTheTourHasItsRoom) {
  const Font font = GetParam();
  if (qEnvironmentVariableIsSet("PIMBLE_TEST_DESKTOP_FONT")) {
    if (font.family != nullptr) {
      if (!QFontDatabase::families().contains(QLatin1String(font.installed())))
        GTEST_SKIP() << font.installed() << " not installed";
      QApplication::setFont(QFont(QString::fromLatin1(font.family), font.points));
      ASSERT_EQ(QFontInfo(QApplication::font()).family(), QLatin1String(font.installed()));
    }
    return checkRoom();
  }
  QTemporaryDir dir;
  const QString config = testing::fontsOnly(
      dir.path(), {QStringLiteral("DejaVu Sans"), QStringLiteral("Noto Color Emoji"),
                   QString::fromLatin1(font.family != nullptr ? font.installed() : "DejaVu Sans")});
  ASSERT_FALSE(config.isEmpty());
  // The font and the scale are the copy's only change from a desktop named
  // by no one: a theme, a style or a DPI of the caller's own stays out.
  const testing::CopyRun copy = testing::runThisTestInACopy(
      {"PIMBLE_TEST_DESKTOP_FONT=1", "QT_QPA_PLATFORM=offscreen",
       "QT_SCALE_FACTOR=" + QString::number(font.scale), "FONTCONFIG_FILE=" + config,
       "QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_FONT_DPI", "QT_SCREEN_SCALE_FACTORS",
       "QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR_ROUNDING_POLICY"},
      std::chrono::seconds(100));
  const QByteArray& output = copy.output;
  std::fputs(output.constData(), stdout);
  ASSERT_TRUE(copy.finished);
  if (output.contains("[  SKIPPED ]")) GTEST_SKIP() << font.installed() << " not installed";
  EXPECT_EQ(copy.exitCode, 0);
}

// GNOME's font at its size, at one and two pixels a point, and at larger
// sizes a user may set (GNOME's large text is 13.75 points; 24 points make
// the preview buttons' labels wider than their columns' least width);
// MATE's and Xfce's fonts (Xfce names only "Sans") a little larger than
// they come; the tests' own default font as the control.
INSTANTIATE_TEST_SUITE_P(Fonts, DesktopFonts,
                         ::testing::Values(Font{"Cantarell", 11, 1}, Font{"Cantarell", 11, 2},
                                           Font{"Cantarell", 13, 1}, Font{"Cantarell", 14, 1},
                                           Font{"Cantarell", 14, 2}, Font{"Cantarell", 16, 1},
                                           Font{"Cantarell", 24, 1}, Font{"DejaVu Sans", 12, 1},
                                           Font{"DejaVu Sans", 12, 2},
                                           Font{"Sans", 12, 1, "DejaVu Sans"}, Font{nullptr, 0, 1}),
                         [](const auto& info) {
                           if (info.param.family == nullptr) return std::string("Default");
                           return std::string(info.param.family).substr(0, 4) +
                                  std::to_string(info.param.points) + "At" +
                                  std::to_string(int(info.param.scale)) + "x";
                         });

}  // namespace
}  // namespace pimble
