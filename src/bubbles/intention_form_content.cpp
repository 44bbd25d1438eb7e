#include "bubbles/intention_form_content.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTextBoundaryFinder>
#include <QVBoxLayout>
#include <algorithm>

#include "bubbles/bubble_model.h"
#include "bubbles/bubble_text.h"
#include "bubbles/choice_row.h"
#include "models/session_preset.h"

namespace pimble {
namespace {

QString qt(const std::string& s) {
  return QString::fromStdString(s);
}

// A titled row: the title in secondary callout text, then the picker at its
// own size on the right.
QHBoxLayout* row(const QString& title, QWidget* picker, QWidget* parent) {
  auto* r = new QHBoxLayout;
  auto* t = new BubbleText(title, BubbleLook::TextStyle::callout, parent);
  t->setTone(BubbleText::Tone::secondary);
  t->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
  r->addWidget(t, 0, Qt::AlignVCenter);
  r->addSpacing(8);
  r->addStretch(1);
  r->addWidget(picker, 0, Qt::AlignVCenter);
  return r;
}

QComboBox* picker(const QString& name, const QString& accessible, QWidget* parent) {
  auto* c = new BubbleLook::NamePicker(parent);
  c->setObjectName(name);
  c->setAccessibleName(accessible);
  c->setFont(BubbleLook::font(BubbleLook::TextStyle::body));
  c->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  c->setMaximumWidth(170);
  c->setCursor(Qt::PointingHandCursor);
  return c;
}

}  // namespace

QString IntentionFormContent::firstGraphemes(const QString& text, int limit) {
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  int count = 0;
  while (finder.toNextBoundary() != -1) {
    if (++count == limit) {
      const qsizetype end = finder.position();
      return end < text.size() ? text.left(end) : text;
    }
  }
  return text;
}

IntentionFormContent::IntentionFormContent(const IntentionForm& form, BubbleModel& model,
                                           QWidget* parent)
    : BubbleContentWidget(model, parent), form_(form), minutes_(form.minutes) {
  using BubbleLook::TextStyle;
  if (form_.target) {
    targetID_ = form_.target->bundleID;
  } else if (!form_.apps.empty()) {
    targetID_ = form_.apps.front().bundleID;
  }
  if (form_.returnTo) returnID_ = form_.returnTo->bundleID;

  QVBoxLayout* stack = column(10);
  auto* title = new BubbleText(qt(form_.title), TextStyle::headline, this);
  title->setObjectName(QStringLiteral("title"));
  stack->addLayout(header("flag.checkered", title));

  if (!form_.isPrompt) {
    auto* presets = new QHBoxLayout;
    presets->setSpacing(4);
    const auto& all = SessionPreset::all();
    for (std::size_t i = 0; i < std::min<std::size_t>(3, all.size()); ++i) {
      const SessionPreset preset = all[i];
      QPushButton* b = BubbleLook::button(
          tr("%1 %2m").arg(qt(preset.label)).arg(qint64(preset.minutes)), "small", this);
      b->setObjectName(QStringLiteral("session-%1").arg(i));
      QFont small = BubbleLook::font(TextStyle::caption);
      b->setFont(small);
      // The three always fit side by side at the bubble's width: never cut a title.
      b->setMinimumWidth(b->sizeHint().width());
      b->setToolTip(tr("Start a %1-minute %2 session timer in your browser")
                        .arg(qint64(preset.minutes))
                        .arg(qt(preset.label)));
      connect(b, &QPushButton::clicked, this,
              [this, preset] { BubbleModel::call(model_.onSessionStart, preset); });
      presets->addWidget(b);
    }
    presets->addStretch(1);
    stack->addLayout(presets);
    auto* note =
        new BubbleText(tr("Session timers time your browser. Pimble doesn't see websites."),
                       TextStyle::caption2, this);
    note->setTone(BubbleText::Tone::secondary);
    stack->addWidget(note);
    auto* divider = new QFrame(this);
    divider->setProperty("role", QStringLiteral("divider"));
    divider->setFixedHeight(1);
    stack->addWidget(divider);
  }

  targetPicker_ = picker(QStringLiteral("target"), tr("App"), this);
  for (const ReturnTarget& app : form_.apps) {
    targetPicker_->addItem(qt(app.name), qt(app.bundleID));
  }
  targetPicker_->setCurrentIndex(targetPicker_->findData(qt(targetID_)));
  connect(targetPicker_, &QComboBox::activated, this, &IntentionFormContent::targetChosen);
  stack->addLayout(row(QStringLiteral("Going to"), targetPicker_, this));

  auto* minutesBox = new QVBoxLayout;
  minutesBox->setSpacing(4);
  auto* segmentRow = new QHBoxLayout;
  segmentRow->setSpacing(2);
  segments_ = new QButtonGroup(this);
  segments_->setExclusive(true);
  for (int m : minuteChoices) {
    QPushButton* b = BubbleLook::button(tr("%1").arg(m), "segment", this);
    b->setObjectName(QStringLiteral("minutes-%1").arg(m));
    b->setCheckable(true);
    b->setChecked(m == minutes_);
    b->setFont(BubbleLook::font(TextStyle::callout));
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    segments_->addButton(b, m);
    segmentRow->addWidget(b, 1);
  }
  // Tab comes into the minutes on the chosen one, as into any row of choices.
  singleTabStop(segments_);
  connect(segments_, &QButtonGroup::idClicked, this, [this](int m) { minutes_ = m; });
  minutesBox->addLayout(segmentRow);
  auto* unit = new BubbleText(tr("minutes of active use"), TextStyle::caption, this);
  unit->setTone(BubbleText::Tone::secondary);
  minutesBox->addWidget(unit);
  stack->addLayout(minutesBox);

  purpose_ = new QLineEdit(this);
  purpose_->setObjectName(QStringLiteral("purpose"));
  purpose_->setPlaceholderText(tr("What for? (optional)"));
  purpose_->setAccessibleName(tr("Purpose, optional"));
  purpose_->setFont(BubbleLook::font(TextStyle::body));
  connect(purpose_, &QLineEdit::textChanged, this, &IntentionFormContent::purposeEdited);
  stack->addWidget(purpose_);

  returnPicker_ = picker(QStringLiteral("returnTo"), tr("Then back to"), this);
  connect(returnPicker_, &QComboBox::activated, this, [this](int index) {
    returnID_ = returnPicker_->itemData(index).toString().toStdString();
  });
  fillReturnChoices();
  stack->addLayout(row(QStringLiteral("Then back to"), returnPicker_, this));

  auto* buttons = new QHBoxLayout;
  QPushButton* cancel = BubbleLook::button(form_.isPrompt ? tr("Not now") : tr("Cancel"), "", this);
  cancel->setObjectName(QStringLiteral("cancel"));
  connect(cancel, &QPushButton::clicked, this,
          [this] { BubbleModel::call(model_.onIntentionCancel); });
  start_ = BubbleLook::button(tr("Start"), "prominent", this);
  start_->setObjectName(QStringLiteral("start"));
  start_->setMinimumWidth(70 + 20);
  connect(start_, &QPushButton::clicked, this, &IntentionFormContent::start);
  buttons->addWidget(cancel);
  buttons->addStretch(1);
  buttons->addWidget(start_);
  stack->addLayout(buttons);
  defaultButton_ = start_;
  cancelButton_ = cancel;

  auto* footnote = new BubbleText(tr("Stays on your computer, and is forgotten when it ends."),
                                  TextStyle::caption2, this);
  footnote->setTone(BubbleText::Tone::tertiary);
  stack->addWidget(footnote);
  refreshStart();
}

std::optional<ReturnTarget> IntentionFormContent::target() const {
  for (const ReturnTarget& app : form_.apps) {
    if (app.bundleID == targetID_) return app;
  }
  return std::nullopt;
}

std::optional<ReturnTarget> IntentionFormContent::returnTo() const {
  if (returnID_.empty()) return std::nullopt;
  for (const ReturnTarget& app : form_.returnChoices) {
    if (app.bundleID == returnID_ && app.bundleID != targetID_) return app;
  }
  return std::nullopt;
}

void IntentionFormContent::focusFirstField() {
  if (!form_.isPrompt) purpose_->setFocus(Qt::OtherFocusReason);
}

void IntentionFormContent::targetChosen(int index) {
  targetID_ = targetPicker_->itemData(index).toString().toStdString();
  fillReturnChoices();
  refreshStart();
}

void IntentionFormContent::purposeEdited(const QString& text) {
  const QString cut = firstGraphemes(text, purposeLimit);
  if (cut.size() == text.size()) return;
  const QSignalBlocker block(purpose_);
  const int cursor = std::min<int>(purpose_->cursorPosition(), int(cut.size()));
  purpose_->setText(cut);
  purpose_->setCursorPosition(cursor);
}

void IntentionFormContent::fillReturnChoices() {
  // The list follows the target: the application being gone to is not
  // offered to go back to, and comes back once another target is chosen.
  // Its signals stay on: the box's tooltip follows the name it shows.
  returnPicker_->clear();
  returnPicker_->addItem(tr("Nothing"), QString());
  for (const ReturnTarget& app : form_.returnChoices) {
    if (app.bundleID != targetID_) returnPicker_->addItem(qt(app.name), qt(app.bundleID));
  }
  // The choice kept for when another target comes back is not offered
  // while it is the target itself: the box shows "Nothing" meanwhile, as
  // Start records it, never an empty box.
  returnPicker_->setCurrentIndex(std::max(0, returnPicker_->findData(qt(returnID_))));
}

void IntentionFormContent::refreshStart() {
  start_->setEnabled(target().has_value());
}

void IntentionFormContent::start() {
  const std::optional<ReturnTarget> chosen = target();
  if (!chosen) return;
  BubbleModel::call(model_.onIntentionStart, *chosen, minutes_, purpose_->text().toStdString(),
                    returnTo());
}

}  // namespace pimble
