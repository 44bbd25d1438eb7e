#pragma once

#include <QColor>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPainterPath>
#include <QString>
#include <string_view>

#include "models/bubble_style.h"

class QPainter;
class QPushButton;
class QWidget;

namespace pimble {

// The bubbles' shared typography, colours, background painting and widget
// helpers.
namespace BubbleLook {

enum class TextStyle { headline, body, callout, subheadline, caption, caption2 };

// The rounded face where one is installed, else the system's sans serif.
QFont font(TextStyle style);
// The same at a pixel size and weight. The normal weight gives the face of
// body text (a medium one where the rounded family has it); a heavier weight
// always gives a heavier face than that.
QFont rounded(int pixelSize, QFont::Weight weight = QFont::Normal);

// The orange of prominent buttons and symbols.
QColor accent();

struct Colors {
  QColor fill;
  QColor stroke;
  QColor shadow;
  double shadowRadius;
  double shadowOffsetY;
  QColor text;       // full-strength text, the base of the tones
  QColor primary;    // text
  QColor secondary;  // secondary text and symbols
  QColor tertiary;   // footnotes
  bool translucent;  // the fill lets the desktop show through
};
Colors colors(BubbleStyle style);

// Fills `outline` in the style, strokes it with a 1-point line centred on the
// outline and casts the style's soft shadow under both.
void paintBackground(QPainter& painter, const QPainterPath& outline, BubbleStyle style,
                     const Colors& colors);

// Button and menu titles treat "&" as a mnemonic marker; doubling it shows
// the text exactly as given.
QString literal(std::string_view text);
QString literal(const QString& text);

// A tooltip that shows `text` as given: Qt reads a tooltip that looks like
// markup as rich text.
QString plainToolTip(const QString& text);

// A label that shows its text as plain text, never as markup.
QLabel* label(const QString& text, TextStyle style, QWidget* parent = nullptr);

// A push button showing `text` as given. `look` selects its style sheet
// rule: "" (bordered), "prominent", "plain", "small" or "segment". Return
// never presses a focused button by itself: the bubble routes Return and
// Escape to its default and cancel buttons.
QPushButton* button(const QString& text, const char* look, QWidget* parent = nullptr);
// The same for a title that carries a name of any length: where the button
// is too narrow the title is cut at its end with "…", and the whole title is
// its tooltip and accessible name.
QPushButton* nameButton(const QString& text, const char* look, QWidget* parent = nullptr);

// A picker of names of any length. Its size hint fits the widest name
// whole; where the closed box is narrower (held to a largest width), the
// chosen name shows cut at its end with "…", and the whole name is its
// tooltip. The list shows every name whole.
class NamePicker : public QComboBox {
  Q_OBJECT
 public:
  explicit NamePicker(QWidget* parent = nullptr);
  // What the closed box shows of the chosen name.
  QString shownText() const;
  QSize sizeHint() const override;
  void showPopup() override;

 protected:
  void initStyleOption(QStyleOptionComboBox* option) const override;

 private:
  // Where the closed box draws the name, in a box of the option's size.
  QRect labelRoom(const QStyleOptionComboBox& option) const;
};

// A symbol image in a label, hidden from assistive technologies.
QLabel* symbol(std::string_view name, int points, const QColor& color, QWidget* parent = nullptr);

// The widget style sheet of a bubble's controls in a style.
QString styleSheet(BubbleStyle style);

}  // namespace BubbleLook
}  // namespace pimble
