#include "bubbles/bubble_look.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPalette>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "bubbles/symbol_image.h"
#include "companion/layers/soft_shadow.h"

namespace pimble::BubbleLook {
namespace {

struct Face {
  QString family;
  int weight;
};

// Older font files give each weight other than regular and bold a family of
// its own, named after the design and the weight ("Quicksand Medium"): those
// faces belong to the design too.
bool namesAWeight(const QString& word) {
  static const QStringList words = {"Thin",     "ExtraLight", "Light", "Medium", "SemiBold",
                                    "DemiBold", "ExtraBold",  "Black", "Heavy"};
  return words.contains(QString(word).remove(QLatin1Char(' ')), Qt::CaseInsensitive);
}

std::vector<Face> uprightFaces(const QString& design) {
  std::vector<Face> faces;
  for (const QString& family : QFontDatabase::families()) {
    if (family != design && !(family.startsWith(design + QLatin1Char(' ')) &&
                              namesAWeight(family.mid(design.size() + 1))))
      continue;
    for (const QString& style : QFontDatabase::styles(family)) {
      if (!QFontDatabase::italic(family, style))
        faces.push_back({family, QFontDatabase::weight(family, style)});
    }
  }
  return faces;
}

// The faces text is set in: those of the first rounded design installed
// with a face for body text and a heavier one for headlines, else none (the
// application font, whose faces Qt picks by weight).
struct Design {
  std::vector<Face> faces;
  Face body;
};

const Design& design() {
  static const Design chosen = [] {
    for (const char* name : {"Nunito", "Quicksand", "Comfortaa"}) {
      Design r{uprightFaces(QString::fromLatin1(name)), {}};
      if (r.faces.empty()) continue;
      // A medium face where there is one: a rounded design's regular face
      // is thin at bubble sizes.
      auto distance = [](const Face& f) {
        return f.weight == QFont::Medium ? 0 : 1 + std::abs(f.weight - QFont::Normal);
      };
      r.body = *std::min_element(r.faces.begin(), r.faces.end(), [&](const Face& a, const Face& b) {
        return distance(a) < distance(b);
      });
      const bool heavier = std::any_of(r.faces.begin(), r.faces.end(),
                                       [&](const Face& f) { return f.weight > r.body.weight; });
      if (heavier) return r;
    }
    return Design{};
  }();
  return chosen;
}

// Shows as much of its title as its width holds, cut at the end with "…";
// its size hints still ask for the whole title.
class ElidedButton : public QPushButton {
 public:
  ElidedButton(const QString& text, QWidget* parent) : QPushButton(parent), full_(text) {
    setText(literal(text));
    setToolTip(plainToolTip(text));
    setAccessibleName(text);
  }

  QSize sizeHint() const override {
    QSize size = QPushButton::sizeHint();
    size.rwidth() += fontMetrics().horizontalAdvance(full_) - shownAdvance();
    return size;
  }
  QSize minimumSizeHint() const override {
    QSize size = QPushButton::minimumSizeHint();
    size.rwidth() -= shownAdvance() - fontMetrics().horizontalAdvance(QStringLiteral("W…"));
    return size;
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QPushButton::resizeEvent(event);
    elide();
  }
  void changeEvent(QEvent* event) override {
    QPushButton::changeEvent(event);
    // The style sheet's padding and the font decide the room.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) elide();
  }

 private:
  int shownAdvance() const { return fontMetrics().horizontalAdvance(shown_); }
  void elide() {
    QStyleOptionButton option;
    initStyleOption(&option);
    const int room = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this).width();
    const QString shown = fontMetrics().elidedText(full_, Qt::ElideRight, std::max(1, room));
    if (shown == shown_) return;
    shown_ = shown;
    setText(literal(shown));
  }

  QString full_;
  QString shown_ = full_;
};

QString rgba(const QColor& c) {
  return QStringLiteral("rgba(%1,%2,%3,%4)")
      .arg(c.red())
      .arg(c.green())
      .arg(c.blue())
      .arg(QString::number(c.alphaF(), 'f', 3));
}

int pixelSize(TextStyle style) {
  switch (style) {
    case TextStyle::headline:
    case TextStyle::body:
      return 13;
    case TextStyle::callout:
      return 12;
    case TextStyle::subheadline:
      return 11;
    case TextStyle::caption:
    case TextStyle::caption2:
      return 10;
  }
  return 13;
}

}  // namespace

