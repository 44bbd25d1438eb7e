#include "settings/elided_label.h"

#include <algorithm>

#include "bubbles/bubble_look.h"

namespace pimble {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent) {
  setTextFormat(Qt::PlainText);
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
}

void ElidedLabel::setFullText(const QString& text) {
  if (text == full_ && !this->text().isEmpty()) return;
  full_ = text;
  setToolTip(BubbleLook::plainToolTip(text));
  setAccessibleName(text);
  elide();
  updateGeometry();
}

QSize ElidedLabel::sizeHint() const {
  const QSize base = QLabel::sizeHint();
  return {fontMetrics().horizontalAdvance(full_) + 2, base.height()};
}

QSize ElidedLabel::minimumSizeHint() const {
  return {fontMetrics().horizontalAdvance(QStringLiteral("W…")),
          QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  elide();
}

void ElidedLabel::elide() {
  const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, std::max(1, width()));
  if (text() != shown) setText(shown);
}

}  // namespace pimble
