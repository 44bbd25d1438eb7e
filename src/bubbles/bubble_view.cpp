#include "bubbles/bubble_view.h"

#include <QApplication>
#include <QGraphicsEffect>
#include <QKeyEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <QVariantAnimation>
#include <cmath>
#include <numbers>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_shape.h"
#include "bubbles/check_in_bubble_content.h"
#include "bubbles/intention_form_content.h"
#include "bubbles/message_bubble_content.h"
#include "bubbles/progress_bubble_content.h"
#include "bubbles/quick_actions_content.h"
#include "bubbles/reminder_bubble_content.h"

namespace pimble {

// Draws the bubble and everything in it scaled about one top corner and
// faded, for the pop-in; at full size it draws the widgets untouched.
class PopInEffect : public QGraphicsEffect {
 public:
  using QGraphicsEffect::QGraphicsEffect;
  double scale = 1;
  double opacity = 1;
  QPointF anchor;

 protected:
  void draw(QPainter* painter) override {
    if (scale == 1 && opacity == 1) {
      drawSource(painter);
      return;
    }
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset);
    painter->save();
    painter->setOpacity(std::clamp(opacity, 0.0, 1.0));
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->translate(anchor);
    painter->scale(scale, scale);
    painter->translate(-anchor);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
  }
};

namespace {
constexpr double springResponse = 0.32;
constexpr double springDamping = 0.72;
constexpr double popSeconds = 0.7;  // the spring has settled well within this
constexpr double popStartScale = 0.88;

qreal springCurve(qreal progress) {
  return BubbleView::spring(progress * popSeconds);
}
}  // namespace

double BubbleView::spring(double t) {
  if (t <= 0) return 0;
  const double w0 = 2 * std::numbers::pi / springResponse;
  const double wd = w0 * std::sqrt(1 - springDamping * springDamping);
  const double decay = std::exp(-springDamping * w0 * t);
  return 1 - decay * (std::cos(wd * t) + springDamping * w0 / wd * std::sin(wd * t));
}

BubbleView::BubbleView(BubbleModel& model, QWidget* parent) : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("bubbleView"));
  setFixedWidth(fixedWidth);
  setAttribute(Qt::WA_TranslucentBackground);
  layout_ = new QVBoxLayout(this);
  layout_->setSizeConstraint(QLayout::SetNoConstraint);
  effect_ = new PopInEffect(this);
  setGraphicsEffect(effect_);
  popIn_ = new QVariantAnimation(this);
  popIn_->setStartValue(0.0);
  popIn_->setEndValue(1.0);
  popIn_->setDuration(int(popSeconds * 1000));
  QEasingCurve curve;
  curve.setCustomType(springCurve);
  popIn_->setEasingCurve(curve);
  connect(popIn_, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& v) { setPop(v.toDouble()); });
  connect(&model_, &BubbleModel::contentChanged, this, &BubbleView::rebuildContent);
  connect(&model_, &BubbleModel::styleChanged, this, &BubbleView::applyStyle);
  connect(&model_, &BubbleModel::tailOnLeadingChanged, this, &BubbleView::applyTailSide);
  applyStyle();
  applyTailSide();
  rebuildContent();
  qApp->installEventFilter(this);
}

BubbleView::~BubbleView() {
  qApp->removeEventFilter(this);
}

void BubbleView::applyStyle() {
  const BubbleLook::Colors c = BubbleLook::colors(model_.style());
  QPalette pal = palette();
  pal.setColor(QPalette::WindowText, c.text);
  pal.setColor(QPalette::Text, c.text);
  pal.setColor(QPalette::ButtonText, c.text);
  QColor placeholder = c.text;
  placeholder.setAlphaF(0.4f);
  pal.setColor(QPalette::PlaceholderText, placeholder);
  setPalette(pal);
  setStyleSheet(BubbleLook::styleSheet(model_.style()));
  update();
}

void BubbleView::applyTailSide() {
  const bool leading = model_.tailOnLeading();
  const int tail = int(BubbleShape{}.tailWidth);
  const int inset = framePadding + contentPadding;
  layout_->setContentsMargins(inset + (leading ? tail : 0), inset, inset + (leading ? 0 : tail),
                              inset);
  effect_->anchor = leading ? QPointF(framePadding, framePadding)
                            : QPointF(fixedWidth - framePadding, framePadding);
  update();
  if (onOutlineChanged) onOutlineChanged();
}

