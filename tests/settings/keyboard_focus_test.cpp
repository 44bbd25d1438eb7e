// The keyboard in the settings window: Tab walks each tab in reading order,
// both ways, and every stop plainly shows the focus; the tab bar and the
// pickers take it on what is chosen, and Up and Down move their choice;
// Remove hands it to the list; number fields step from what they show.
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QToolButton>
#include <set>

#include "settings/cape_swatches.h"
#include "settings/reminders_settings_view.h"
#include "settings/segmented_control.h"
#include "settings/settings_fixture.h"
#include "settings/settings_tab_bar.h"
#include "settings/settings_window_controller.h"
#include "settings/time_of_day_edit.h"
#include "support/focus_pictures.h"

namespace pimble {
namespace {

QWidget* deepestProxy(QWidget* w) {
  while (w->focusProxy() != nullptr) w = w->focusProxy();
  return w;
}

// The control the focus is on: a spin box hands it to its line edit.
QWidget* controlOf(QWidget* focus) {
  QWidget* control = focus;
  for (QWidget* w = focus; w != nullptr && !w->isWindow(); w = w->parentWidget())
    if (deepestProxy(w) == focus) control = w;
  return control;
}

// Reading order: a control before those inside it (a list before its rows'
// switches), the left pane of a split before the right one, then top to
// bottom and, within a row, left to right.
bool readsBefore(QWidget* a, QWidget* b) {
  if (a->isAncestorOf(b) || b->isAncestorOf(a)) return a->isAncestorOf(b);
  QWidget* common = a->parentWidget();
  while (!common->isAncestorOf(b)) common = common->parentWidget();
  auto place = [common](QWidget* w) {
    while (w->parentWidget() != common) w = w->parentWidget();
    return w->geometry();
  };
  const QRect p = place(a), q = place(b);
  auto* split = qobject_cast<QSplitter*>(common);
  const bool oneRow = (p.center().y() >= q.top() && p.center().y() <= q.bottom()) ||
                      (q.center().y() >= p.top() && q.center().y() <= p.bottom());
  return (split != nullptr || oneRow) ? p.left() < q.left() : p.top() < q.top();
}

std::string name(QWidget* w) {
  auto* b = qobject_cast<QAbstractButton*>(w);
  return (QString::fromLatin1(w->metaObject()->className()) + ' ' + w->objectName() + ' ' +
          (b != nullptr ? b->text() : w->accessibleName()))
      .toStdString();
}

class KeyboardFocusTest : public testing::SettingsFixture {
 protected:
  SettingsWindowController& controller() {
    if (!controller_) {
      controller_ = std::make_unique<SettingsWindowController>(model());
      controller_->show();
      QApplication::setActiveWindow(controller_->window());
    }
    return *controller_;
  }
  QWidget* focus() { return QApplication::focusWidget(); }
  QToolButton* tabButton(SettingsTab tab) { return controller().tabBar()->button(tab); }
  void press(int key, Qt::KeyboardModifiers mods = {}) {
    QTest::keyClick(focus(), static_cast<Qt::Key>(key), mods);
  }

  // The stop is on screen and plainly changes when it gets the focus
  // (`quiet` is `in` before): a ring or a frame, not a faint tint.
  void expectShowsFocus(QWidget* in, QWidget* stop, const QImage& quiet) {
    QRect shown(stop->mapTo(stop->window(), QPoint()), stop->size());
    for (QWidget* w = stop->parentWidget(); w != nullptr; w = w->parentWidget())
      shown &= QRect(w->mapTo(w->window(), QPoint()), w->size());
    EXPECT_TRUE(shown.contains(stop->mapTo(stop->window(), stop->rect().center()))) << name(stop);
    const QRect area =
        QRect(stop->mapTo(in, QPoint()), stop->size()).adjusted(-3, -3, 3, 3) & in->rect();
    const QImage now = in->grab(area).toImage(), before = quiet.copy(area);
    const int changed = testing::plainlyChangedPixels(now, before, now.rect());
    EXPECT_GE(changed, 10) << name(stop) << " shows no plain sign of the focus";
  }

