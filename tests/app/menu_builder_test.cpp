// The status menu and the context menu as data: titles, order, presence
// rules, and the action each entry captured when it was built; then the
// renderer's QMenu.
#include <gtest/gtest.h>

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QScreen>

#include "app/fake_menu_actions.h"
#include "app/menu_builder.h"
#include "bubbles/symbol_image.h"
#include "support/marked_icon_theme.h"

namespace pimble::testing {
namespace {

// The titles of one level, separators as "-".
std::vector<std::string> titles(const MenuTree& menu) {
  std::vector<std::string> out;
  for (const MenuEntry& e : menu) out.push_back(e.separator ? "-" : e.title);
  return out;
}

// The texts of a rendered level, separators as "-".
QStringList texts(const QMenu& menu) {
  QStringList out;
  for (QAction* a : menu.actions()) out << (a->isSeparator() ? "-" : a->text());
  return out;
}

Reminder reminder(ReminderKind kind, std::string title, bool enabled = true) {
  Reminder r;
  r.kind = kind;
  r.title = std::move(title);
  r.isEnabled = enabled;
  return r;
}

// Chooses every entry that does something, depth first, and returns the
// commands they gave.
std::vector<std::string> chooseAll(const MenuTree& menu, FakeMenuActions& actions) {
  actions.calls.clear();
  std::function<void(const MenuTree&)> walk = [&](const MenuTree& level) {
    for (const MenuEntry& e : level) {
      if (e.action) e.action();
      walk(e.submenu);
    }
  };
  walk(menu);
  return actions.calls;
}

const MenuEntry& at(const MenuTree& menu, std::string_view title) {
  const MenuEntry* e = MenuBuilder::find(menu, title);
  if (e == nullptr) throw std::runtime_error("no entry " + std::string(title));
  return *e;
}

class MenuBuilderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    actions.reminders = {reminder(ReminderKind::water, "Drink water"),
                         reminder(ReminderKind::posture, "Sit up", false),
                         reminder(ReminderKind::walk, "Take a walk")};
  }
  FakeMenuActions actions;
};

TEST_F(MenuBuilderTest, BothMenusInOrderWithTheirPresenceRules) {
  const MenuTree menu = MenuBuilder::statusMenu(actions, "Next: Drink water in 12 min");
  EXPECT_EQ(titles(menu), (std::vector<std::string>{
                              "Next: Drink water in 12 min", "-", "Summon Pimble", "Hide companion",
                              "Give me a reminder", "Pause reminders", "Set an intention…",
                              "Start a session timer", "Mode: Work", "Show today's progress", "-",
                              "Settings…", "Quit Pimble Glimmet"}));
  // The summary is a line without an action; the key hint shows only while
  // the key is held.
  EXPECT_FALSE(menu[0].enabled);
  EXPECT_FALSE(menu[0].action);
  EXPECT_EQ(at(menu, "Set an intention…").shortcut, "Ctrl+Alt+I");
  actions.shortcut = false;
  EXPECT_TRUE(MenuBuilder::intentionItem(actions).shortcut.empty());

  // Hidden, the character offers no "Hide companion" in the status menu;
  // the context menu offers it whatever.
  actions.visible = false;
  EXPECT_FALSE(MenuBuilder::find(MenuBuilder::statusMenu(actions, ""), "Hide companion"));
  EXPECT_EQ(
      titles(MenuBuilder::contextMenu(actions)),
      (std::vector<std::string>{"Give me a reminder", "Pause reminders", "Set an intention…",
                                "Start a session timer", "Mode: Work", "Show today's progress",
                                "Settings…", "-", "Hide companion", "Quit Pimble Glimmet"}));

  // The mode entry names the mode and checks it alone.
  actions.current = AwarenessMode::night;
  const MenuEntry mode = MenuBuilder::modeItem(actions);
  EXPECT_EQ(mode.title, "Mode: Night");
  std::vector<bool> checked;
  for (const MenuEntry& e : mode.submenu) checked.push_back(e.checked);
  EXPECT_EQ(checked, (std::vector<bool>{false, false, true}));
}

