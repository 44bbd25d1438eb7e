#include "settings/tour_look.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QWidget>

#include "bubbles/bubble_look.h"
#include "bubbles/symbol_image.h"
#include "settings/settings_form.h"

namespace pimble::tour {

namespace {
class QuietButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPushButton::paintEvent(event);
    if (!hasFocus()) return;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(accent(), 2));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
  }
};
}  // namespace

QColor accent() {
  return BubbleLook::accent();
}

QFont rounded(int pixelSize, QFont::Weight weight) {
  return BubbleLook::rounded(pixelSize, weight);
}

void useAccent(QWidget* window) {
  QPalette p = window->palette();
  p.setColor(QPalette::Highlight, accent());
  p.setColor(QPalette::HighlightedText, Qt::white);
  window->setPalette(p);
}

QLabel* sentence(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  // Its height follows the width it gets, so the page is as tall as its
  // lines and no taller.
  QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  policy.setHeightForWidth(true);
  label->setSizePolicy(policy);
  return label;
}

QLabel* secondary(const QString& text, QWidget* parent, bool small) {
  QLabel* label = sentence(text, parent);
  label->setForegroundRole(QPalette::PlaceholderText);
  if (small) form::makeSmall(label);
  return label;
}

QWidget* symbolLabel(std::string_view symbol, const QString& text, QWidget* parent,
                     bool secondaryStyle) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  QLabel* words = secondaryStyle ? secondary(text, row) : sentence(text, row);
  const QColor tint = secondaryStyle ? row->palette().color(QPalette::PlaceholderText) : accent();
  // The symbol stands centred on the first line of the text.
  const QFontMetrics metrics(words->font());
  const int points = metrics.height();
  auto* image = BubbleLook::symbol(symbol, points, tint, row);
  layout->addWidget(image, 0, Qt::AlignTop);
  layout->addWidget(words, 1);
  row->setAccessibleName(text);
  return row;
}

QPushButton* prominentButton(const QString& text, QWidget* parent) {
  auto* b = new QPushButton(text, parent);
  const QColor a = accent();
  // Its focus is a ring of the text's colour, which shows on the accent as
  // a darker accent does not; the padding gives back what the wider border
  // takes. The style's own box around the words would be a second mark.
  b->setStyleSheet(QStringLiteral("QPushButton { background-color: %1; color: white; border: 1px "
                                  "solid %2; border-radius: 6px; padding: 5px 16px; "
                                  "font-weight: 600; outline: none; }"
                                  "QPushButton:hover { background-color: %3; }"
                                  "QPushButton:pressed { background-color: %2; }"
                                  "QPushButton:focus { border: 2px solid palette(window-text); "
                                  "padding: 4px 15px; }")
                       .arg(a.name(), a.darker(125).name(), a.lighter(108).name()));
  return b;
}

QPushButton* quietButton(const QString& text, QWidget* parent) {
  auto* b = new QuietButton(text, parent);
  b->setFlat(true);
  b->setAutoDefault(false);
  QPalette p = b->palette();
  p.setColor(QPalette::ButtonText, p.color(QPalette::PlaceholderText));
  b->setPalette(p);
  return b;
}

}  // namespace pimble::tour
