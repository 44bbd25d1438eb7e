#include "settings/reminder_editor.h"

#include <QAbstractTextDocumentLayout>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyleOptionFrame>
#include <QTextBlock>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "settings/reminders_settings_view.h"
#include "settings/settings_form.h"

namespace pimble {

// The message field: it wraps, and grows with its text from two lines to
// four, scrolling beyond that.
class MessageEdit : public QPlainTextEdit {
 public:
  static constexpr int fewestLines = 2;
  static constexpr int mostLines = 4;

  explicit MessageEdit(QWidget* parent) : QPlainTextEdit(parent) {
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // The layout reports every change of the text's height, also for text
    // set while the field's own signals are blocked.
    connect(document()->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
            &MessageEdit::fit);
    fit();
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QPlainTextEdit::resizeEvent(event);
    fit();
  }

  // The frame of a one-line field, as "Title" has: the style marks the
  // focus on that one, and on a text box's frame not at all.
  bool event(QEvent* event) override {
    if (event->type() != QEvent::Paint) return QPlainTextEdit::event(event);
    QPainter p(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = frameWidth();
    frame.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_FrameLineEdit, &frame, &p, this);
    return true;
  }

 private:
  void fit() {
    const int line = fontMetrics().lineSpacing();
    double text = 0;
    for (QTextBlock b = document()->firstBlock(); b.isValid(); b = b.next())
      text += blockBoundingRect(b).height();
    const double shown = std::clamp(text, double(fewestLines * line), double(mostLines * line));
    const int chrome = 2 * frameWidth() + int(std::ceil(2 * document()->documentMargin()));
    const int height = int(std::ceil(shown)) + chrome;
    if (height != this->height()) setFixedHeight(height);
  }
};

namespace {

// "2 hours", "hour", "45 min" or a bare number, back to minutes; -1 when
// the text says none of these.
int parseInterval(const QString& text) {
  static const QRegularExpression hours(QStringLiteral("^\\s*(\\d+)?\\s*hours?\\s*$"),
                                        QRegularExpression::CaseInsensitiveOption);
  static const QRegularExpression minutes(QStringLiteral("^\\s*(\\d+)\\s*(min)?\\s*$"),
                                          QRegularExpression::CaseInsensitiveOption);
  bool ok = false;
  if (const auto m = hours.match(text); m.hasMatch()) {
    if (m.captured(1).isEmpty()) return 60;
    const int n = m.captured(1).toInt(&ok);
    return ok && n <= IntervalStepper::maximum ? n * 60 : -1;
  }
  if (const auto m = minutes.match(text); m.hasMatch()) {
    const int n = m.captured(1).toInt(&ok);
    return ok ? n : -1;
  }
  return -1;
}

QGroupBox* untitledSection(QWidget* parent) {
  return form::section(QString(), parent);
}

}  // namespace

IntervalStepper::IntervalStepper(QWidget* parent) : NumberField(parent) {
  setRange(minimum, maximum);
  setKeyboardTracking(false);
  setAlignment(Qt::AlignRight);
}

int IntervalStepper::stepped(int value, bool up) {
  const int step = value < 60 ? 5 : 15;
  return std::clamp(up ? value + step : value - step, minimum, maximum);
}

int IntervalStepper::steppedBy(int value, int steps) const {
  for (int i = 0; i < std::abs(steps); ++i) value = stepped(value, steps > 0);
  return value;
}

QString IntervalStepper::textFromValue(int value) const {
  return RemindersSettingsView::describe(value);
}

int IntervalStepper::valueFromText(const QString& text) const {
  const int v = parseInterval(text);
  return v < 0 ? value() : v;
}

QValidator::State IntervalStepper::validate(QString& text, int&) const {
  const int v = parseInterval(text);
  if (v >= minimum && v <= maximum) return QValidator::Acceptable;
  // Words on their way to "2 hours" or "45 min".
  static const QRegularExpression partial(QStringLiteral("^[\\d\\s]*[a-zA-Z]*\\s*$"));
  return partial.match(text).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

ReminderEditor::ReminderEditor(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("reminderEditor"));
  auto* page = new QVBoxLayout(this);
  page->setContentsMargins(0, 0, 0, 0);

  QGroupBox* basics = untitledSection(this);
  QVBoxLayout* b = form::sectionLayout(basics);
  enabled_ = form::toggle(QStringLiteral("Enabled"), "reminderEnabled", basics);
  b->addWidget(enabled_);
  auto* fields = new QFormLayout;
  fields->setContentsMargins(0, 0, 0, 0);
  fields->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
  title_ = new QLineEdit(basics);
  title_->setObjectName(QStringLiteral("reminderTitle"));
  title_->setAccessibleName(QStringLiteral("Title"));
  fields->addRow(QStringLiteral("Title"), title_);
  message_ = new MessageEdit(basics);
  message_->setObjectName(QStringLiteral("reminderMessage"));
  message_->setAccessibleName(QStringLiteral("Message"));
  fields->addRow(QStringLiteral("Message"), message_);
  b->addLayout(fields);
  page->addWidget(basics);

  QGroupBox* timing = form::section(QStringLiteral("Timing"), this);
  QVBoxLayout* t = form::sectionLayout(timing);
  interval_ = new IntervalStepper(timing);
  interval_->setObjectName(QStringLiteral("reminderInterval"));
  t->addLayout(form::labelled(QStringLiteral("Every"), interval_, timing));
  snooze_ = new NumberField(timing);
  snooze_->setObjectName(QStringLiteral("reminderSnooze"));
  snooze_->setRange(1, snoozeMaximum);
  snooze_->setSingleStep(5);
  snooze_->setSuffix(QStringLiteral(" min"));
  snooze_->setKeyboardTracking(false);
  snooze_->setAlignment(Qt::AlignRight);
  t->addLayout(form::labelled(QStringLiteral("Snooze for"), snooze_, timing));
  respectsQuietHours_ = form::toggle(QStringLiteral("Stay quiet during quiet hours"),
                                     "reminderRespectsQuietHours", timing);
  t->addWidget(respectsQuietHours_);
  page->addWidget(timing);

  QGroupBox* alert = form::section(QStringLiteral("Alert"), this);
  QVBoxLayout* a = form::sectionLayout(alert);
  sound_ = form::toggle(QStringLiteral("Play a sound"), "reminderSound", alert);
  a->addWidget(sound_);
  showNow_ = new QPushButton(QStringLiteral("Show it now"), alert);
  showNow_->setObjectName(QStringLiteral("reminderShowNow"));
  showNow_->setAutoDefault(false);
  a->addLayout(form::row({nullptr, showNow_}));
  page->addWidget(alert);
  page->addStretch(1);

  connect(enabled_, &QCheckBox::toggled, this,
          [this](bool on) { edit([on](Reminder& r) { r.isEnabled = on; }); });
  connect(title_, &QLineEdit::textEdited, this, [this](const QString& text) {
    edit([value = text.toStdString()](Reminder& r) { r.title = value; });
  });
  connect(message_, &QPlainTextEdit::textChanged, this, [this] {
    edit([value = message_->toPlainText().toStdString()](Reminder& r) { r.message = value; });
  });
  connect(interval_, &QSpinBox::valueChanged, this,
          [this](int minutes) { edit([minutes](Reminder& r) { r.intervalMinutes = minutes; }); });
  connect(snooze_, &QSpinBox::valueChanged, this,
          [this](int minutes) { edit([minutes](Reminder& r) { r.snoozeMinutes = minutes; }); });
  connect(respectsQuietHours_, &QCheckBox::toggled, this,
          [this](bool on) { edit([on](Reminder& r) { r.respectsQuietHours = on; }); });
  connect(sound_, &QCheckBox::toggled, this,
          [this](bool on) { edit([on](Reminder& r) { r.soundEnabled = on; }); });
  connect(showNow_, &QPushButton::clicked, this, [this] {
    if (onRemindNow) onRemindNow();
  });
}

void ReminderEditor::edit(const std::function<void(Reminder&)>& change) {
  if (onEdit) onEdit(change);
}

void ReminderEditor::setReminder(const Reminder& r) {
  const QSignalBlocker b1(enabled_), b2(title_), b3(message_), b4(interval_), b5(snooze_),
      b6(respectsQuietHours_), b7(sound_);
  enabled_->setChecked(r.isEnabled);
  // Only a different text replaces what is typed, so the cursor stays put
  // while the user's own keystrokes come back from the model.
  const QString title = QString::fromStdString(r.title);
  if (title_->text() != title) title_->setText(title);
  const QString message = QString::fromStdString(r.message);
  if (message_->toPlainText() != message) message_->setPlainText(message);
  interval_->setValue(form::spinValue(r.intervalMinutes));
  snooze_->setValue(form::spinValue(r.snoozeMinutes));
  respectsQuietHours_->setChecked(r.respectsQuietHours);
  sound_->setChecked(r.soundEnabled);
}

}  // namespace pimble