TEST_F(MenuBuilderTest, PausedForATimeOrUntilResumed) {
  const std::vector<std::string> durations = {"15 minutes", "30 minutes", "1 hour",
                                              "Until I resume"};
  EXPECT_EQ(titles(MenuBuilder::pauseSubmenu(actions)), durations);
  std::vector<std::string> paused = durations;
  paused.push_back("-");
  paused.push_back("Resume reminders");
  for (int variant = 0; variant < 2; ++variant) {
    actions.until.reset();
    actions.indefinitely = variant == 1;
    if (variant == 0) actions.until = dateFromSeconds(1'900'000'000.0);
    EXPECT_EQ(titles(MenuBuilder::pauseSubmenu(actions)), paused);
    const MenuTree status = MenuBuilder::statusMenu(actions, "");
    EXPECT_TRUE(MenuBuilder::find(status, "Reminders paused"));
    EXPECT_FALSE(MenuBuilder::find(status, "Pause reminders"));
    EXPECT_TRUE(MenuBuilder::find(MenuBuilder::contextMenu(actions), "Pause reminders (paused)"));
  }
  EXPECT_EQ(
      chooseAll(MenuBuilder::pauseSubmenu(actions), actions),
      (std::vector<std::string>{"pause:900", "pause:1800", "pause:3600", "pause:none", "resume"}));
}

TEST_F(MenuBuilderTest, AnIntentionShowsItsStatusLineAndNoSessionEntry) {
  const std::size_t without = MenuBuilder::statusMenu(actions, "").size();
  actions.status = "YouTube session · 3 of 30 min";
  const MenuTree status = MenuBuilder::statusMenu(actions, "");
  EXPECT_EQ(status.size(), without - 1);
  EXPECT_FALSE(MenuBuilder::find(status, "Start a session timer"));
  EXPECT_FALSE(MenuBuilder::find(status, "Set an intention…"));
  EXPECT_FALSE(MenuBuilder::find(MenuBuilder::contextMenu(actions), "Start a session timer"));
  const MenuEntry& line = at(status, "YouTube session · 3 of 30 min");
  EXPECT_EQ(chooseAll(line.submenu, actions),
            (std::vector<std::string>{"end:finished", "extend:10", "end:dismissed"}));
}

TEST_F(MenuBuilderTest, RemindersAreTheEnabledOnesAsTheyWereWhenTheMenuWasBuilt) {
  MenuTree remind = MenuBuilder::remindSubmenu(actions);
  EXPECT_EQ(titles(remind), (std::vector<std::string>{"Drink water", "Take a walk"}));

  // Edited after the menu was built: the old menu still gives the reminder
  // it showed, the next one the edited reminder.
  const Reminder before = actions.reminders[0];
  actions.reminders[0].title = "Hydrate";
  actions.reminders[0].intervalMinutes = 15;
  remind[0].action();
  ASSERT_EQ(actions.reminded.size(), 1u);
  EXPECT_EQ(actions.reminded[0], before);
  MenuBuilder::remindSubmenu(actions)[0].action();
  EXPECT_EQ(actions.reminded[1], actions.reminders[0]);

  // A reminder enabled between two openings shows on the second.
  actions.reminders[1].isEnabled = true;
  EXPECT_EQ(titles(MenuBuilder::remindSubmenu(actions)),
            (std::vector<std::string>{"Hydrate", "Sit up", "Take a walk"}));

  for (Reminder& r : actions.reminders) r.isEnabled = false;
  remind = MenuBuilder::remindSubmenu(actions);
  ASSERT_EQ(remind.size(), 1u);
  EXPECT_EQ(remind[0].title, "No reminders enabled");
  EXPECT_FALSE(remind[0].action);
}

TEST_F(MenuBuilderTest, EveryEntryReachesTheControllerWithItsValues) {
  const std::vector<std::string> middle = {"remind:Drink water",
                                           "remind:Take a walk",
                                           "pause:900",
                                           "pause:1800",
                                           "pause:3600",
                                           "pause:none",
                                           "intentionForm",
                                           "session:Netflix:60",
                                           "session:YouTube:30",
                                           "session:Social media:15",
                                           "session:News:15",
                                           "intentionForm",
                                           "mode:work",
                                           "mode:relax",
                                           "mode:night",
                                           "progress",
                                           "settings"};
  std::vector<std::string> status = {"summon", "toggle"};
  status.insert(status.end(), middle.begin(), middle.end());
  status.push_back("quit");
  EXPECT_EQ(chooseAll(MenuBuilder::statusMenu(actions, "summary"), actions), status);
  std::vector<std::string> context = middle;
  context.push_back("toggle");
  context.push_back("quit");
  EXPECT_EQ(chooseAll(MenuBuilder::contextMenu(actions), actions), context);
}

TEST_F(MenuBuilderTest, EverySymbolHasADrawingOfItsOwn) {
  actions.reminders = Reminder::defaults();
  actions.reminders.push_back(Reminder{});
  std::function<void(const MenuTree&)> check = [&](const MenuTree& menu) {
    for (const MenuEntry& e : menu) {
      if (!e.symbol.empty()) {
        EXPECT_TRUE(SymbolImage::isKnown(e.symbol)) << e.symbol;
      }
      check(e.submenu);
    }
  };
  for (AwarenessMode mode : {AwarenessMode::work, AwarenessMode::relax, AwarenessMode::night}) {
    actions.current = mode;
    check(MenuBuilder::statusMenu(actions, ""));
  }
  actions.indefinitely = true;
  actions.status = "Reading · 1 of 5 min";
  check(MenuBuilder::statusMenu(actions, ""));
}

TEST(MenuIcons, DrawnForTheDensitiesOfTheScreensInUseAlone) {
  bool dense = false;
  for (const QScreen* screen : QGuiApplication::screens()) dense |= screen->devicePixelRatio() > 1;
  // A name without a theme icon anywhere: always drawn.
  const QIcon menu = SymbolImage::menuIcon("no.such.symbol", 16, Qt::black);
  const QIcon anywhere = SymbolImage::icon("no.such.symbol", 16, Qt::black);
  EXPECT_EQ(anywhere.availableSizes().size(), 2);
  EXPECT_EQ(menu.availableSizes().size(), dense ? 2 : 1);
  // At its own size it is the same picture.
  EXPECT_EQ(menu.pixmap(QSize(16, 16)).toImage(), anywhere.pixmap(QSize(16, 16)).toImage());
}

// A desktop theme with an icon for every symbol: the character's menu still
// shows the program's own drawings, all of the menu's size.
TEST_F(MenuBuilderTest, TheCharactersMenuDrawsEverySymbolItselfAtOneSize) {
  const testing::MarkedIconTheme theme;
  actions.reminders = Reminder::defaults();
  const MenuTree tree = MenuBuilder::contextMenu(actions);
  QMenu menu;
  MenuBuilder::render(tree, menu);
  std::function<void(const QMenu&)> check = [&](const QMenu& level) {
    for (const QAction* a : level.actions()) {
      if (a->menu() != nullptr) check(*a->menu());
      // The 32-pixel picture is the same symbol for a screen of two pixels a point.
      for (const QSize size : a->icon().availableSizes())
        EXPECT_TRUE(size == QSize(16, 16) || size == QSize(32, 32)) << a->text().toStdString();
    }
  };
  check(menu);
}

// The renderer: one QAction per entry, submenus, states and key hints, and
// a rendering that replaces the last one.
TEST_F(MenuBuilderTest, TheRendererMakesTheQMenuOfTheTree) {
  actions.current = AwarenessMode::relax;
  actions.reminders[0].title = "Break & tea";
  QMenu menu;
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Next: Break & tea in 1 min"), menu);
  const QList<QAction*> items = menu.actions();
  ASSERT_EQ(items.size(), 13);
  // Titles show as typed: an "&" in them is no mnemonic.
  EXPECT_EQ(items[0]->iconText().toStdString(), "Next: Break & tea in 1 min");
  EXPECT_EQ(items[4]->menu()->actions()[0]->iconText().toStdString(), "Break & tea");
  EXPECT_FALSE(items[0]->isEnabled());
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_FALSE(items[2]->icon().isNull());
  EXPECT_TRUE(items[12]->icon().isNull());  // quitting has no symbol
  EXPECT_EQ(items[12]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(items[6]->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));
  QMenu* mode = items[8]->menu();
  ASSERT_NE(mode, nullptr);
  EXPECT_TRUE(mode->actions()[1]->isChecked());
  EXPECT_TRUE(mode->toolTipsVisible());

  actions.calls.clear();
  mode->actions()[2]->trigger();
  items[2]->trigger();
  items[4]->menu()->actions()[1]->trigger();
  EXPECT_EQ(actions.calls,
            (std::vector<std::string>{"mode:night", "summon", "remind:Take a walk"}));

  // A second rendering replaces the content; nothing of the first stays.
  actions.visible = false;
  actions.status = "Writing · 5 of 25 min";
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Paused"), menu);
  EXPECT_EQ(texts(menu),
            (QStringList{"Paused", "-", "Summon Pimble", "Give me a reminder", "Pause reminders",
                         "Writing · 5 of 25 min", "Mode: Relax", "Show today's progress", "-",
                         "Settings…", "Quit Pimble Glimmet"}));

  // A rendering of the same shape keeps every action: what it shows and
  // runs are the new entry's.
  const QList<QAction*> kept = menu.actions();
  QAction* water = kept[3]->menu()->actions()[0];
  actions.reminders[0].title = "Tea";
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Paused for now"), menu);
  ASSERT_EQ(menu.actions(), kept);
  EXPECT_EQ(kept[3]->menu()->actions()[0], water);
  EXPECT_EQ(kept[0]->text(), "Paused for now");
  actions.calls.clear();
  water->trigger();
  EXPECT_EQ(actions.calls, std::vector<std::string>{"remind:Tea"});
}

// A panel keeps its copy of the menu until it reads it again, and sends
// its clicks with the entries' numbers of that copy: every entry that stays
// keeps its action when others come and go, and one that goes runs no more.
TEST_F(MenuBuilderTest, AnEntryThatStaysKeepsItsActionWhenOthersComeAndGo) {
  QMenu menu;
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Next: Drink water in 5 min"), menu);
  auto named = [](const QMenu& in, const QString& text) -> QAction* {
    for (QAction* a : in.actions())
      if (a->text() == text) return a;
    return nullptr;
  };
  QAction* summon = named(menu, "Summon Pimble");
  QAction* quit = named(menu, "Quit Pimble Glimmet");
  QAction* pause = named(menu, "Pause reminders");
  QAction* walk = named(*named(menu, "Give me a reminder")->menu(), "Take a walk");
  const QPointer<QAction> hide = named(menu, "Hide companion");
  const QPointer<QAction> preset = named(menu, "Start a session timer")->menu()->actions()[0];
  ASSERT_TRUE(summon && quit && pause && walk && hide && preset);

  // Hidden, paused, an intention running, a reminder switched off.
  actions.visible = false;
  actions.indefinitely = true;
  actions.status = "Writing · 5 of 25 min";
  actions.reminders[0].isEnabled = false;
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Paused"), menu);
  EXPECT_EQ(texts(menu),
            (QStringList{"Paused", "-", "Summon Pimble", "Give me a reminder", "Reminders paused",
                         "Writing · 5 of 25 min", "Mode: Work", "Show today's progress", "-",
                         "Settings…", "Quit Pimble Glimmet"}));
  EXPECT_EQ(named(menu, "Summon Pimble"), summon);
  EXPECT_EQ(named(menu, "Quit Pimble Glimmet"), quit);
  EXPECT_EQ(named(menu, "Reminders paused"), pause);
  EXPECT_EQ(named(*named(menu, "Give me a reminder")->menu(), "Take a walk"), walk);
  EXPECT_NE(named(*pause->menu(), "Resume reminders"), nullptr);
  // Gone at once, so that a click still on its way is dropped with it; a
  // session preset never turns into an entry of the intention.
  EXPECT_TRUE(hide.isNull());
  EXPECT_TRUE(preset.isNull());

  actions.calls.clear();
  quit->trigger();
  walk->trigger();
  named(*named(menu, "Writing · 5 of 25 min")->menu(), "I'm done")->trigger();
  EXPECT_EQ(actions.calls,
            (std::vector<std::string>{"quit", "remind:Take a walk", "end:finished"}));

  // Shown again: the entry comes back as a new one, the others stay.
  actions.visible = true;
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Paused"), menu);
  ASSERT_NE(named(menu, "Hide companion"), nullptr);
  EXPECT_EQ(menu.actions()[3]->text(), "Hide companion");
  EXPECT_EQ(named(menu, "Summon Pimble"), summon);
  EXPECT_EQ(named(menu, "Quit Pimble Glimmet"), quit);
}

}  // namespace
}  // namespace pimble::testing