  // The stops of the page that Tab (or Shift+Tab) visits from the tab's
  // button, which must be where the focus goes when it leaves the page.
  std::vector<QWidget*> walk(SettingsTab tab, bool forward) {
    QWidget* page = controller().page(tab);
    // The page scrolled away from where the keyboard comes in.
    QWidget* around = page->parentWidget();
    while (qobject_cast<QScrollArea*>(around) == nullptr) around = around->parentWidget();
    QScrollBar* scroll = static_cast<QScrollArea*>(around)->verticalScrollBar();
    scroll->setValue(forward ? scroll->maximum() : 0);
    tabButton(tab)->setFocus(Qt::TabFocusReason);
    const QImage quietPage = page->grab().toImage();
    QImage quietBar;
    std::vector<QWidget*> stops;
    for (int i = 0; i < 200; ++i) {
      press(forward ? Qt::Key_Tab : Qt::Key_Backtab);
      if (i == 0) quietBar = controller().tabBar()->grab().toImage();
      QWidget* stop = controlOf(focus());
      if (!page->isAncestorOf(stop)) break;
      // Tab steps through the hour and the minute of a time field.
      if (!stops.empty() && stops.back() == stop) continue;
      expectShowsFocus(page, stop, quietPage);
      stops.push_back(stop);
    }
    EXPECT_EQ(focus(), tabButton(tab)) << "the bar is entered on the tab in front";
    expectShowsFocus(controller().tabBar(), tabButton(tab), quietBar);
    return stops;
  }

  std::unique_ptr<SettingsWindowController> controller_;
};

TEST_F(KeyboardFocusTest, TabWalksEachTabInReadingOrderAndEveryStopShowsTheFocus) {
  // A week that starts on Monday, so Sunday is the last work day; then,
  // with the window built, rows in every list (more reminders than the
  // list shows at once), the optional rows shown, and choices away from
  // the first segment.
  controller().window()->setLocale(QLocale(QLocale::German, QLocale::Germany));
  for (int i = 0; i < 8; ++i) model().addCustomReminder();
  model().watch(ReturnTarget{"org.videolan.VLC", "VLC"});
  model().watch(ReturnTarget{"com.discordapp.Discord", "Discord"});
  changeSettings([](AppSettings& s) {
    s.modes.schedule.isEnabled = s.modes.bedtime.isEnabled = true;
    s.companionSize = CompanionSize::large;
    s.capeColor = CapeColor::green;
  });
  model().setPausedUntil(model().now() + Seconds(1800));
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);  // replaced rows

  for (SettingsTab tab : allSettingsTabs) {
    const ::testing::ScopedTrace trace(__FILE__, __LINE__, rawValue(tab).data());
    controller().show(tab);
    QWidget* page = controller().page(tab);
    const std::vector<QWidget*> forward = walk(tab, true);
    std::vector<QWidget*> backward = walk(tab, false);
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, forward) << "Shift+Tab walks the same way back";
    for (size_t i = 0; i < forward.size(); ++i)
      for (size_t j = i + 1; j < forward.size(); ++j)
        EXPECT_TRUE(readsBefore(forward[i], forward[j]))
            << name(forward[i]) << " before " << name(forward[j]);

    // Every control that takes Tab is visited; a picker of one choice among
    // several only on its choice.
    std::set<QWidget*> stops;
    for (QWidget* w : page->findChildren<QWidget*>()) {
      QWidget* p = deepestProxy(w);
      if ((p == w || w->isAncestorOf(p)) && controlOf(p) == w && w->isVisibleTo(page) &&
          w->isEnabled() && (p->focusPolicy() & Qt::TabFocus))
        stops.insert(w);
    }
    EXPECT_EQ(std::set(forward.begin(), forward.end()), stops);
    for (QWidget* stop : forward) {
      auto* picker = qobject_cast<SegmentedControl*>(stop->parentWidget());
      auto* swatch = qobject_cast<CapeSwatch*>(stop);
      EXPECT_TRUE(picker == nullptr || stop == picker->segment(picker->currentIndex()));
      EXPECT_TRUE(swatch == nullptr || swatch->isChecked()) << name(stop);
    }
  }
}

