#include "bubbles/greeting_bubble_view.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <cmath>

#include "bubbles/bubble_look.h"
#include "bubbles/greeting_shape.h"

namespace pimble {
namespace {

constexpr int outer = 10;  // room for the shadow
constexpr int padX = 13, padY = 7;
constexpr double tailWidth = 14, tailHeight = 7;

QFont greetingFont() {
  return BubbleLook::font(BubbleLook::TextStyle::headline);
}

QColor textColor(BubbleStyle style) {
  if (style == BubbleStyle::solid) return BubbleLook::colors(style).text;
  return QColor::fromRgbF(0.2f, 0.18f, 0.3f);
}

}  // namespace

GreetingBubbleView::GreetingBubbleView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("greetingView"));
  setAttribute(Qt::WA_TranslucentBackground);
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void GreetingBubbleView::set(const QString& text, BubbleStyle style, bool tailDown) {
  text_ = text;
  style_ = style;
  tailDown_ = tailDown;
  setAccessibleName(text);
  update();
}

QStringList GreetingBubbleView::lines() const {
  const QFont font = greetingFont();
  QString source = text_;
  source.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(source, font);
  QTextOption option(Qt::AlignHCenter);
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  QStringList out;
  qsizetype lastStart = 0;
  bool cut = false;
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(maxTextWidth);
    if (out.size() == maxLines) {
      cut = true;
      break;
    }
    lastStart = line.textStart();
    out << source.mid(line.textStart(), line.textLength()).trimmed();
  }
  layout.endLayout();
  if (cut) {
    out.back() = QFontMetricsF(font).elidedText(source.mid(lastStart).simplified(), Qt::ElideRight,
                                                maxTextWidth);
  }
  if (out.isEmpty()) out << QString();
  return out;
}

QSize GreetingBubbleView::fittingSize() const {
  const QFontMetricsF fm(greetingFont());
  double widest = 0;
  const QStringList shown = lines();
  for (const QString& l : shown) widest = std::max(widest, fm.horizontalAdvance(l));
  const double textW = std::min<double>(std::ceil(widest), maxTextWidth);
  const double textH = std::ceil(fm.lineSpacing() * shown.size());
  return {int(textW) + 2 * padX + 2 * outer, int(textH) + 2 * padY + int(tailHeight) + 2 * outer};
}

QPainterPath GreetingBubbleView::outline() const {
  GreetingShape shape;
  shape.tailDown = tailDown_;
  shape.tailWidth = tailWidth;
  shape.tailHeight = tailHeight;
  return shape.path(QRectF(rect()).adjusted(outer, outer, -outer, -outer));
}

void GreetingBubbleView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF shapeRect = QRectF(rect()).adjusted(outer, outer, -outer, -outer);
  BubbleLook::Colors c = BubbleLook::colors(style_);
  // The greeting's shadow is a touch lighter and closer than the speech bubble's.
  switch (style_) {
    case BubbleStyle::soft:
      c.shadow = QColor::fromRgbF(0, 0, 0, 0.16f);
      c.shadowRadius = 7;
      c.shadowOffsetY = 3;
      break;
    case BubbleStyle::glass:
      c.shadow = QColor::fromRgbF(0, 0, 0, 0.18f);
      c.shadowRadius = 7;
      c.shadowOffsetY = 3;
      break;
    case BubbleStyle::solid:
      c.shadow = QColor::fromRgbF(0, 0, 0, 0.22f);
      c.shadowRadius = 6;
      c.shadowOffsetY = 2;
      break;
  }
  BubbleLook::paintBackground(p, outline(), style_, c);
  const QRectF textRect = shapeRect.adjusted(padX, padY + (tailDown_ ? 0 : tailHeight), -padX,
                                             -padY - (tailDown_ ? tailHeight : 0));
  p.setFont(greetingFont());
  p.setPen(textColor(style_));
  const QFontMetricsF fm(greetingFont());
  double y = textRect.top();
  for (const QString& line : lines()) {
    p.drawText(QRectF(textRect.left(), y, textRect.width(), fm.lineSpacing()),
               Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, line);
    y += fm.lineSpacing();
  }
}

}  // namespace pimble