QFont rounded(int pixelSize, QFont::Weight weight) {
  const Design& r = design();
  QFont f;
  if (r.faces.empty()) {
    f = QFont(QApplication::font().family());
    f.setWeight(weight);
  } else {
    // Asked for by weight alone, Qt would look for it within one family name
    // only, which may hold one face: the face is picked here instead, a
    // heavier weight always a face heavier than the body's. Where the body
    // moved up to a medium face, heavier text moves up as far, so headlines
    // stand out from it as much as from a regular body.
    Face face = r.body;
    if (weight > QFont::Normal) {
      const int wanted = weight + r.body.weight - QFont::Normal;
      int best = std::numeric_limits<int>::max();
      for (const Face& candidate : r.faces) {
        const int off = std::abs(candidate.weight - wanted);
        if (candidate.weight > r.body.weight && off < best) {
          best = off;
          face = candidate;
        }
      }
    }
    f = QFont(face.family);
    f.setWeight(QFont::Weight(face.weight));
  }
  f.setPixelSize(pixelSize);
  return f;
}

QFont font(TextStyle style) {
  return rounded(pixelSize(style), style == TextStyle::headline ? QFont::DemiBold : QFont::Normal);
}

QColor accent() {
  return QColor::fromRgbF(1.0f, 0.584f, 0.0f);
}

Colors colors(BubbleStyle style) {
  Colors c{};
  QColor text = QColor::fromRgbF(0, 0, 0);
  switch (style) {
    case BubbleStyle::soft:
      c.fill = QColor::fromRgbF(1.0f, 0.99f, 0.98f);
      c.stroke = QColor::fromRgbF(0.88f, 0.86f, 0.97f);
      c.shadow = QColor::fromRgbF(0, 0, 0, 0.18f);
      c.shadowRadius = 10;
      c.shadowOffsetY = 4;
      break;
    case BubbleStyle::glass:
      // Without a blur of what lies behind, a light veil keeps text readable.
      c.fill = QColor::fromRgbF(0.97f, 0.97f, 0.99f, 0.82f);
      c.stroke = QColor::fromRgbF(1, 1, 1, 0.35f);
      c.shadow = QColor::fromRgbF(0, 0, 0, 0.2f);
      c.shadowRadius = 10;
      c.shadowOffsetY = 4;
      c.translucent = true;
      break;
    case BubbleStyle::solid: {
      const QPalette pal = QApplication::palette();
      c.fill = pal.color(QPalette::Window);
      text = pal.color(QPalette::WindowText);
      c.stroke = text;
      c.stroke.setAlphaF(0.15f);
      c.shadow = QColor::fromRgbF(0, 0, 0, 0.25f);
      c.shadowRadius = 8;
      c.shadowOffsetY = 3;
      break;
    }
  }
  c.text = text;
  c.primary = text;
  c.primary.setAlphaF(0.87f);
  c.secondary = text;
  c.secondary.setAlphaF(0.55f);
  c.tertiary = text;
  c.tertiary.setAlphaF(0.32f);
  return c;
}

