#pragma once

// The building blocks every settings tab (and the tour) lays its controls
// out with, so that sections, rows and explanations look alike everywhere.

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <string_view>

#include "models/app_settings.h"
#include "models/json_coding.h"
#include "settings/segmented_control.h"

class QBoxLayout;
class QCheckBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLayout;
class QVBoxLayout;
class QWidget;

namespace pimble {

class AppModel;

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

// A switch, named for tests and accessibility tools.
QCheckBox* toggle(const QString& title, const char* objectName, QWidget* parent);

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

// A time of day in the locale's short form, without seconds ("22:00",
// "10:00 PM").
QString timeFormat();

// Stores a change of the settings: a copy with the edit applied replaces the
// model's value, which then saves and applies it.
void editSettings(AppModel& model, const std::function<void(AppSettings&)>& edit);

// A switch stores its state through `store`, which writes it into the
// settings.
void onToggled(QCheckBox* box, AppModel& model, void (*store)(AppSettings&, bool));

// "small" → "Small": a case name with its first letter capitalised.
QString capitalized(std::string_view name);

// The labels of a picker over every case of an enumeration, in case order.
template <NamedEnum E>
QStringList caseLabels(QString (*label)(E)) {
  QStringList labels;
  for (E value : allCases<E>()) labels << label(value);
  return labels;
}

template <NamedEnum E>
int caseIndex(E value) {
  const auto cases = allCases<E>();
  for (size_t i = 0; i < cases.size(); ++i)
    if (cases[i] == value) return static_cast<int>(i);
  return -1;
}

// A picker over an enumeration stores the case the user picks through
// `store`, which writes it into the settings.
template <NamedEnum E>
void onCasePicked(SegmentedControl* picker, AppModel& model, void (*store)(AppSettings&, E)) {
  QObject::connect(picker, &SegmentedControl::picked, picker, [&model, store](int index) {
    const auto cases = allCases<E>();
    if (index < 0 || index >= static_cast<int>(cases.size())) return;
    const E value = cases[static_cast<size_t>(index)];
    editSettings(model, [store, value](AppSettings& s) { store(s, value); });
  });
}

}  // namespace form
}  // namespace pimble