TEST_F(KeyboardFocusTest, SpaceKeepsTheTabAndTheArrowKeysMoveAChoiceTheFocusFollows) {
  controller().show(SettingsTab::appearance);
  auto* size = controller().page(SettingsTab::appearance)->findChild<SegmentedControl*>();
  size->segment(1)->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Backtab);
  EXPECT_EQ(focus(), tabButton(SettingsTab::appearance)) << "the first time too";
  press(Qt::Key_Space);
  EXPECT_EQ(controller().currentTab(), SettingsTab::appearance);
  press(Qt::Key_Tab);
  press(Qt::Key_Right);
  EXPECT_EQ(model().settings().companionSize, CompanionSize::large);
  EXPECT_EQ(focus(), size->segment(2));
  press(Qt::Key_Backtab);
  changeSettings([](AppSettings& s) { s.companionSize = CompanionSize::small; });
  press(Qt::Key_Right);
  EXPECT_EQ(controller().currentTab(), SettingsTab::focus);
  EXPECT_EQ(focus(), tabButton(SettingsTab::focus));
  press(Qt::Key_Left);
  press(Qt::Key_Tab);
  EXPECT_EQ(focus(), size->segment(0)) << "a choice made elsewhere is where the focus enters";
}

// The widgets the focus entered, even for a moment: assistive technology
// is told of each.
struct FocusEntries : QObject {
  std::vector<QObject*> entered;
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::FocusIn) entered.push_back(watched);
    return false;
  }
};

TEST_F(KeyboardFocusTest, FocusComingBackToAPickerLandsOnWhatIsChosenNow) {
  controller().show(SettingsTab::appearance);
  auto* size = controller().page(SettingsTab::appearance)->findChild<SegmentedControl*>();
  FocusEntries entries;
  qApp->installEventFilter(&entries);
  // On the chosen segment, which alone takes Tab (Tab and Shift+Tab come
  // back to it), and no other segment had the focus on the way.
  const auto expectOnChoice = [&](int chosen, const char* when) {
    EXPECT_EQ(focus(), size->segment(chosen)) << when;
    for (QObject* w : entries.entered)
      EXPECT_TRUE(w->parent() != size || w == size->segment(chosen)) << when;
    for (int i = 0; i < size->count(); ++i)
      EXPECT_EQ(bool(size->segment(i)->focusPolicy() & Qt::TabFocus), i == chosen) << when << i;
    press(Qt::Key_Tab);
    press(Qt::Key_Backtab);
    EXPECT_EQ(focus(), size->segment(chosen)) << when;
  };
  tabButton(SettingsTab::appearance)->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Tab);
  ASSERT_EQ(focus(), size->segment(1));
  for (int i = 0; i < 3; ++i) press(Qt::Key_PageUp, Qt::ControlModifier);
  controller().page(SettingsTab::general)->findChild<SegmentedControl*>()->segment(1)->setFocus();
  press(Qt::Key_Right);
  ASSERT_EQ(model().settings().companionSize, CompanionSize::large);
  entries.entered.clear();
  for (int i = 0; i < 3; ++i) press(Qt::Key_PageDown, Qt::ControlModifier);
  expectOnChoice(2, "back on the page");
  // Changed while another window is in front, then the window comes back.
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  changeSettings([](AppSettings& s) { s.companionSize = CompanionSize::small; });
  entries.entered.clear();
  QApplication::setActiveWindow(controller().window());
  expectOnChoice(0, "back in the window");
}

TEST_F(KeyboardFocusTest, RemoveByKeyboardLeavesTheFocusOnTheListAndASecondSpaceChangesNothing) {
  controller().show(SettingsTab::reminders);
  auto* view = static_cast<RemindersSettingsView*>(controller().page(SettingsTab::reminders));
  std::vector<Reminder> edited = model().reminders();
  edited[0].intervalMinutes = 25;
  edited[1].isEnabled = false;
  model().setReminders(edited);
  view->select(model().addCustomReminder().id);

  auto* remove = view->findChild<QPushButton*>("removeReminder");
  view->list()->setFocus(Qt::TabFocusReason);
  for (int i = 0; i < 20 && focus() != remove; ++i) press(Qt::Key_Tab);
  ASSERT_EQ(focus(), remove);
  press(Qt::Key_Space);
  EXPECT_EQ(model().reminders(), edited);
  EXPECT_EQ(focus(), view->list());
  press(Qt::Key_Space);
  EXPECT_EQ(model().reminders(), edited) << "the edits to the built-in reminders stay";
}