void paintBackground(QPainter& painter, const QPainterPath& outline, BubbleStyle style,
                     const Colors& c) {
  const QRectF box = outline.boundingRect().adjusted(-1, -1, 1, 1);
  if (box.isEmpty()) return;
  const qreal dpr = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
  QImage mask(QSize(int(std::ceil(box.width() * dpr)), int(std::ceil(box.height() * dpr))),
              QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  {
    QPainter mp(&mask);
    mp.setRenderHint(QPainter::Antialiasing);
    mp.scale(dpr, dpr);
    mp.translate(-box.topLeft());
    mp.fillPath(outline, Qt::black);
  }
  const SoftShadow shadow = makeSoftShadow(mask, c.shadow, c.shadowRadius * dpr);
  QImage shadowImage = shadow.image;
  shadowImage.setDevicePixelRatio(dpr);
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.drawImage(
      box.topLeft() + QPointF(-shadow.margin / dpr, -shadow.margin / dpr + c.shadowOffsetY),
      shadowImage);
  painter.fillPath(outline, c.fill);
  if (style == BubbleStyle::glass) {
    // A faint sheen from the top, as light through frosted glass.
    QLinearGradient sheen(box.topLeft(), box.bottomLeft());
    sheen.setColorAt(0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    painter.fillPath(outline, sheen);
  }
  painter.strokePath(outline, QPen(c.stroke, 1));
  painter.restore();
}

QString literal(const QString& text) {
  QString out = text;
  out.replace(QLatin1Char('&'), QStringLiteral("&&"));
  return out;
}

QString literal(std::string_view text) {
  return literal(QString::fromUtf8(text.data(), qsizetype(text.size())));
}

QLabel* label(const QString& text, TextStyle style, QWidget* parent) {
  auto* l = new QLabel(parent);
  l->setTextFormat(Qt::PlainText);
  l->setText(text);
  l->setFont(font(style));
  return l;
}

QString plainToolTip(const QString& text) {
  if (!Qt::mightBeRichText(text)) return text;
  return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() +
         QStringLiteral("</p>");
}

namespace {

QPushButton* dress(QPushButton* b, const char* look) {
  b->setAutoDefault(false);
  b->setDefault(false);
  b->setFocusPolicy(Qt::StrongFocus);
  b->setCursor(Qt::PointingHandCursor);
  if (look != nullptr && *look != '\0') b->setProperty("look", QString::fromLatin1(look));
  const bool prominent = look != nullptr && std::strcmp(look, "prominent") == 0;
  b->setFont(rounded(pixelSize(TextStyle::body), prominent ? QFont::DemiBold : QFont::Normal));
  return b;
}

}  // namespace

QPushButton* button(const QString& text, const char* look, QWidget* parent) {
  return dress(new QPushButton(literal(text), parent), look);
}

QPushButton* nameButton(const QString& text, const char* look, QWidget* parent) {
  return dress(new ElidedButton(text, parent), look);
}

NamePicker::NamePicker(QWidget* parent) : QComboBox(parent) {
  // Follows the choice however it changes: the user's, the program's, or a
  // list filled anew.
  connect(this, &QComboBox::currentTextChanged, this,
          [this](const QString& name) { setToolTip(plainToolTip(name)); });
}

QString NamePicker::shownText() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  return option.currentText;
}

QSize NamePicker::sizeHint() const {
  QSize hint = QComboBox::sizeHint();
  // The style's size from the contents is not the room it leaves the
  // label (a style sheet's box leaves out the drop-down): fitted to the
  // widest name instead, whatever the font.
  const QFontMetricsF metrics(font());
  qreal widest = 0;
  for (int i = 0; i < count(); ++i)
    widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
  QStyleOptionComboBox option;
  QComboBox::initStyleOption(&option);
  option.rect = QRect(QPoint(), hint);
  hint.rwidth() += int(std::ceil(widest)) - labelRoom(option).width();
  return hint;
}

void NamePicker::showPopup() {
  QComboBox::showPopup();
  // Qt sizes the list after the box, whose size from its contents is not
  // what a row needs around its name: widened to show every name whole.
  QAbstractItemView* rows = view();
  QWidget* list = rows->window();
  QStyleOptionViewItem option;
  option.initFrom(rows);
  const QFontMetricsF metrics(rows->font());
  int widest = 0;
  for (int row = 0; row < count(); ++row) {
    // A row's size around a name as wide as the given rectangle.
    option.rect.setSize(QSize(int(std::ceil(metrics.horizontalAdvance(itemText(row)))), 1));
    const QModelIndex index = model()->index(row, modelColumn(), rootModelIndex());
    widest = std::max(widest, rows->itemDelegate()->sizeHint(option, index).width());
  }
  const int needed = widest + list->width() - rows->viewport()->width();
  if (needed <= list->width()) return;
  QRect place = list->geometry();
  place.setWidth(needed);
  if (const QScreen* shownOn = list->screen()) {
    const QRect room = shownOn->availableGeometry();
    if (place.right() > room.right()) place.moveRight(room.right());
    if (place.left() < room.left()) place.moveLeft(room.left());
  }
  list->setGeometry(place);
}

QRect NamePicker::labelRoom(const QStyleOptionComboBox& option) const {
  QRect room =
      style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  // Styles draw the label a pixel in from each side, after the icon.
  room.adjust(1, 0, -1, 0);
  if (!option.currentIcon.isNull()) room.setLeft(room.left() + option.iconSize.width() + 4);
  return room;
}

void NamePicker::initStyleOption(QStyleOptionComboBox* option) const {
  QComboBox::initStyleOption(option);
  if (option->currentText.isEmpty()) return;
  option->currentText = fontMetrics().elidedText(option->currentText, Qt::ElideRight,
                                                 std::max(1, labelRoom(*option).width()));
}

QLabel* symbol(std::string_view name, int points, const QColor& color, QWidget* parent) {
  auto* l = new QLabel(parent);
  const QScreen* screen = QApplication::primaryScreen();
  const qreal dpr = screen != nullptr ? std::max<qreal>(1, screen->devicePixelRatio()) : 1;
  l->setPixmap(SymbolImage::pixmap(name, points, color, dpr));
  l->setFixedSize(points, points);
  l->setAccessibleName(QString());
  l->setProperty("symbol", QString::fromUtf8(name.data(), qsizetype(name.size())));
  // Decorative: not announced.
  l->setAttribute(Qt::WA_TransparentForMouseEvents);
  l->setFocusPolicy(Qt::NoFocus);
  return l;
}

QString styleSheet(BubbleStyle style) {
  const Colors c = colors(style);
  const QColor a = accent();
  QColor aHover = a.lighter(108), aDown = a.darker(112), aOff = a;
  aOff.setAlphaF(0.4f);
  QColor text = c.primary;
  QColor border = c.primary;
  border.setAlphaF(0.16f);
  QColor face = style == BubbleStyle::solid ? c.fill.lighter(104) : QColor(255, 255, 255, 235);
  QColor faceHover = style == BubbleStyle::solid ? c.fill.lighter(110) : QColor(246, 244, 250);
  QColor faceDown = style == BubbleStyle::solid ? c.fill.darker(108) : QColor(232, 229, 240);
  QColor disabledText = c.primary;
  disabledText.setAlphaF(0.35f);
  return QStringLiteral(
             "QLabel { color: %1; background: transparent; }"
             "QLabel[tone=\"secondary\"] { color: %2; }"
             "QLabel[tone=\"tertiary\"] { color: %3; }"
             "QPushButton, QToolButton[look=\"menu\"], QComboBox {"
             "  color: %1; background: %4; border: 1px solid %5; border-radius: 6px;"
             "  padding: 3px 10px; min-height: 18px; }"
             "QPushButton:hover, QToolButton[look=\"menu\"]:hover, QComboBox:hover { background: "
             "%6; }"
             "QPushButton:pressed, QToolButton[look=\"menu\"]:pressed { background: %7; }"
             "QPushButton:disabled { color: %8; }"
             // The border is the one mark of the keyboard's place: the base
             // style's own focus box inside it would read as selected text.
             "QPushButton, QToolButton, QComboBox { outline: none; }"
             "QPushButton:focus, QToolButton:focus, QComboBox:focus { border: 1px solid %9; }"
             "QPushButton[look=\"prominent\"] { color: white; background: %9; border: 1px solid "
             "%9; }"
             "QPushButton[look=\"prominent\"]:hover { background: %10; }"
             "QPushButton[look=\"prominent\"]:pressed { background: %11; }"
             "QPushButton[look=\"prominent\"]:disabled { background: %12; border-color: "
             "transparent;"
             "  color: rgba(255,255,255,0.85); }"
             "QPushButton[look=\"plain\"], QToolButton[look=\"borderless\"] {"
             "  background: transparent; border: none; color: %2; padding: 3px 4px; }"
             "QPushButton[look=\"plain\"]:hover, QToolButton[look=\"borderless\"]:hover { color: "
             "%1; }"
             "QPushButton[look=\"tile\"] { text-align: left; padding: 5px 8px; }"
             "QPushButton[look=\"small\"] { padding: 2px 4px; min-height: 14px; }"
             "QPushButton[look=\"segment\"] { padding: 2px 0px; min-height: 14px; border-radius: "
             "5px;"
             "  min-width: 26px; }"
             "QPushButton[look=\"segment\"]:checked { background: %9; color: white; border-color: "
             "%9; }"
             "QToolButton[look=\"menu\"] { padding: 3px 16px 3px 10px; }"
             "QToolButton[look=\"menu\"]::menu-indicator { subcontrol-origin: padding;"
             "  subcontrol-position: center right; right: 5px; }"
             "QToolButton[look=\"borderless\"]::menu-indicator { image: none; width: 0px; }"
             // The keyboard's place shows on every control: a border where it had
             // none, kept within the same size, and a darker, wider one where
             // the accent fills the control.
             "QPushButton[look=\"plain\"]:focus, QToolButton[look=\"borderless\"]:focus {"
             "  border: 1px solid %9; border-radius: 6px; padding: 2px 3px; }"
             "QPushButton[look=\"prominent\"]:focus { border: 2px solid %13; padding: 2px 9px; }"
             "QPushButton[look=\"segment\"]:checked:focus { border: 2px solid %13; padding: 1px "
             "0px; }"
             "QComboBox { padding: 2px 8px; }"
             "QComboBox::drop-down { border: none; width: 0px; }"
             "QComboBox QAbstractItemView { color: %1; background: %4; selection-background-color: "
             "%9;"
             "  selection-color: white; border: 1px solid %5; }"
             "QLineEdit { color: %1; background: white; border: 1px solid %5; border-radius: 6px;"
             "  padding: 3px 6px; selection-background-color: %9; }"
             "QLineEdit:focus { border: 1px solid %9; }"
             "QMenu { color: %1; background: %4; border: 1px solid %5; padding: 4px; }"
             "QMenu::item { padding: 4px 18px; border-radius: 4px; }"
             "QMenu::item:selected { background: %9; color: white; }"
             "QFrame[role=\"divider\"] { background: %5; border: none; max-height: 1px; }")
      .arg(rgba(text), rgba(c.secondary), rgba(c.tertiary), rgba(face), rgba(border),
           rgba(faceHover), rgba(faceDown), rgba(disabledText), rgba(a))
      .arg(rgba(aHover), rgba(aDown), rgba(aOff), rgba(a.darker(160)));
}

}  // namespace pimble::BubbleLook
