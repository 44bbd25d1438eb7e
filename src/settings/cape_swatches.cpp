#include "settings/cape_swatches.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QPainter>

#include "bubbles/choice_row.h"
#include "settings/settings_form.h"

namespace pimble {

namespace {
constexpr int kDisc = 24;
constexpr int kPadding = 3;
constexpr int kSide = kDisc + 2 * kPadding;

QColor swatchColor(CapeColor color) {
  const auto [r, g, b] = swatch(color);
  return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}
}  // namespace

CapeSwatch::CapeSwatch(CapeColor color, QWidget* parent) : QAbstractButton(parent), color_(color) {
  const QString name = QString::fromUtf8(displayName(color).data(),
                                         static_cast<qsizetype>(displayName(color).size()));
  setObjectName(QString::fromUtf8(enumName(color).data()));
  setToolTip(name);
  setAccessibleName(name + QStringLiteral(" cape"));
  setCheckable(true);
  setCursor(Qt::PointingHandCursor);
  setFixedSize(kSide, kSide);
}

QSize CapeSwatch::sizeHint() const {
  return {kSide, kSide};
}

void CapeSwatch::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF disc(kPadding, kPadding, kDisc, kDisc);
  // A gentle top-to-bottom gradient of the one colour, lighter above.
  const QColor base = swatchColor(color_);
  QLinearGradient fill(disc.topLeft(), disc.bottomLeft());
  fill.setColorAt(0, base.lighter(118));
  fill.setColorAt(1, base.darker(108));
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawEllipse(disc);

  QColor outline = palette().color(QPalette::WindowText);
  outline.setAlphaF(0.15f);
  p.setPen(QPen(outline, 1));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(disc.adjusted(0.5, 0.5, -0.5, -0.5));

  if (isChecked()) {
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawEllipse(QRectF(rect()).adjusted(1, 1, -1, -1));
  }
  // The keyboard's focus: a ring of the text's colour at the very edge,
  // which shows beside the chosen swatch's accent ring too.
  if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
    p.setPen(QPen(palette().color(QPalette::WindowText), 1));
    p.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  }
}

CapeSwatches::CapeSwatches(QWidget* parent) : QWidget(parent), group_(new QButtonGroup(this)) {
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(spacing);
  group_->setExclusive(true);
  for (CapeColor color : allCases<CapeColor>()) {
    auto* s = new CapeSwatch(color, this);
    swatches_.at(static_cast<size_t>(color)) = s;
    group_->addButton(s);
    row->addWidget(s, 0, Qt::AlignVCenter);
    connect(s, &QAbstractButton::clicked, this, [this, color] { emit colorPicked(color); });
  }
  singleTabStop(group_);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CapeSwatches::setSelection(CapeColor color) {
  if (CapeSwatch* s = swatch(color)) s->setChecked(true);
}

CapeSwatch* CapeSwatches::swatch(CapeColor color) const {
  const auto index = static_cast<size_t>(color);
  return index < swatches_.size() ? swatches_.at(index) : nullptr;
}

}  // namespace pimble
