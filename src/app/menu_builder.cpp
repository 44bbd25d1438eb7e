#include "app/menu_builder.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QPalette>
#include <QString>
#include <algorithm>
#include <vector>

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

// What an entry is to the menu that shows it.
enum class Kind { separator, holder, command };

Kind kindOf(const MenuEntry& e) {
  if (e.separator) return Kind::separator;
  return e.submenu.empty() ? Kind::command : Kind::holder;
}

Kind kindOf(const QAction& a) {
  if (a.isSeparator()) return Kind::separator;
  return a.menu() ? Kind::holder : Kind::command;
}

// The entry an action showed is still there: of the same kind and title.
bool sameEntry(const QAction& a, const MenuEntry& e) {
  return kindOf(a) == kindOf(e) && (e.separator || a.text() == BubbleLook::literal(e.title));
}

// Which action of `old` goes on showing each entry of `menu`, none for an
// entry that needs a new one. The entries still there keep their actions
// (the longest run of them in order); between two such, a stretch of
// entries of exactly the old kinds, one for one, is the old stretch with
// new titles (a renamed reminder, the next reminder's minutes); in any
// other stretch only submenus carry over. Everything else is new: a click
// meant for an entry that went never runs another.
std::vector<QAction*> keptActions(const MenuTree& menu, const QList<QAction*>& old) {
  const std::size_t n = static_cast<std::size_t>(old.size());
  const std::size_t m = menu.size();
  // longest[i][j]: how many entries the rest of both share, in order.
  std::vector<std::vector<std::size_t>> longest(n + 1, std::vector<std::size_t>(m + 1, 0));
  for (std::size_t i = n; i-- > 0;) {
    for (std::size_t j = m; j-- > 0;) {
      longest[i][j] = sameEntry(*old[static_cast<qsizetype>(i)], menu[j])
                          ? longest[i + 1][j + 1] + 1
                          : std::max(longest[i + 1][j], longest[i][j + 1]);
    }
  }
  std::vector<QAction*> kept(m, nullptr);
  std::size_t i = 0, j = 0, gapOld = 0, gapNew = 0;
  auto closeGap = [&] {
    auto at = [&](std::size_t k) { return old[static_cast<qsizetype>(k)]; };
    bool alike = i - gapOld == j - gapNew;
    for (std::size_t k = 0; alike && k < i - gapOld; ++k)
      alike = kindOf(*at(gapOld + k)) == kindOf(menu[gapNew + k]);
    if (alike) {
      for (std::size_t k = 0; k < i - gapOld; ++k) kept[gapNew + k] = at(gapOld + k);
      return;
    }
    // Otherwise only submenus carry over, in order: a submenu runs nothing
    // itself, and its entries are matched as these are.
    std::size_t from = gapOld;
    for (std::size_t k = gapNew; k < j; ++k) {
      if (kindOf(menu[k]) != Kind::holder) continue;
      while (from < i && kindOf(*at(from)) != Kind::holder) ++from;
      if (from == i) break;
      kept[k] = at(from++);
    }
  };
  while (i < n || j < m) {
    if (i < n && j < m && sameEntry(*old[static_cast<qsizetype>(i)], menu[j]) &&
        longest[i][j] == longest[i + 1][j + 1] + 1) {
      closeGap();
      kept[j] = old[static_cast<qsizetype>(i)];
      gapOld = ++i;
      gapNew = ++j;
    } else if (j == m || (i < n && longest[i + 1][j] >= longest[i][j + 1])) {
      ++i;
    } else {
      ++j;
    }
  }
  closeGap();
  return kept;
}

// Takes an action out of the menu for good, with its submenu's.
void discard(QMenu& from, QAction* action) {
  from.removeAction(action);
  if (QMenu* sub = action->menu()) {
    for (QAction* inner : sub->actions()) discard(*sub, inner);
    // The submenu goes once the menu is done with it.
    sub->deleteLater();
  } else if (action->parent() == &from) {
    // At once: a click still queued for it is dropped with it.
    delete action;
  }
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
  // An entry that stays keeps its action, and so its place in a panel's
  // copy of the menu: a click on it reaches it, also when the menu changed
  // between the panel's reading and the click.
  const std::vector<QAction*> kept = keptActions(menu, into.actions());
  for (QAction* old : into.actions())
    if (std::find(kept.begin(), kept.end(), old) == kept.end()) discard(into, old);
  bool toolTips = false;
  for (std::size_t i = 0; i < menu.size(); ++i) {
    const MenuEntry& e = menu[i];
    QAction* action = kept[i];
    if (!action) {
      // Before the next entry that stays; at the end without one.
      const auto next = std::find_if(kept.begin() + static_cast<std::ptrdiff_t>(i), kept.end(),
                                     [](QAction* a) { return a != nullptr; });
      QAction* before = next == kept.end() ? nullptr : *next;
      if (e.separator)
        action = into.insertSeparator(before);
      else if (!e.submenu.empty())
        action = into.insertMenu(before, new QMenu(&into));
      else
        into.insertAction(before, action = new QAction(&into));
    }
    if (e.separator) continue;
    if (!e.submenu.empty()) render(e.submenu, *action->menu(), symbols);
    update(*action, e, symbols);
    toolTips |= !e.toolTip.empty();
  }
  into.setToolTipsVisible(toolTips);
}

}  // namespace MenuBuilder
}  // namespace pimble
