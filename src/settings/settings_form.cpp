#include "settings/settings_form.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCursor>
#include <QDateTime>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "bubbles/symbol_image.h"
#include "models/check_in_copy.h"
#include "settings/time_of_day_edit.h"
#include "state/app_model.h"

namespace pimble::form {

QString text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QGroupBox* section(const QString& title, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(box);
  layout->setSpacing(8);
  return box;
}

QVBoxLayout* sectionLayout(QGroupBox* section) {
  return static_cast<QVBoxLayout*>(section->layout());
}

void makeSmall(QWidget* widget) {
  QFont f = widget->font();
  f.setPointSizeF(f.pointSizeF() * 0.9);
  widget->setFont(f);
}

QLabel* footnote(const QString& sentence, QWidget* parent) {
  auto* label = new QLabel(sentence, parent);
  label->setWordWrap(true);
  label->setForegroundRole(QPalette::PlaceholderText);
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  makeSmall(label);
  return label;
}

QWidget* group(QWidget* parent, QVBoxLayout*& layout) {
  auto* w = new QWidget(parent);
  layout = new QVBoxLayout(w);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(8);
  return w;
}

QCheckBox* toggle(const QString& title, const char* objectName, QWidget* parent) {
  auto* box = new QCheckBox(title, parent);
  box->setObjectName(QString::fromLatin1(objectName));
  return box;
}

QPushButton* button(const QString& title, const char* objectName, QWidget* parent) {
  auto* b = new QPushButton(title, parent);
  b->setObjectName(QString::fromLatin1(objectName));
  b->setAutoDefault(false);
  return b;
}

void leastWidthForText(QPushButton* button) {
  QStyleOptionButton option;
  option.initFrom(button);
  option.icon = button->icon();
  option.iconSize = button->iconSize();
  if (button->isFlat()) option.features |= QStyleOptionButton::Flat;
  // What a push button's label takes: the text, and a symbol 4 pixels
  // before it.
  QSize label = button->fontMetrics().size(Qt::TextShowMnemonic, button->text());
  if (!button->icon().isNull()) {
    label.rwidth() += button->iconSize().width() + 4;
    label.setHeight(std::max(label.height(), button->iconSize().height()));
  }
  // The option carries no text: the styles' least width is for texts.
  const QSize padded =
      button->style()->sizeFromContents(QStyle::CT_PushButton, &option, label, button);
  button->setMinimumWidth(std::min(padded.width(), button->sizeHint().width()));
}

SegmentedControl* sizePicker(AppModel& model, QWidget* parent) {
  auto* picker = new SegmentedControl(caseNames<CompanionSize>(), parent);
  picker->setObjectName(QStringLiteral("companionSize"));
  onCasePicked<CompanionSize>(picker, model,
                              [](AppSettings& s, CompanionSize v) { s.companionSize = v; });
  return picker;
}

void paintFocusRing(QWidget* widget) {
  if (!widget->hasFocus() || !widget->window()->testAttribute(Qt::WA_KeyboardFocusChange)) return;
  QPainter p(widget);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(widget->palette().color(QPalette::Highlight), 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(QRectF(widget->rect()).adjusted(1, 1, -1, -1), 3, 3);
}

QWidget* placeFocusAfter(QWidget* anchor, QWidget* part) {
  // Qt puts in order only widgets that can take the focus.
  const auto focusable = [](QWidget* w) { return w->focusPolicy() != Qt::NoFocus; };
  QWidget* window = part->window();
  QWidget* previous = anchor;
  while (!focusable(previous) && previous != window) previous = previous->previousInFocusChain();
  std::vector<QWidget*> moving;
  for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
    if ((w == part || part->isAncestorOf(w)) && focusable(w)) moving.push_back(w);
  }
  for (QWidget* w : moving) {
    QWidget::setTabOrder(previous, w);
    previous = w;
  }
  return previous;
}

QHBoxLayout* row(std::initializer_list<QWidget*> items) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* item : items) {
    if (item == nullptr)
      layout->addStretch(1);
    else
      layout->addWidget(item);
  }
  return layout;
}

void onToggled(QCheckBox* box, AppModel& model, void (*store)(AppSettings&, bool)) {
  QObject::connect(box, &QCheckBox::toggled, box, [&model, store](bool on) {
    editSettings(model, [store, on](AppSettings& s) { store(s, on); });
  });
}

void onTimePicked(TimeOfDayEdit* field, AppModel& model,
                  void (*store)(AppSettings&, std::int64_t)) {
  QObject::connect(field, &TimeOfDayEdit::minutesPicked, field,
                   [&model, store](std::int64_t minutes) {
                     editSettings(model, [store, minutes](AppSettings& s) { store(s, minutes); });
                   });
}

int spinValue(std::int64_t stored) {
  return static_cast<int>(std::clamp<std::int64_t>(stored, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max()));
}

QString modeLabel(AwarenessMode mode) {
  switch (mode) {
    case AwarenessMode::work:
      return QStringLiteral("Work");
    case AwarenessMode::relax:
      return QStringLiteral("Relax");
    case AwarenessMode::night:
      return QStringLiteral("Night");
  }
  return {};
}

