// The status menu and the context menu as data: titles, order, presence
// rules, states, and the action each entry captured when it was built; then
// the renderer's QMenu.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "app/fake_menu_actions.h"
#include "app/menu_builder.h"
#include "bubbles/symbol_image.h"

namespace pimble::testing {
namespace {

// The titles of one level, separators as "-".
std::vector<std::string> titles(const MenuTree& menu) {
  std::vector<std::string> out;
  for (const MenuEntry& e : menu) out.push_back(e.separator ? "-" : e.title);
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

TEST_F(MenuBuilderTest, TheStatusMenuInOrderWithItsSymbolsKeysAndStates) {
  const MenuTree menu = MenuBuilder::statusMenu(actions, "Next: Drink water in 12 min");
  EXPECT_EQ(titles(menu), (std::vector<std::string>{
                              "Next: Drink water in 12 min", "-", "Summon Pimble", "Hide companion",
                              "Give me a reminder", "Pause reminders", "Set an intention…",
                              "Start a session timer", "Mode: Work", "Show today's progress", "-",
                              "Settings…", "Quit Pimble Glimmet"}));
  // The summary is a disabled line without an action.
  EXPECT_FALSE(menu[0].enabled);
  EXPECT_FALSE(menu[0].action);
  const std::pair<const char*, const char*> symbols[] = {{"Summon Pimble", "tornado"},
                                                         {"Hide companion", "eye.slash"},
                                                         {"Give me a reminder", "bell"},
                                                         {"Pause reminders", "pause.circle"},
                                                         {"Set an intention…", "flag.checkered"},
                                                         {"Start a session timer", "timer"},
                                                         {"Mode: Work", "briefcase.fill"},
                                                         {"Show today's progress", "chart.bar"},
                                                         {"Settings…", "gearshape"},
                                                         {"Quit Pimble Glimmet", ""}};
  for (const auto& [title, symbol] : symbols) EXPECT_EQ(at(menu, title).symbol, symbol) << title;
  EXPECT_EQ(at(menu, "Settings…").shortcut, "Ctrl+,");
  EXPECT_EQ(at(menu, "Quit Pimble Glimmet").shortcut, "Ctrl+Q");
  EXPECT_EQ(at(menu, "Set an intention…").shortcut, "Ctrl+Alt+I");
  // Submenu holders stay enabled and carry no action of their own.
  for (const char* holder :
       {"Give me a reminder", "Pause reminders", "Start a session timer", "Mode: Work"}) {
    EXPECT_TRUE(at(menu, holder).enabled) << holder;
    EXPECT_FALSE(at(menu, holder).action) << holder;
    EXPECT_FALSE(at(menu, holder).submenu.empty()) << holder;
  }
  for (const MenuEntry& e : menu) EXPECT_FALSE(e.checked) << e.title;

  // Hidden, the character offers no "Hide companion"; "Summon Pimble" stays.
  actions.visible = false;
  const MenuTree hidden = MenuBuilder::statusMenu(actions, "");
  EXPECT_FALSE(MenuBuilder::find(hidden, "Hide companion"));
  EXPECT_TRUE(MenuBuilder::find(hidden, "Summon Pimble"));
  EXPECT_EQ(hidden.size(), menu.size() - 1);
}

TEST_F(MenuBuilderTest, TheContextMenuInOrder) {
  actions.visible = false;  // the context menu offers hiding without a condition
  const MenuTree menu = MenuBuilder::contextMenu(actions);
  EXPECT_EQ(titles(menu), (std::vector<std::string>{
                              "Give me a reminder", "Pause reminders", "Set an intention…",
                              "Start a session timer", "Mode: Work", "Show today's progress",
                              "Settings…", "-", "Hide companion", "Quit Pimble Glimmet"}));
  EXPECT_EQ(at(menu, "Settings…").shortcut, "Ctrl+,");
  EXPECT_EQ(at(menu, "Quit Pimble Glimmet").shortcut, "Ctrl+Q");
  EXPECT_EQ(at(menu, "Hide companion").symbol, "eye.slash");
  EXPECT_EQ(chooseAll({at(menu, "Hide companion")}, actions), (std::vector<std::string>{"toggle"}));
}

TEST_F(MenuBuilderTest, PausedForATimeOrUntilResumed) {
  auto pauseTitles = [&] { return titles(MenuBuilder::pauseSubmenu(actions)); };
  const std::vector<std::string> durations = {"15 minutes", "30 minutes", "1 hour",
                                              "Until I resume"};
  EXPECT_EQ(pauseTitles(), durations);
  EXPECT_TRUE(MenuBuilder::find(MenuBuilder::statusMenu(actions, ""), "Pause reminders"));
  EXPECT_TRUE(MenuBuilder::find(MenuBuilder::contextMenu(actions), "Pause reminders"));

  std::vector<std::string> paused = durations;
  paused.push_back("-");
  paused.push_back("Resume reminders");
  for (int variant = 0; variant < 2; ++variant) {
    actions.until.reset();
    actions.indefinitely = false;
    if (variant == 0)
      actions.until = dateFromSeconds(1'900'000'000.0);
    else
      actions.indefinitely = true;
    EXPECT_EQ(pauseTitles(), paused);
    const MenuTree status = MenuBuilder::statusMenu(actions, "");
    EXPECT_TRUE(MenuBuilder::find(status, "Reminders paused"));
    EXPECT_FALSE(MenuBuilder::find(status, "Pause reminders"));
    EXPECT_EQ(at(status, "Reminders paused").symbol, "pause.circle");
    const MenuTree context = MenuBuilder::contextMenu(actions);
    EXPECT_TRUE(MenuBuilder::find(context, "Pause reminders (paused)"));
    EXPECT_EQ(at(MenuBuilder::pauseSubmenu(actions), "Resume reminders").symbol, "play.fill");
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
  const MenuEntry& line = at(status, "YouTube session · 3 of 30 min");
  EXPECT_EQ(line.symbol, "flag.checkered");
  EXPECT_FALSE(line.action);
  EXPECT_EQ(titles(line.submenu),
            (std::vector<std::string>{"I'm done", "10 more minutes", "Cancel intention"}));
  EXPECT_EQ(line.submenu[0].symbol, "checkmark");
  EXPECT_EQ(line.submenu[1].symbol, "plus");
  EXPECT_EQ(line.submenu[2].symbol, "xmark");
  EXPECT_EQ(chooseAll(line.submenu, actions),
            (std::vector<std::string>{"end:finished", "extend:10", "end:dismissed"}));
  EXPECT_FALSE(MenuBuilder::find(MenuBuilder::contextMenu(actions), "Start a session timer"));
  EXPECT_FALSE(MenuBuilder::sessionItem(actions));
}

TEST_F(MenuBuilderTest, SetAnIntentionShowsTheGlobalKeyOnlyWhileItWorks) {
  EXPECT_EQ(MenuBuilder::intentionItem(actions).shortcut, "Ctrl+Alt+I");
  actions.shortcut = false;
  const MenuEntry item = MenuBuilder::intentionItem(actions);
  EXPECT_EQ(item.title, "Set an intention…");
  EXPECT_TRUE(item.shortcut.empty());
  EXPECT_EQ(chooseAll({item}, actions), (std::vector<std::string>{"intentionForm"}));
}

TEST_F(MenuBuilderTest, TheSessionSubmenuListsEveryPreset) {
  const auto item = MenuBuilder::sessionItem(actions);
  ASSERT_TRUE(item);
  EXPECT_EQ(titles(item->submenu),
            (std::vector<std::string>{
                "Netflix · 60 min", "YouTube · 30 min", "Social media · 15 min", "News · 15 min",
                "-", "Something else…", "Times your browser. Pimble doesn't see websites."}));
  const MenuEntry& note = item->submenu.back();
  EXPECT_FALSE(note.enabled);
  EXPECT_FALSE(note.action);
  for (const MenuEntry& e : item->submenu) EXPECT_TRUE(e.symbol.empty()) << e.title;
  EXPECT_EQ(
      chooseAll(item->submenu, actions),
      (std::vector<std::string>{"session:Netflix:60", "session:YouTube:30",
                                "session:Social media:15", "session:News:15", "intentionForm"}));
}

TEST_F(MenuBuilderTest, TheModeEntryChecksOnlyTheCurrentMode) {
  actions.current = AwarenessMode::night;
  const MenuEntry mode = MenuBuilder::modeItem(actions);
  EXPECT_EQ(mode.title, "Mode: Night");
  EXPECT_EQ(mode.symbol, "moon.stars.fill");
  EXPECT_FALSE(mode.action);
  EXPECT_EQ(titles(mode.submenu), (std::vector<std::string>{"Work", "Relax", "Night"}));
  EXPECT_EQ(mode.submenu[0].symbol, "briefcase.fill");
  EXPECT_EQ(mode.submenu[1].symbol, "sofa.fill");
  EXPECT_FALSE(mode.submenu[0].checked);
  EXPECT_FALSE(mode.submenu[1].checked);
  EXPECT_TRUE(mode.submenu[2].checked);
  EXPECT_EQ(mode.submenu[1].toolTip,
            "No work talk. Posture and take-a-break reminders rest; water, eyes, stretch and walk "
            "continue.");
  EXPECT_EQ(mode.submenu[2].toolTip,
            "Softer animations, no sounds, and your night check-in times.");
  EXPECT_EQ(chooseAll(mode.submenu, actions),
            (std::vector<std::string>{"mode:work", "mode:relax", "mode:night"}));
}

TEST_F(MenuBuilderTest, RemindersAreTheEnabledOnesAsTheyWereWhenTheMenuWasBuilt) {
  MenuTree remind = MenuBuilder::remindSubmenu(actions);
  EXPECT_EQ(titles(remind), (std::vector<std::string>{"Drink water", "Take a walk"}));
  EXPECT_EQ(remind[0].symbol, "drop.fill");
  EXPECT_EQ(remind[1].symbol, "figure.walk");

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
  EXPECT_FALSE(remind[0].enabled);
  EXPECT_FALSE(remind[0].action);
}

TEST_F(MenuBuilderTest, EveryEntryReachesTheControllerWithItsValues) {
  EXPECT_EQ(chooseAll(MenuBuilder::statusMenu(actions, "summary"), actions),
            (std::vector<std::string>{"summon",
                                      "toggle",
                                      "remind:Drink water",
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
                                      "settings",
                                      "quit"}));
  EXPECT_EQ(chooseAll(MenuBuilder::contextMenu(actions), actions),
            (std::vector<std::string>{
                "remind:Drink water", "remind:Take a walk", "pause:900", "pause:1800", "pause:3600",
                "pause:none", "intentionForm", "session:Netflix:60", "session:YouTube:30",
                "session:Social media:15", "session:News:15", "intentionForm", "mode:work",
                "mode:relax", "mode:night", "progress", "settings", "toggle", "quit"}));
}

TEST_F(MenuBuilderTest, EverySymbolHasADrawingOfItsOwn) {
  actions.reminders = Reminder::defaults();
  Reminder custom;
  actions.reminders.push_back(custom);
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

// The renderer: one QAction per entry, submenus, states and key hints, and
// a rendering that replaces the last one.
TEST_F(MenuBuilderTest, TheRendererMakesTheQMenuOfTheTree) {
  actions.current = AwarenessMode::relax;
  QMenu menu;
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Next reminder soon"), menu);
  const QList<QAction*> items = menu.actions();
  ASSERT_EQ(items.size(), 13);
  EXPECT_EQ(items[0]->text(), "Next reminder soon");
  EXPECT_FALSE(items[0]->isEnabled());
  EXPECT_TRUE(items[1]->isSeparator());
  EXPECT_EQ(items[2]->text(), "Summon Pimble");
  EXPECT_FALSE(items[2]->icon().isNull());
  EXPECT_TRUE(items[12]->icon().isNull());  // quitting has no symbol
  EXPECT_EQ(items[11]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
  EXPECT_EQ(items[12]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
  EXPECT_EQ(items[6]->shortcut(), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_I));

  QMenu* mode = items[8]->menu();
  ASSERT_NE(mode, nullptr);
  EXPECT_EQ(items[8]->text(), "Mode: Relax");
  ASSERT_EQ(mode->actions().size(), 3);
  EXPECT_FALSE(mode->actions()[0]->isCheckable());
  EXPECT_TRUE(mode->actions()[1]->isChecked());
  EXPECT_TRUE(mode->toolTipsVisible());
  EXPECT_EQ(mode->actions()[2]->toolTip(),
            "Softer animations, no sounds, and your night check-in times.");

  actions.calls.clear();
  mode->actions()[2]->trigger();
  menu.actions()[2]->trigger();
  items[4]->menu()->actions()[1]->trigger();
  EXPECT_EQ(actions.calls,
            (std::vector<std::string>{"mode:night", "summon", "remind:Take a walk"}));

  // A second rendering replaces the content; nothing of the first stays.
  actions.visible = false;
  actions.status = "Writing · 5 of 25 min";
  MenuBuilder::render(MenuBuilder::statusMenu(actions, "Paused"), menu);
  QStringList texts;
  for (QAction* a : menu.actions()) texts << (a->isSeparator() ? "-" : a->text());
  EXPECT_EQ(texts, (QStringList{"Paused", "-", "Summon Pimble", "Give me a reminder",
                                "Pause reminders", "Writing · 5 of 25 min", "Mode: Relax",
                                "Show today's progress", "-", "Settings…", "Quit Pimble Glimmet"}));
  EXPECT_TRUE(menu.actions()[5]->shortcut().isEmpty());
}

}  // namespace
}  // namespace pimble::testing
