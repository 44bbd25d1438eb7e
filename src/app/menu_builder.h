#pragma once

// The status menu and the character's context menu are built as plain data
// first: each entry with its title, symbol, key hint, state and the action
// it runs, the values it acts on captured when the entry was built. Tests
// read the data; one small renderer turns it into a QMenu. The tray's menu
// is rendered again whenever what it shows changes, and as it opens; the
// character's menu is built anew each time it opens.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/menu_actions.h"

class QMenu;

namespace pimble {

struct MenuEntry {
  // A line between groups; nothing else of the entry counts.
  bool separator = false;
  std::string title;
  // A symbol name ("bell"), empty for none.
  std::string symbol;
  // The key hint in portable text ("Ctrl+,"), empty for none.
  std::string shortcut;
  std::string toolTip;
  bool enabled = true;
  // Carries a check mark.
  bool checked = false;
  // What choosing it does; none for a label or an entry that only opens
  // its submenu.
  std::function<void()> action;
  std::vector<MenuEntry> submenu;

  static MenuEntry line() {
    MenuEntry e;
    e.separator = true;
    return e;
  }
};

using MenuTree = std::vector<MenuEntry>;

namespace MenuBuilder {

// The reminder each enabled reminder's entry shows now.
MenuTree remindSubmenu(MenuActions& actions);
// The pause lengths, and "Resume reminders" while paused.
MenuTree pauseSubmenu(MenuActions& actions);
// The running intention's status line with its submenu, or "Set an
// intention…".
MenuEntry intentionItem(MenuActions& actions);
// The session presets; none while an intention or session runs.
std::optional<MenuEntry> sessionItem(MenuActions& actions);
// "Mode: …" with the three modes.
MenuEntry modeItem(MenuActions& actions);
// The character's right-click menu.
MenuTree contextMenu(MenuActions& actions);
// The tray menu, under the next-reminder summary.
MenuTree statusMenu(MenuActions& actions, const std::string& summary);

// Reminders count as paused for a time or until resumed.
bool isPaused(const MenuActions& actions);

// The entry at that title on the top level of `menu`; nullptr without one.
const MenuEntry* find(const MenuTree& menu, std::string_view title);

// How symbols show: drawn in the text colour of the program's own menus, or
// drawn to read on any menu, light or dark, for a menu that another program
// lays out in its own theme (the tray's, which a panel draws).
enum class Symbols { ownMenu, anyMenu };

// Makes the content of `into` that of the tree: one action per entry, a
// submenu (owned by `into`) per entry with children, disabled entries
// greyed, check marks, symbols and key hints. Choosing an action runs its
// entry's action. Rendered again, `into` keeps the action of every entry
// still there (the same title and kind, in the same order, or a stretch of
// the same kinds with new titles) and adds or drops only what changed: a
// panel's copy of the menu stays valid for every entry that stays.
void render(const MenuTree& menu, QMenu& into, Symbols symbols = Symbols::ownMenu);

}  // namespace MenuBuilder
}  // namespace pimble