std::string_view modeSymbol(AwarenessMode mode) {
  switch (mode) {
    case AwarenessMode::work:
      return "briefcase.fill";
    case AwarenessMode::relax:
      return "sofa.fill";
    case AwarenessMode::night:
      return "moon.stars.fill";
  }
  return "";
}

QString modeDescription(AwarenessMode mode) {
  switch (mode) {
    case AwarenessMode::work:
      return QStringLiteral(
          "Every reminder runs. Check-ins can offer a way back to what you were doing.");
    case AwarenessMode::relax:
      return QStringLiteral(
          "No work talk. Posture and take-a-break reminders rest; water, eyes, stretch and walk "
          "continue.");
    case AwarenessMode::night:
      return QStringLiteral("Softer animations, no sounds, and your night check-in times.");
  }
  return {};
}

QString capitalized(std::string_view name) {
  QString s = text(name);
  if (!s.isEmpty()) s[0] = s[0].toUpper();
  return s;
}

QHBoxLayout* labelled(const QString& title, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(title, parent);
  label->setBuddy(control);
  if (control->accessibleName().isEmpty()) control->setAccessibleName(title);
  return row({label, nullptr, control});
}

QHBoxLayout* textRow(QWidget* text, QWidget* trailing) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(16);
  layout->addWidget(text, 1, Qt::AlignVCenter);
  if (trailing != nullptr) layout->addWidget(trailing, 0, Qt::AlignVCenter);
  return layout;
}

QString cornerLabel(CompanionCorner corner) {
  switch (corner) {
    case CompanionCorner::bottomRight:
      return QStringLiteral("Bottom right");
    case CompanionCorner::bottomLeft:
      return QStringLiteral("Bottom left");
    case CompanionCorner::topRight:
      return QStringLiteral("Top right");
    case CompanionCorner::topLeft:
      return QStringLiteral("Top left");
  }
  return {};
}

void centreOnScreen(QWidget* window) {
  QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  QRect frame(QPoint(0, 0), window->size());
  frame.moveCenter(area.center());
  window->move(frame.topLeft());
}

QString timeFormat() {
  QString format = QLocale().timeFormat(QLocale::ShortFormat);
  // Some locales' short form still carries seconds or the zone.
  static const QRegularExpression seconds(QStringLiteral("[:.]?s+|\\s*t+"));
  format.remove(seconds);
  return format.trimmed();
}

QString clockText(Date date) {
  const double seconds = secondsSince1970(clampDate(date));
  const QDateTime at =
      QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(std::floor(seconds)) * 1000);
  return QLocale().toString(at.toLocalTime().time(), timeFormat());
}

QString sampleCheckIn(CheckInTone tone, AwarenessMode mode, const QString& clock) {
  CheckInCopy::Context context;
  context.bundleID = "sample";
  context.appName = "Discord";
  context.category = AppCategory::social;
  context.mode = mode;
  context.tone = tone;
  context.activeSeconds = 27 * 60;
  context.limitMinutes = 20;
  context.returnTo = ReturnTarget{"sample.work", "VS Code"};
  context.clock = clock.toStdString();
  return text(CheckInCopy::appCheckIn(context).message);
}

QMessageBox* confirm(QWidget* parent, const QString& question, const QString& detail,
                     const QString& action, const char* actionName,
                     std::function<void()> confirmed) {
  auto* box = new QMessageBox(parent);
  box->setIcon(QMessageBox::Warning);
  box->setWindowTitle(action);
  box->setText(question);
  box->setInformativeText(detail);
  // The choice that goes ahead, where the desktop puts that choice in
  // every dialog (GNOME's on the right, as in the application picker); a
  // destructive role would stand at the far left there.
  QPushButton* yes = box->addButton(action, QMessageBox::AcceptRole);
  yes->setObjectName(QString::fromLatin1(actionName));
  QPushButton* cancel = box->addButton(QMessageBox::Cancel);
  box->setDefaultButton(cancel);
  box->setEscapeButton(cancel);
  box->setAttribute(Qt::WA_DeleteOnClose);
  QObject::connect(box, &QMessageBox::buttonClicked, box,
                   [yes, confirmed = std::move(confirmed)](QAbstractButton* pressed) {
                     if (pressed == yes && confirmed) confirmed();
                   });
  box->open();
  return box;
}

QString inlineSymbol(std::string_view symbol, int points, const QColor& color) {
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  SymbolImage::pixmap(symbol, points, color, 2.0).toImage().save(&buffer, "PNG");
  return QStringLiteral("<img src=\"data:image/png;base64,%1\" width=%2 height=%2>")
      .arg(QString::fromLatin1(png.toBase64()))
      .arg(points);
}

void editSettings(AppModel& model, const std::function<void(AppSettings&)>& edit) {
  AppSettings settings = model.settings();
  edit(settings);
  model.setSettings(std::move(settings));
}

}  // namespace pimble::form
