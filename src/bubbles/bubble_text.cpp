#include "bubbles/bubble_text.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <QTextOption>
#include <cmath>

namespace pimble {
namespace {

constexpr int unbounded = 100000;

// Lines of `text` wrapped at `width`, at most `maxLines` (0: all); a cut
// last line takes the rest of the text, elided.
QStringList wrap(const QString& text, const QFont& font, double width, int maxLines,
                 bool& truncated) {
  QStringList lines;
  qsizetype lastStart = 0;
  truncated = false;
  const QString source = QString(text).replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(source, font);
  QTextOption option;
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(width);
    if (maxLines > 0 && lines.size() == maxLines) {
      truncated = true;
      break;
    }
    lastStart = line.textStart();
    lines << source.mid(line.textStart(), line.textLength());
  }
  layout.endLayout();
  if (truncated) {
    lines.back() =
        QFontMetricsF(font).elidedText(source.mid(lastStart).simplified(), Qt::ElideRight, width);
  }
  for (QString& l : lines) {
    while (l.endsWith(QLatin1Char('\n')) || l.endsWith(QChar::LineSeparator)) l.chop(1);
  }
  if (lines.isEmpty()) lines << QString();
  return lines;
}

}  // namespace

BubbleText::BubbleText(const QString& text, BubbleLook::TextStyle style, QWidget* parent)
    : QWidget(parent), text_(text), font_(BubbleLook::font(style)) {
  setAccessibleName(text);
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
  QSizePolicy policy = sizePolicy();
  policy.setHeightForWidth(true);
  setSizePolicy(policy);
}

void BubbleText::setTone(Tone tone) {
  tone_ = tone;
  update();
}

void BubbleText::setMaxLines(int lines) {
  maxLines_ = std::max(0, lines);
  updateGeometry();
}

void BubbleText::setMinimumScale(double scale) {
  minimumScale_ = std::clamp(scale, 0.1, 1.0);
  updateGeometry();
}

void BubbleText::setAlignment(Qt::Alignment alignment) {
  alignment_ = alignment;
  update();
}

void BubbleText::setBold(bool bold) {
  font_ = BubbleLook::rounded(font_.pixelSize(), bold ? QFont::Bold : QFont::Normal);
  updateGeometry();
}

BubbleText::Layout BubbleText::layoutFor(int width) const {
  Layout out;
  out.font = font_;
  const double w = std::max(1, width);
  out.lines = wrap(text_, out.font, w, maxLines_, out.truncated);
  if (maxLines_ == 1 && minimumScale_ < 1.0 && QFontMetricsF(font_).horizontalAdvance(text_) > w) {
    // Shrink toward the smallest scale before cutting the one line.
    const double full = QFontMetricsF(font_).horizontalAdvance(text_);
    const double scale = std::max(minimumScale_, w / full);
    out.font.setPixelSize(std::max(1, int(std::floor(font_.pixelSize() * scale))));
    out.lines = wrap(text_, out.font, w, 1, out.truncated);
  }
  const QFontMetricsF fm(out.font);
  out.height = int(std::ceil(fm.lineSpacing() * out.lines.size()));
  return out;
}

bool BubbleText::isTruncated() const {
  return layoutFor(width()).truncated;
}

int BubbleText::heightForWidth(int width) const {
  // Keep the first line's height when shrinking, so rows don't jump.
  return std::max(layoutFor(width).height, int(std::ceil(QFontMetricsF(font_).lineSpacing())));
}

QSize BubbleText::sizeHint() const {
  const QFontMetricsF fm(font_);
  double widest = 0;
  for (const QString& l : text_.split(QLatin1Char('\n'))) {
    widest = std::max(widest, fm.horizontalAdvance(l));
  }
  const int w = int(std::ceil(widest)) + 1;
  return {std::min(w, unbounded), heightForWidth(w)};
}

QSize BubbleText::minimumSizeHint() const {
  return {std::min(sizeHint().width(), 24), int(std::ceil(QFontMetricsF(font_).lineSpacing()))};
}

void BubbleText::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  setToolTip(isTruncated() ? BubbleLook::plainToolTip(text_) : QString());
}

void BubbleText::paintEvent(QPaintEvent*) {
  const Layout l = layoutFor(width());
  QPainter p(this);
  p.setRenderHint(QPainter::TextAntialiasing);
  QColor c = palette().color(QPalette::WindowText);
  const double strength = tone_ == Tone::primary ? 0.87 : tone_ == Tone::secondary ? 0.55 : 0.32;
  c.setAlphaF(float(c.alphaF() * strength));
  p.setPen(c);
  p.setFont(l.font);
  const QFontMetricsF fm(l.font);
  double y = 0;
  for (const QString& line : l.lines) {
    const QRectF box(0, y, width(), fm.lineSpacing());
    p.drawText(box, int(alignment_ | Qt::AlignVCenter) | Qt::TextSingleLine, line);
    y += fm.lineSpacing();
  }
}

}  // namespace pimble
