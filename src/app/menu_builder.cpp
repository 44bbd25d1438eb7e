#include "app/menu_builder.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPalette>
#include <QString>

#include "bubbles/bubble_look.h"
#include "bubbles/reminder_bubble_content.h"
#include "bubbles/symbol_image.h"
#include "settings/settings_form.h"

namespace pimble {
namespace MenuBuilder {
namespace {

MenuEntry item(std::string title, std::string symbol, std::function<void()> action) {
  MenuEntry e;
  e.title = std::move(title);
  e.symbol = std::move(symbol);
  e.action = std::move(action);
  return e;
}

MenuEntry holder(std::string title, std::string symbol, MenuTree submenu) {
  MenuEntry e;
  e.title = std::move(title);
  e.symbol = std::move(symbol);
  e.submenu = std::move(submenu);
  return e;
}

MenuEntry label(std::string title) {
  MenuEntry e;
  e.title = std::move(title);
  e.enabled = false;
  return e;
}

// The items that follow the reminder and pause entries in both menus.
void appendAwareness(MenuTree& menu, MenuActions& actions) {
  menu.push_back(intentionItem(actions));
  if (auto session = sessionItem(actions)) menu.push_back(std::move(*session));
  menu.push_back(modeItem(actions));
  menu.push_back(
      item("Show today's progress", "chart.bar", [&actions] { actions.showProgress(); }));
}

MenuEntry settingsItem(MenuActions& actions) {
  MenuEntry e = item("Settings…", "gearshape", [&actions] { actions.openSettings(std::nullopt); });
  e.shortcut = "Ctrl+,";
  return e;
}

MenuEntry quitItem(MenuActions& actions) {
  MenuEntry e = item("Quit Pimble Glimmet", "", [&actions] { actions.quit(); });
  e.shortcut = "Ctrl+Q";
  return e;
}

// A grey with a contrast of at least 3:1 both on white and on the dark
// menus of dark themes (#2d2d2d to #3c3c3c), as a drawn symbol needs where
// the menu's colours are not known.
const QColor anyMenuSymbolColor(0x88, 0x88, 0x88);

QIcon symbolIcon(const std::string& name, Symbols symbols) {
  // A panel lays out a theme icon by name at the sizes its own theme has
  // (a 48-pixel bell in a menu) and shows a drawing as it comes: drawings
  // only, in a colour that reads on light and dark menus.
  if (symbols == Symbols::anyMenu) return SymbolImage::menuIcon(name, 16, anyMenuSymbolColor);
  // The menu's own text colour, so that a symbol reads on light and dark
  // menus alike.
  const QColor color = QApplication::palette("QMenu").color(QPalette::Active, QPalette::WindowText);
  return SymbolImage::menuIcon(name, 16, color);
}

// What an action runs and the symbol it shows, kept with the action: a
// rendering in place changes only what changed, and swaps what it runs.
class EntryState : public QObject {
 public:
  using QObject::QObject;
  std::function<void()> run;
  std::string symbol;
  Symbols look = Symbols::ownMenu;
};

const char* const entryStateName = "pimble-menu-entry";

EntryState& stateOf(QAction& action) {
  if (auto* state = action.findChild<QObject*>(entryStateName, Qt::FindDirectChildrenOnly))
    return *static_cast<EntryState*>(state);
  auto* state = new EntryState(&action);
  state->setObjectName(entryStateName);
  QObject::connect(&action, &QAction::triggered, state, [state] {
    // A copy: what it runs may render the menu again.
    if (std::function<void()> run = state->run) run();
  });
  return *state;
}

// The same separators and submenus in the same places, all the way down.
bool sameShape(const MenuTree& menu, const QMenu& into) {
  const QList<QAction*> actions = into.actions();
  if (actions.size() != static_cast<qsizetype>(menu.size())) return false;
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const MenuEntry& e = menu[i];
    const QAction& a = *actions[static_cast<qsizetype>(i)];
    if (a.isSeparator() != e.separator) return false;
    if (e.separator) continue;
    const QMenu* sub = a.menu();
    if ((sub != nullptr) != !e.submenu.empty()) return false;
    if (sub && !sameShape(e.submenu, *sub)) return false;
  }
  return true;
}

void update(QAction& action, const MenuEntry& e, Symbols symbols) {
  // Titles carry reminder titles, intentions and application names as
  // typed: an "&" in them is no mnemonic.
  action.setText(BubbleLook::literal(e.title));
  EntryState& state = stateOf(action);
  if (state.symbol != e.symbol || state.look != symbols) {
    action.setIcon(e.symbol.empty() ? QIcon() : symbolIcon(e.symbol, symbols));
    state.symbol = e.symbol;
    state.look = symbols;
  }
  const QKeySequence shortcut =
      e.shortcut.empty()
          ? QKeySequence()
          : QKeySequence(QString::fromStdString(e.shortcut), QKeySequence::PortableText);
  if (action.shortcut() != shortcut) action.setShortcut(shortcut);
  const QString toolTip = QString::fromStdString(e.toolTip);
  if (action.toolTip() != toolTip) action.setToolTip(toolTip);
  // Only the entry that carries a check mark is checkable, so the others
  // show no empty box.
  action.setCheckable(e.checked);
  if (e.checked) action.setChecked(true);
  action.setEnabled(e.enabled);
  state.run = e.action;
}

}  // namespace

bool isPaused(const MenuActions& actions) {
  return actions.pausedUntil().has_value() || actions.pausedIndefinitely();
}

MenuTree remindSubmenu(MenuActions& actions) {
  MenuTree menu;
  for (const Reminder& reminder : actions.enabledReminders()) {
    // The reminder as it is now: an edit made while the menu is open
    // shows in the next one.
    menu.push_back(item(reminder.title, std::string(ReminderBubbleContent::symbol(reminder.kind)),
                        [&actions, reminder] { actions.remindNow(reminder); }));
  }
  if (menu.empty()) menu.push_back(label("No reminders enabled"));
  return menu;
}

MenuTree pauseSubmenu(MenuActions& actions) {
  MenuTree menu;
  auto pauseFor = [&actions](std::optional<double> seconds) {
    return [&actions, seconds] { actions.pause(seconds); };
  };
  menu.push_back(item("15 minutes", "", pauseFor(900)));
  menu.push_back(item("30 minutes", "", pauseFor(1800)));
  menu.push_back(item("1 hour", "", pauseFor(3600)));
  menu.push_back(item("Until I resume", "", pauseFor(std::nullopt)));
  if (isPaused(actions)) {
    menu.push_back(MenuEntry::line());
    menu.push_back(item("Resume reminders", "play.fill", [&actions] { actions.resume(); }));
  }
  return menu;
}

MenuEntry intentionItem(MenuActions& actions) {
  if (std::optional<std::string> status = actions.intentionStatus()) {
    return holder(*status, "flag.checkered",
                  {
                      item("I'm done", "checkmark",
                           [&actions] { actions.endIntention(Intention::Status::finished); }),
                      item("10 more minutes", "plus", [&actions] { actions.extendIntention(10); }),
                      item("Cancel intention", "xmark",
                           [&actions] { actions.endIntention(Intention::Status::dismissed); }),
                  });
  }
  MenuEntry e =
      item("Set an intention…", "flag.checkered", [&actions] { actions.openIntentionForm(); });
  // The hint names the global key only while it really opens the form.
  if (actions.intentionShortcutActive()) e.shortcut = "Ctrl+Alt+I";
  return e;
}

std::optional<MenuEntry> sessionItem(MenuActions& actions) {
  if (actions.intentionStatus()) return std::nullopt;
  MenuTree menu;
  for (const SessionPreset& preset : SessionPreset::all()) {
    menu.push_back(item(preset.label + " · " + std::to_string(preset.minutes) + " min", "",
                        [&actions, preset] { actions.startSession(preset); }));
  }
  menu.push_back(MenuEntry::line());
  menu.push_back(item("Something else…", "", [&actions] { actions.openIntentionForm(); }));
  menu.push_back(label("Times your browser. Pimble doesn't see websites."));
  return holder("Start a session timer", "timer", std::move(menu));
}

MenuEntry modeItem(MenuActions& actions) {
  const AwarenessMode current = actions.mode();
  MenuTree menu;
  for (AwarenessMode mode : allCases<AwarenessMode>()) {
    MenuEntry e = item(form::modeLabel(mode).toStdString(), std::string(form::modeSymbol(mode)),
                       [&actions, mode] { actions.setMode(mode); });
    e.toolTip = form::modeDescription(mode).toStdString();
    e.checked = mode == current;
    menu.push_back(std::move(e));
  }
  return holder("Mode: " + form::modeLabel(current).toStdString(),
                std::string(form::modeSymbol(current)), std::move(menu));
}

MenuTree contextMenu(MenuActions& actions) {
  MenuTree menu;
  menu.push_back(holder("Give me a reminder", "bell", remindSubmenu(actions)));
  menu.push_back(holder(isPaused(actions) ? "Pause reminders (paused)" : "Pause reminders",
                        "pause.circle", pauseSubmenu(actions)));
  appendAwareness(menu, actions);
  menu.push_back(settingsItem(actions));
  menu.push_back(MenuEntry::line());
  menu.push_back(item("Hide companion", "eye.slash", [&actions] { actions.toggleCompanion(); }));
  menu.push_back(quitItem(actions));
  return menu;
}

MenuTree statusMenu(MenuActions& actions, const std::string& summary) {
  MenuTree menu;
  menu.push_back(label(summary));
  menu.push_back(MenuEntry::line());
  menu.push_back(item("Summon Pimble", "tornado", [&actions] { actions.summonCompanion(); }));
  if (actions.companionVisible())
    menu.push_back(item("Hide companion", "eye.slash", [&actions] { actions.toggleCompanion(); }));
  menu.push_back(holder("Give me a reminder", "bell", remindSubmenu(actions)));
  menu.push_back(holder(isPaused(actions) ? "Reminders paused" : "Pause reminders", "pause.circle",
                        pauseSubmenu(actions)));
  appendAwareness(menu, actions);
  menu.push_back(MenuEntry::line());
  menu.push_back(settingsItem(actions));
  menu.push_back(quitItem(actions));
  return menu;
}

const MenuEntry* find(const MenuTree& menu, std::string_view title) {
  for (const MenuEntry& e : menu)
    if (!e.separator && e.title == title) return &e;
  return nullptr;
}

void render(const MenuTree& menu, QMenu& into, Symbols symbols) {
  const bool inPlace = sameShape(menu, into);
  if (!inPlace) {
    into.clear();
    // Submenus of the last rendering go once the menu is done with them.
    for (QMenu* old : into.findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) old->deleteLater();
  }
  const QList<QAction*> kept = into.actions();
  bool toolTips = false;
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const MenuEntry& e = menu[i];
    if (e.separator) {
      if (!inPlace) into.addSeparator();
      continue;
    }
    QAction* action = inPlace ? kept[static_cast<qsizetype>(i)] : nullptr;
    if (!e.submenu.empty()) {
      if (!action) action = into.addMenu(new QMenu(&into));
      render(e.submenu, *action->menu(), symbols);
    } else if (!action) {
      action = into.addAction(QString());
    }
    update(*action, e, symbols);
    toolTips |= !e.toolTip.empty();
  }
  into.setToolTipsVisible(toolTips);
}

}  // namespace MenuBuilder
}  // namespace pimble
