// The status menu and the context menu on the real controller: built from
// its state at each opening, their entries reaching its roads, the tray icon
// made when a tray comes up and faded while paused, and a real right click
// on the character opening the context menu.
#include <QAction>
#include <QMenu>
#include <QProcess>
#include <QSystemTrayIcon>

#include "app/controller_harness.h"
#include "app/menu_builder.h"
#include "app/status_item.h"
#include "settings/settings_window_controller.h"

namespace pimble::testing {
namespace {

using namespace std::chrono_literals;

// Chooses the entry at a path of titles, as a click on it would; on the
// way, only entries with a submenu count (the summary line may read as the
// pause entry does).
void choose(const MenuTree& menu, std::vector<std::string_view> path) {
  const MenuTree* level = &menu;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const bool last = i + 1 == path.size();
    auto it = std::find_if(level->begin(), level->end(), [&](const MenuEntry& e) {
      return !e.separator && e.title == path[i] && (last ? bool(e.action) : !e.submenu.empty());
    });
    ASSERT_NE(it, level->end()) << path[i];
    if (last) {
      it->action();
      return;
    }
    level = &it->submenu;
  }
}

class ControllerMenus : public ControllerTest {
 protected:
  void SetUp() override {
    ControllerTest::SetUp();
    if (IsSkipped()) return;
    AppSettings s;
    s.awareness.intentionShortcut = true;
    seedQuietUser(s);
    started();
  }
  MenuTree status() { return controller->statusItem().menuTree(); }
  MenuTree context() { return MenuBuilder::contextMenu(controller->menuActions()); }
};

TEST_F(ControllerMenus, TheCharacterProgressSettingsAndQuit) {
  AppController& c = *controller;
  MenuTree menu = status();
  EXPECT_EQ(menu.front().title, c.nextReminderSummary());
  choose(menu, {"Hide companion"});
  EXPECT_FALSE(c.model().settings().showCompanion);
  EXPECT_FALSE(characterVisible());
  menu = status();
  EXPECT_FALSE(MenuBuilder::find(menu, "Hide companion"));
  choose(menu, {"Summon Pimble"});
  EXPECT_TRUE(characterVisible());
  choose(context(), {"Hide companion"});
  EXPECT_FALSE(characterVisible());
  choose(status(), {"Summon Pimble"});

  choose(context(), {"Show today's progress"});
  EXPECT_EQ(c.bubble().model().content().kase(), BubbleContent::Case::progress);
  choose(status(), {"Settings…"});
  ASSERT_NE(c.settingsWindow(), nullptr);
  store.forget();
  choose(context(), {"Quit Pimble Glimmet"});
  EXPECT_TRUE(c.isShutDown());
  EXPECT_EQ(store.writeCount("schedule"), 1);
  EXPECT_EQ(store.writeCount("settings"), 1);
  // A second quit writes nothing more.
  choose(status(), {"Quit Pimble Glimmet"});
  EXPECT_EQ(store.writeCount("schedule"), 1);
}

TEST_F(ControllerMenus, PausingFadesTheIconMadeWhenATrayComesUpAndRenamesTheEntries) {
  AppController& c = *controller;
  EXPECT_EQ(c.statusItem().trayIcon(), nullptr) << "no tray yet";
  choose(status(), {"Pause reminders", "30 minutes"});
  EXPECT_NEAR(secondsUntil(c.engine().pausedUntil()), 1800, 1e-6);
  desktop.trays->appear();
  ASSERT_NE(c.statusItem().trayIcon(), nullptr);
  EXPECT_EQ(c.statusItem().trayIcon()->contextMenu(), &c.statusItem().menu());
  EXPECT_TRUE(c.statusItem().isPaused()) << "made while paused: faded from the start";
  const MenuTree menu = status();
  EXPECT_TRUE(MenuBuilder::find(menu, "Reminders paused"));
  EXPECT_EQ(menu.front().title, c.nextReminderSummary());
  choose(context(), {"Pause reminders (paused)", "Until I resume"});
  EXPECT_TRUE(c.model().pausedIndefinitely());
  choose(status(), {"Reminders paused", "Resume reminders"});
  EXPECT_FALSE(c.engine().pausedIndefinitely());
  EXPECT_FALSE(c.engine().pausedUntil());
  EXPECT_FALSE(c.statusItem().isPaused());
  EXPECT_TRUE(MenuBuilder::find(status(), "Pause reminders"));
}

TEST_F(ControllerMenus, SessionsIntentionsAndModes) {
  AppController& c = *controller;
  desktop.workspace->defaultBrowser = ReturnTarget{"firefox", "Firefox"};
  choose(status(), {"Start a session timer", "YouTube · 30 min"});
  ASSERT_TRUE(c.awareness().intention());
  EXPECT_TRUE(c.awareness().intention()->isSession);
  const std::optional<std::string> line = c.intentionStatus();
  ASSERT_TRUE(line);
  MenuTree menu = status();
  EXPECT_FALSE(MenuBuilder::find(menu, "Start a session timer"));
  choose(menu, {*line, "10 more minutes"});
  EXPECT_NEAR(c.awareness().intention()->dueAtSeconds, 600, 1.0);
  choose(status(), {*c.intentionStatus(), "I'm done"});
  EXPECT_FALSE(c.awareness().intention());

  choose(status(), {"Mode: Work", "Night"});
  EXPECT_EQ(c.awareness().mode(), AwarenessMode::night);
  EXPECT_TRUE(MenuBuilder::find(context(), "Mode: Night"));

  // The key hint follows the key really being held.
  EXPECT_EQ(MenuBuilder::find(status(), "Set an intention…")->shortcut, "Ctrl+Alt+I");
  desktop.shortcut->unregisterKey();
  EXPECT_TRUE(MenuBuilder::find(status(), "Set an intention…")->shortcut.empty());
  choose(status(), {"Set an intention…"});
  EXPECT_TRUE(c.showingIntentionForm());
}

// A panel lays the tray's menu out before it announces an opening: the menu
// follows each change of what it shows without being opened (the character
// shown or hidden: TrayProcess).
TEST_F(ControllerMenus, TheTrayMenuFollowsTheStateWithoutOpening) {
  AppController& c = *controller;
  desktop.workspace->defaultBrowser = ReturnTarget{"firefox", "Firefox"};
  auto holds = [&](const std::string& title, bool held = true) {
    return waitUntil([&] {
      const QList<QAction*> items = c.statusItem().menu().actions();
      return held == std::any_of(items.begin(), items.end(),
                                 [&](QAction* a) { return a->text().toStdString() == title; });
    });
  };
  choose(status(), {"Start a session timer", "YouTube · 30 min"});
  const std::optional<std::string> line = c.intentionStatus();
  ASSERT_TRUE(line);
  EXPECT_TRUE(holds(*line));
  choose(status(), {*line, "I'm done"});
  EXPECT_TRUE(holds(*line, false));
  choose(status(), {"Mode: Work", "Night"});
  EXPECT_TRUE(holds("Mode: Night"));
  choose(status(), {"Pause reminders", "Until I resume"});
  EXPECT_TRUE(holds("Reminders paused"));
}

// A real right click on the character opens the context menu at the pointer.
TEST_F(ControllerMenus, ARightClickOnTheCharacterOpensTheContextMenu) {
  if (auto why = missingProgram("xdotool")) GTEST_SKIP() << *why;
  AppController& c = *controller;
  GlimmetHostView& view = c.companion().hostView();
  ASSERT_TRUE(waitUntil([&] { return view.isVisible() && view.width() > 0; }));
  ASSERT_TRUE(characterShown())
      << "the character is not shown where it was put, taking the pointer";
  const QPoint body = onScreen(bodyCentre);
  for (int round = 0; round < 2; ++round) {
    if (round == 1) choose(status(), {"Pause reminders", "1 hour"});
    QProcess click;
    click.start("xdotool", QStringList{"mousemove"} + at(body) + QStringList{"click", "3"});
    ASSERT_TRUE(waitUntil([&] { return c.contextMenu() && c.contextMenu()->isVisible(); }));
    QMenu& menu = *c.contextMenu();
    // At the pointer: opening down or, near the screen's bottom, up from
    // it, and across it (kept on the screen).
    const QRect g = menu.geometry();
    EXPECT_TRUE(std::abs(g.top() - body.y()) < 4 || std::abs(g.bottom() + 1 - body.y()) < 4)
        << g.top() << " " << g.bottom() << " " << body.y();
    EXPECT_TRUE(g.left() <= body.x() && body.x() <= g.right() + 1);
    QStringList texts;
    for (QAction* a : menu.actions()) texts << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(texts.front(), "Give me a reminder");
    EXPECT_EQ(texts[1], round == 0 ? "Pause reminders" : "Pause reminders (paused)");
    EXPECT_EQ(texts.back(), "Quit Pimble Glimmet");
    if (round == 0) saveScreenshot("context-menu.png");
    runTool("xdotool", {"key", "Escape"});
    ASSERT_TRUE(waitUntil([&] { return !menu.isVisible(); }));
  }
}

}  // namespace
}  // namespace pimble::testing