TEST_F(KeyboardFocusTest, NumberFieldsStepFromTheNumberTheyShowTypedOrNot) {
  changeSettings([](AppSettings& s) { s.idleThresholdMinutes = 60; });
  const auto step = [&](SettingsTab tab, const char* name, const char* typed, int key) {
    controller().show(tab);
    auto* field = controller().page(tab)->findChild<QAbstractSpinBox*>(name);
    tabButton(tab)->setFocus();
    field->setFocus(Qt::TabFocusReason);  // as Tab enters: all selected, or a time's hour
    QTest::keyClicks(field, typed);
    press(key);
    return model().reminders().front().intervalMinutes;  // the reminder in the editor
  };
  // "min" is refused: it steps from the 165 stored before.
  const std::tuple<const char*, int, int> steps[] = {{"60", Qt::Key_Up, 75},
                                                     {"45", Qt::Key_Up, 50},
                                                     {"45", Qt::Key_Down, 40},
                                                     {"45", Qt::Key_PageUp, 165},
                                                     {"min", Qt::Key_Up, 180}};
  for (const auto& [typed, key, to] : steps)
    EXPECT_EQ(step(SettingsTab::reminders, "reminderInterval", typed, key), to) << typed;
  step(SettingsTab::focus, "idleThreshold", "31", Qt::Key_Up);
  EXPECT_EQ(model().settings().idleThresholdMinutes, 32) << "though 60 stored is the top";
  step(SettingsTab::focus, "quietHoursStart", "1", Qt::Key_Up);  // "1:00", not yet taken
  EXPECT_EQ(model().settings().quietHours.startMinutes, 120);
}

TEST_F(KeyboardFocusTest, UpAndDownMoveAOneStopGroupsChoiceAndTheFocusStaysInView) {
  changeSettings([](AppSettings& s) { s.showCape = true; });
  controller().show(SettingsTab::appearance);
  QWidget* page = controller().page(SettingsTab::appearance);
  const auto inView = [&] {
    const QRect shown(focus()->mapTo(page->parentWidget(), QPoint()), focus()->size());
    return page->parentWidget()->rect().contains(shown);
  };
  page->findChild<CapeSwatches*>()->swatch(CapeColor::red)->setFocus(Qt::TabFocusReason);
  for (int i = 0; i < 12; ++i) press(Qt::Key_Down);
  EXPECT_EQ(model().settings().capeColor, CapeColor::gold);
  EXPECT_TRUE(inView());
  page->findChild<QCheckBox*>("showCape")->setFocus(Qt::TabFocusReason);
  for (int i = 0; i < 3; ++i) press(Qt::Key_PageDown);
  EXPECT_TRUE(inView()) << "a key the switch leaves unused";
  tabButton(SettingsTab::appearance)->setFocus(Qt::TabFocusReason);
  press(Qt::Key_Down);
  EXPECT_EQ(controller().currentTab(), SettingsTab::focus);
}

TEST_F(KeyboardFocusTest, MessageShowsTheFocusOnItsFrameAsTitleDoes) {
  controller().show(SettingsTab::reminders);
  const auto topEdge = [this](const char* name, bool focused) {
    QWidget* field = controller().page(SettingsTab::reminders)->findChild<QWidget*>(name);
    (focused ? field : tabButton(SettingsTab::reminders))->setFocus();
    const QImage shown = field->grab().toImage();
    return shown.pixelColor(shown.width() / 2, 0);
  };
  EXPECT_NE(topEdge("reminderTitle", true), topEdge("reminderTitle", false));
  EXPECT_EQ(topEdge("reminderMessage", true), topEdge("reminderTitle", true));
}

}  // namespace
}  // namespace pimble
