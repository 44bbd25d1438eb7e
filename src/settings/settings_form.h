#pragma once

// The building blocks every settings tab (and the tour) lays its controls
// out with, so that sections, rows and explanations look alike everywhere.

#include <QObject>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string_view>

#include "models/app_settings.h"
#include "models/awareness_mode.h"
#include "models/companion_corner.h"
#include "models/date.h"
#include "models/json_coding.h"
#include "settings/segmented_control.h"

class QCheckBox;
class QColor;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QMessageBox;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace pimble {

class AppModel;
class TimeOfDayEdit;

namespace form {

QString text(std::string_view utf8);

// A titled section; its controls go into the returned box's vertical layout.
QGroupBox* section(const QString& title, QWidget* parent);
QVBoxLayout* sectionLayout(QGroupBox* section);

// An explanatory sentence under a section's controls: word-wrapped, a
// smaller font, in the palette's secondary text colour.
QLabel* footnote(const QString& sentence, QWidget* parent);

// The font of footnotes and other small texts.
void makeSmall(QWidget* widget);

// A plain column of rows that a section shows or hides as one.
QWidget* group(QWidget* parent, QVBoxLayout*& layout);

// A switch, named for tests and accessibility tools.
QCheckBox* toggle(const QString& title, const char* objectName, QWidget* parent);

// A push button, named the same way, that Return in the window never
// presses by itself.
QPushButton* button(const QString& title, const char* objectName, QWidget* parent);

// Lets a button with a text be as narrow as its text and symbol with the
// style's padding around them. Some styles give every such button a least
// width (Fusion's 80 pixels), which only evens out short buttons; a row
// that holds its buttons' least widths can then be narrower by that.
void leastWidthForText(QPushButton* button);

// Moves the controls of `part` (itself and those inside it), in the order
// they had, to just after `anchor` on the keyboard's way through the window
// (after the nearest control before it when `anchor` takes no focus);
// returns the last control moved, for the next part to follow. Widgets made
// after a window is built come last on that way otherwise, wherever they
// are laid out.
QWidget* placeFocusAfter(QWidget* anchor, QWidget* part);

// Draws the ring that shows the keyboard's focus on a widget the desktop
// style draws none on (a list without a frame, a flat button): called at
// the end of the widget's painting, it draws only while the widget has the
// focus and the keyboard moved it.
void paintFocusRing(QWidget* widget);

// A row of widgets and stretches, left to right; nullptr stands for the
// flexible space between them.
QHBoxLayout* row(std::initializer_list<QWidget*> items);

// A control with its title in front: the title at the leading edge, the
// control at the trailing one. The title names the control for screen
// readers too.
QHBoxLayout* labelled(const QString& title, QWidget* control, QWidget* parent);

// A sentence beside a control: the text takes the width and wraps as it
// needs, the control keeps its natural size at the trailing edge.
QHBoxLayout* textRow(QWidget* text, QWidget* trailing);

// "Bottom right", "Top left", …: a corner as the buttons name it.
QString cornerLabel(CompanionCorner corner);

// Centres a top-level window on the screen under the pointer (the primary
// screen when none is there).
void centreOnScreen(QWidget* window);

// A time of day in the locale's short form, without seconds ("22:00",
// "10:00 PM").
QString timeFormat();
// The local time of day of a date in that form.
QString clockText(Date date);

// The check-in the Awareness tab and the tour show as a sample of a tone:
// Discord past its 20 minutes, with VS Code to go back to, at `clock` (the
// time of day as text, or empty).
QString sampleCheckIn(CheckInTone tone, AwarenessMode mode, const QString& clock);

// Stores a change of the settings: a copy with the edit applied replaces the
// model's value, which then saves and applies it.
void editSettings(AppModel& model, const std::function<void(AppSettings&)>& edit);

// A switch stores its state through `store`, which writes it into the
// settings.
void onToggled(QCheckBox* box, AppModel& model, void (*store)(AppSettings&, bool));

// A stored count as a spin box shows it: values beyond what an int holds
// show at its end.
int spinValue(std::int64_t stored);

// Asks before something that cannot be undone: a warning with the button
// `action` (named `actionName`) and Cancel, which is the default and
// Escape's choice, in the desktop's order. `confirmed` runs only when
// `action` is pressed. The box is window-modal, opens at once and deletes
// itself when closed.
QMessageBox* confirm(QWidget* parent, const QString& question, const QString& detail,
                     const QString& action, const char* actionName,
                     std::function<void()> confirmed);

// An inline picture of a symbol for rich text, in the given colour.
QString inlineSymbol(std::string_view symbol, int points, const QColor& color);

// A time field stores the time the user picks through `store`, which
// writes it into the settings.
void onTimePicked(TimeOfDayEdit* field, AppModel& model, void (*store)(AppSettings&, std::int64_t));

// An awareness mode as the settings and the menus show it: its name
// ("Work", "Relax", "Night"), its symbol, and what it does.
QString modeLabel(AwarenessMode mode);
std::string_view modeSymbol(AwarenessMode mode);
QString modeDescription(AwarenessMode mode);

// "small" → "Small": a case name with its first letter capitalised.
QString capitalized(std::string_view name);

// The labels of a picker over every case of an enumeration, in case order.
template <NamedEnum E>
QStringList caseLabels(QString (*label)(E)) {
  QStringList labels;
  for (E value : allCases<E>()) labels << label(value);
  return labels;
}

// The labels of a picker whose cases read as their capitalised names.
template <NamedEnum E>
QStringList caseNames() {
  QStringList labels;
  for (E value : allCases<E>()) labels << capitalized(enumName(value));
  return labels;
}

template <NamedEnum E>
int caseIndex(E value) {
  const auto cases = allCases<E>();
  for (size_t i = 0; i < cases.size(); ++i)
    if (cases[i] == value) return static_cast<int>(i);
  return -1;
}

// The case at a picker's index; none for an index outside the cases.
template <NamedEnum E>
std::optional<E> caseAt(int index) {
  const auto cases = allCases<E>();
  if (index < 0 || index >= static_cast<int>(cases.size())) return std::nullopt;
  return cases[static_cast<size_t>(index)];
}

// A picker over an enumeration stores the case the user picks through
// `store`, which writes it into the settings.
template <NamedEnum E>
void onCasePicked(SegmentedControl* picker, AppModel& model, void (*store)(AppSettings&, E)) {
  QObject::connect(picker, &SegmentedControl::picked, picker, [&model, store](int index) {
    if (const std::optional<E> value = caseAt<E>(index))
      editSettings(model, [store, value = *value](AppSettings& s) { store(s, value); });
  });
}

// The companion's size as Small, Medium and Large, storing the pick.
SegmentedControl* sizePicker(AppModel& model, QWidget* parent);

}  // namespace form
}  // namespace pimble
