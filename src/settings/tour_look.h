#pragma once

// The look the tour's pages share: the orange accent, the rounded titles,
// secondary sentences and labels with a symbol in front.

#include <QColor>
#include <QFont>
#include <QString>
#include <string_view>

class QLabel;
class QPushButton;
class QWidget;

namespace pimble::tour {

// The tour's accent, orange.
QColor accent();

// The rounded face (where one is installed) at a pixel size and weight.
QFont rounded(int pixelSize, QFont::Weight weight = QFont::Normal);
// Sizes of the text styles the tour uses, in pixels.
inline constexpr int title2Size = 22;
inline constexpr int title3Size = 18;
inline constexpr int headlineSize = 13;

// Gives a window and its children the orange accent: chosen segments,
// switches and focus rings take it.
void useAccent(QWidget* window);

// A sentence that wraps to the page's width and never truncates.
QLabel* sentence(const QString& text, QWidget* parent);
// The same in the secondary text colour; `small` sets it in the callout
// size.
QLabel* secondary(const QString& text, QWidget* parent, bool small = false);

// A sentence with a symbol in front of it; the symbol is decoration, the
// text names the row for assistive technologies.
QWidget* symbolLabel(std::string_view symbol, const QString& text, QWidget* parent,
                     bool secondaryStyle = false);

// The filled orange button of the tour's footer.
QPushButton* prominentButton(const QString& text, QWidget* parent);

// A borderless button in the secondary text colour ("Skip tour"). Having no
// frame of its own, it draws an orange ring while it holds the keyboard
// focus, so that a key pressed there never acts unseen.
QPushButton* quietButton(const QString& text, QWidget* parent);

}  // namespace pimble::tour