void BubbleView::rebuildContent() {
  const BubbleContent& content = model_.content();
  // The same form redrawn keeps the user's choices; a form with a new id
  // starts afresh.
  if (auto* form = qobject_cast<IntentionFormContent*>(content_.data())) {
    const IntentionForm* next = content.get<IntentionForm>();
    if (next != nullptr && next->id == form->form().id) return;
  }
  if (content_ != nullptr) {
    // The old content may be the sender of the answer that replaced it:
    // take it out now, delete it once its signal has returned.
    layout_->removeWidget(content_);
    content_->hide();
    content_->setParent(nullptr);
    content_->deleteLater();
  }
  BubbleContentWidget* next = nullptr;
  switch (content.kase()) {
    case BubbleContent::Case::reminder:
      next = new ReminderBubbleContent(*content.get<Reminder>(), model_, this);
      break;
    case BubbleContent::Case::message: {
      const auto* m = content.get<BubbleContent::Message>();
      next = new MessageBubbleContent(m->title, m->body, model_, this);
      break;
    }
    case BubbleContent::Case::progress:
      next = new ProgressBubbleContent(*content.get<DaySummary>(), model_, this);
      break;
    case BubbleContent::Case::checkIn:
      next = new CheckInBubbleContent(*content.get<CheckIn>(), model_, this);
      break;
    case BubbleContent::Case::intentionForm:
      next = new IntentionFormContent(*content.get<IntentionForm>(), model_, this);
      break;
    case BubbleContent::Case::quickActions:
      next = new QuickActionsContent(model_, this);
      break;
  }
  content_ = next;
  layout_->addWidget(next);
  next->show();
  layout_->activate();
}

int BubbleView::fittingHeight() const {
  layout_->activate();
  if (layout_->hasHeightForWidth()) return layout_->totalHeightForWidth(fixedWidth);
  return layout_->totalSizeHint().height();
}

void BubbleView::setReduceMotion(bool reduce) {
  reduceMotion_ = reduce;
  if (reduce) finishAppearance();
}

void BubbleView::resetAppearance() {
  popIn_->stop();
  appeared_ = false;
  setPop(reduceMotion_ ? 1.0 : 0.0);
}

void BubbleView::appear() {
  if (appeared_) return;
  appeared_ = true;
  if (reduceMotion_) {
    setPop(1.0);
    return;
  }
  popIn_->start();
}

void BubbleView::finishAppearance() {
  popIn_->stop();
  appeared_ = true;
  setPop(1.0);
}

void BubbleView::setPop(double progress) {
  const double scale = effect_->scale;
  effect_->scale = popStartScale + (1 - popStartScale) * progress;
  effect_->opacity = fades_ ? std::clamp(progress, 0.0, 1.0) : 1.0;
  if (progress >= 1.0 && popIn_->state() != QAbstractAnimation::Running) {
    effect_->scale = 1;
    effect_->opacity = 1;
  }
  effect_->update();
  update();
  if (effect_->scale != scale && onOutlineChanged) onOutlineChanged();
}

void BubbleView::setFades(bool fades) {
  fades_ = fades;
  if (!fades) effect_->opacity = 1;
  effect_->update();
}

QPainterPath BubbleView::fullSizeOutline() const {
  const QRectF frame(framePadding, framePadding, fixedWidth - 2 * framePadding,
                     height() - 2 * framePadding);
  BubbleShape shape;
  shape.tailOnLeading = model_.tailOnLeading();
  return shape.path(frame);
}

QPainterPath BubbleView::outline() const {
  const QPainterPath path = fullSizeOutline();
  // The pop-in scales everything the view paints, through its effect.
  if (effect_->scale == 1) return path;
  QTransform pop;
  pop.translate(effect_->anchor.x(), effect_->anchor.y());
  pop.scale(effect_->scale, effect_->scale);
  pop.translate(-effect_->anchor.x(), -effect_->anchor.y());
  return pop.map(path);
}

void BubbleView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (onOutlineChanged) onOutlineChanged();
}

double BubbleView::popScale() const {
  return effect_->scale;
}
double BubbleView::popOpacity() const {
  return effect_->opacity;
}

void BubbleView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  BubbleLook::paintBackground(p, fullSizeOutline(), model_.style(),
                              BubbleLook::colors(model_.style()));
}

namespace {

// Clicks the button when it is there to click; false otherwise.
bool press(QPushButton* button, const QWidget* view) {
  if (button == nullptr || !button->isEnabled() || !button->isVisibleTo(view)) return false;
  button->click();
  return true;
}

}  // namespace

bool BubbleView::eventFilter(QObject* watched, QEvent* event) {
  // Taken before the control with the keyboard sees them: under GNOME-family
  // desktops Qt's platform theme lets a focused button take Return and Enter
  // for itself, and a picker opens its list on them. A popup of the bubble
  // (a picker's list, a menu) is a window of its own and keeps its keys.
  if (event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
      static_cast<QWidget*>(watched)->window() != window())
    return false;
  QPushButton* target = nullptr;
  switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      target = content_ != nullptr ? content_->defaultButton() : nullptr;
      break;
    case Qt::Key_Escape:
      target = content_ != nullptr ? content_->cancelButton() : nullptr;
      break;
    default:
      return false;
  }
  press(target, this);
  return true;
}

void BubbleView::dismiss() {
  if (!press(content_ != nullptr ? content_->cancelButton() : nullptr, this))
    BubbleModel::call(model_.onClose);
}

}  // namespace pimble
