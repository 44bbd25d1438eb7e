#include "settings/reminders_settings_view.h"

#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "bubbles/bubble_look.h"
#include "bubbles/reminder_bubble_content.h"
#include "bubbles/symbol_image.h"
#include "settings/elided_label.h"
#include "settings/reminder_editor.h"
#include "settings/settings_form.h"
#include "state/app_model.h"

namespace pimble {

namespace {

constexpr int kRowSymbolPoints = 15;
constexpr int idRole = Qt::UserRole;

QColor secondary(const QWidget* w) {
  return w->palette().color(QPalette::PlaceholderText);
}

QColor tertiary(const QWidget* w) {
  QColor c = secondary(w);
  c.setAlphaF(c.alphaF() * 0.6);
  return c;
}

// One reminder in the list: its kind's symbol (orange while it is on), its
// title on one line, how often it comes, and its switch.
class ReminderRow : public QWidget {
 public:
  explicit ReminderRow(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("reminderRow"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(6, 4, 6, 4);
    row->setSpacing(6);
    symbol_ = new QLabel(this);
    symbol_->setFixedWidth(18);
    symbol_->setAlignment(Qt::AlignCenter);
    row->addWidget(symbol_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    title_ = new ElidedLabel(this);
    title_->setObjectName(QStringLiteral("reminderRowTitle"));
    every_ = new QLabel(this);
    every_->setObjectName(QStringLiteral("reminderRowEvery"));
    every_->setForegroundRole(QPalette::PlaceholderText);
    form::makeSmall(every_);
    texts->addWidget(title_);
    texts->addWidget(every_);
    row->addLayout(texts, 1);
    switch_ = new QCheckBox(this);
    switch_->setObjectName(QStringLiteral("reminderSwitch"));
    row->addWidget(switch_);
    QObject::connect(switch_, &QCheckBox::toggled, this, [this](bool on) {
      if (onToggled) onToggled(on);
    });
  }

  void setReminder(const Reminder& r) {
    const QSignalBlocker quiet(switch_);
    const QColor tint = r.isEnabled ? BubbleLook::accent() : secondary(this);
    symbol_->setPixmap(SymbolImage::pixmap(ReminderBubbleContent::symbol(r.kind), kRowSymbolPoints,
                                           tint, qGuiApp->devicePixelRatio()));
    // One line: a long title is cut with an ellipsis, the editor shows it whole.
    title_->setFullText(QString::fromStdString(r.title));
    every_->setText(QStringLiteral("Every ") + RemindersSettingsView::describe(r.intervalMinutes));
    switch_->setChecked(r.isEnabled);
    switch_->setAccessibleName(QString::fromStdString(r.title) + QStringLiteral(" enabled"));
  }

  // On the selection's colour the texts take the colour that reads on it.
  void setSelected(bool selected) {
    title_->setForegroundRole(selected ? QPalette::HighlightedText : QPalette::WindowText);
    every_->setForegroundRole(selected ? QPalette::HighlightedText : QPalette::PlaceholderText);
  }

  std::function<void(bool)> onToggled;

 private:
  QLabel* symbol_;
  ElidedLabel* title_;
  QLabel* every_;
  QCheckBox* switch_;
};

// The list of reminders, ringed while it has the keyboard's focus: its
// rows cover the places where the style would mark it.
class ReminderListWidget : public QListWidget {
 public:
  static constexpr int ring = 2;

  explicit ReminderListWidget(QWidget* parent) : QListWidget(parent) {
    setViewportMargins(ring, ring, ring, ring);
  }

 protected:
  bool event(QEvent* event) override {
    const bool handled = QListWidget::event(event);
    if (event->type() == QEvent::Paint) form::paintFocusRing(this);
    return handled;
  }
};

// A borderless text button with the focus ring the style leaves out.
class TextButton : public QPushButton {
 public:
  TextButton(const QString& title, const char* name, QWidget* parent) : QPushButton(title, parent) {
    setObjectName(QString::fromLatin1(name));
    setAutoDefault(false);
    setFlat(true);
  }

 protected:
  void paintEvent(QPaintEvent* event) override {
    QPushButton::paintEvent(event);
    form::paintFocusRing(this);
  }
};

QListWidgetItem* headerItem(const QString& title, QListWidget* list) {
  auto* item = new QListWidgetItem(title, list);
  // Not a place for the selection, nor for the keyboard's cursor.
  item->setFlags(Qt::NoItemFlags);
  QFont f = list->font();
  f.setBold(true);
  f.setPointSizeF(f.pointSizeF() * 0.9);
  item->setFont(f);
  item->setForeground(secondary(list));
  return item;
}

QPushButton* barButton(const QString& title, const char* symbol, const char* name,
                       QWidget* parent) {
  QPushButton* b = form::button(title, name, parent);
  if (symbol != nullptr)
    b->setIcon(SymbolImage::icon(symbol, 14, parent->palette().color(QPalette::ButtonText)));
  return b;
}

}  // namespace

QString RemindersSettingsView::describe(std::int64_t minutes) {
  if (minutes % 60 == 0) {
    if (minutes == 60) return QStringLiteral("hour");
    return QString::number(minutes / 60) + QStringLiteral(" hours");
  }
  return QString::number(minutes) + QStringLiteral(" min");
}

RemindersSettingsView::RemindersSettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("remindersTab"));
  auto* page = new QHBoxLayout(this);
  page->setContentsMargins(6, 6, 6, 6);
  auto* split = new QSplitter(Qt::Horizontal, this);
  split->setChildrenCollapsible(false);
  page->addWidget(split);

  // The list with its button bar.
  auto* left = new QFrame(split);
  left->setFrameShape(QFrame::StyledPanel);
  auto* l = new QVBoxLayout(left);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(0);
  list_ = new ReminderListWidget(left);
  list_->setObjectName(QStringLiteral("reminderList"));
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  list_->setFrameShape(QFrame::NoFrame);
  list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  l->addWidget(list_, 1);
  auto* rule = new QFrame(left);
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  l->addWidget(rule);
  auto* bar = new QHBoxLayout;
  bar->setContentsMargins(8, 8, 8, 8);
  bar->setSpacing(6);
  add_ = barButton(QStringLiteral("Add"), "plus", "addReminder", left);
  remove_ = barButton(QStringLiteral("Remove"), "minus", "removeReminder", left);
  defaults_ = new TextButton(QStringLiteral("Defaults"), "restoreDefaultReminders", left);
  bar->addWidget(add_);
  bar->addWidget(remove_);
  bar->addStretch(1);
  bar->addWidget(defaults_);
  l->addLayout(bar);
  // 210 to 280 wide, but never narrower than the bar's buttons with their
  // texts whole, which a large desktop font can make more than that.
  for (QPushButton* b : {add_, remove_, defaults_}) form::leastWidthForText(b);
  const int leastWidth = std::max(210, l->totalMinimumSize().width());
  left->setMinimumWidth(leastWidth);
  left->setMaximumWidth(std::max(280, leastWidth));

  // The editor, or the placeholder.
  detail_ = new QStackedWidget(split);
  detail_->setMinimumWidth(320);
  auto* editorScroll = new QScrollArea(detail_);
  editorScroll->setFrameShape(QFrame::NoFrame);
  editorScroll->setWidgetResizable(true);
  editorScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // No frame to show the focus on: the editor's own fields take it.
  editorScroll->setFocusPolicy(Qt::NoFocus);
  editor_ = new ReminderEditor;
  editorScroll->setWidget(editor_);
  detail_->addWidget(editorScroll);
  placeholder_ = new QWidget(detail_);
  placeholder_->setObjectName(QStringLiteral("reminderPlaceholder"));
  auto* p = new QVBoxLayout(placeholder_);
  p->setSpacing(6);
  p->addStretch(1);
  auto* bell = new QLabel(placeholder_);
  bell->setAlignment(Qt::AlignCenter);
  bell->setPixmap(SymbolImage::pixmap("bell", 40, tertiary(this), qGuiApp->devicePixelRatio()));
  p->addWidget(bell);
  auto* prompt = new QLabel(QStringLiteral("Select a reminder to edit it."), placeholder_);
  prompt->setAlignment(Qt::AlignCenter);
  prompt->setForegroundRole(QPalette::PlaceholderText);
  p->addWidget(prompt);
  auto* advice = new QLabel(
      QStringLiteral("These are friendly starting points, not medical advice."), placeholder_);
  advice->setAlignment(Qt::AlignCenter);
  advice->setWordWrap(true);
  {
    QPalette faint = advice->palette();
    faint.setColor(QPalette::WindowText, tertiary(this));
    advice->setPalette(faint);
  }
  form::makeSmall(advice);
  p->addWidget(advice);
  p->addStretch(1);
  detail_->addWidget(placeholder_);

  split->addWidget(left);
  split->addWidget(detail_);
  split->setStretchFactor(0, 0);
  split->setStretchFactor(1, 1);
  split->setSizes({std::max(230, leastWidth), 430});

  connect(list_, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item == nullptr || !(item->flags() & Qt::ItemIsSelectable)) return;
    selection_ = Uuid::parse(item->data(idRole).toString().toStdString());
    showSelectionInList();
    showDetail();
  });
  connect(add_, &QPushButton::clicked, this, [this] {
    const Reminder added = model_.addCustomReminder();
    select(added.id);
  });
  connect(remove_, &QPushButton::clicked, this, [this] {
    if (!selection_) return;
    const Uuid id = *selection_;
    selection_.reset();
    // Remove turns itself off with the reminder gone; the focus would move
    // on to "Defaults", where one more Space wipes every edit of the
    // built-in reminders. It goes back to the list instead.
    list_->setFocus(Qt::OtherFocusReason);
    model_.deleteReminder(id);
    showSelectionInList();
    showDetail();
  });
  connect(defaults_, &QPushButton::clicked, this, [this] { model_.restoreDefaultReminders(); });

  editor_->onEdit = [this](const std::function<void(Reminder&)>& edit) {
    if (selection_) editReminder(*selection_, edit);
  };
  editor_->onRemindNow = [this] {
    if (auto r = selectedReminder()) model_.actions.remindNow(*r);
  };

  // A row's switch reached with Tab is brought into the list's sight.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now == nullptr || !list_->viewport()->isAncestorOf(now)) return;
    for (int i = 0; i < list_->count(); ++i) {
      QWidget* row = list_->itemWidget(list_->item(i));
      if (row != nullptr && row->isAncestorOf(now)) list_->scrollToItem(list_->item(i));
    }
  });

  showReminders();
  connect(&model_, &AppModel::remindersChanged, this, &RemindersSettingsView::showReminders);
}

QWidget* RemindersSettingsView::detail() const {
  return detail_->currentWidget() == placeholder_ ? placeholder_ : static_cast<QWidget*>(editor_);
}

std::optional<Reminder> RemindersSettingsView::selectedReminder() const {
  if (!selection_) return std::nullopt;
  for (const Reminder& r : model_.reminders())
    if (r.id == *selection_) return r;
  return std::nullopt;
}

void RemindersSettingsView::select(const std::optional<Uuid>& id) {
  selection_ = id;
  showSelectionInList();
  showDetail();
}

void RemindersSettingsView::editReminder(const Uuid& id,
                                         const std::function<void(Reminder&)>& edit) {
  std::vector<Reminder> list = model_.reminders();
  const auto it =
      std::find_if(list.begin(), list.end(), [&](const Reminder& r) { return r.id == id; });
  if (it == list.end()) return;
  edit(*it);
  model_.setReminders(std::move(list));
}

void RemindersSettingsView::showReminders() {
  std::vector<std::pair<Uuid, bool>> listed;
  for (const Reminder& r : model_.reminders()) {
    if (r.kind != ReminderKind::custom) listed.emplace_back(r.id, false);
  }
  for (const Reminder& r : model_.reminders()) {
    if (r.kind == ReminderKind::custom) listed.emplace_back(r.id, true);
  }
  if (listed != listed_) {
    listed_ = std::move(listed);
    rebuildList();
  }
  // Rows show the values of today's list, in place.
  for (int i = 0; i < list_->count(); ++i) {
    QListWidgetItem* item = list_->item(i);
    auto* row = static_cast<ReminderRow*>(list_->itemWidget(item));
    if (row == nullptr) continue;
    const auto id = Uuid::parse(item->data(idRole).toString().toStdString());
    for (const Reminder& r : model_.reminders()) {
      if (id && r.id == *id) {
        row->setReminder(r);
        // As high as the texts it shows now need: a row not on screen yet
        // keeps the sizes its texts had before until its layout is made
        // again.
        row->layout()->invalidate();
        row->layout()->activate();
        item->setSizeHint(row->sizeHint());
        item->setData(Qt::AccessibleTextRole, QString::fromStdString(r.title));
        break;
      }
    }
  }
  showSelectionInList();
  showDetail();
}

void RemindersSettingsView::rebuildList() {
  const QSignalBlocker quiet(list_);
  // A row may be the sender of the change that got us here: its widget
  // goes once the event is over.
  for (int i = 0; i < list_->count(); ++i) {
    if (QWidget* w = list_->itemWidget(list_->item(i))) {
      list_->removeItemWidget(list_->item(i));
      w->deleteLater();
    }
  }
  list_->clear();
  // The rows' switches follow the list on the keyboard's way, top to
  // bottom, before the buttons under it.
  QWidget* lastSwitch = list_;
  auto addRows = [this, &lastSwitch](bool personal) {
    for (const auto& [id, custom] : *listed_) {
      if (custom != personal) continue;
      auto* item = new QListWidgetItem(list_);
      item->setData(idRole, QString::fromStdString(id.string()));
      auto* row = new ReminderRow(list_);
      row->onToggled = [this, rowId = id](bool on) {
        editReminder(rowId, [on](Reminder& r) { r.isEnabled = on; });
      };
      list_->setItemWidget(item, row);
      lastSwitch = form::placeFocusAfter(lastSwitch, row);
    }
  };
  headerItem(QStringLiteral("Wellness"), list_);
  addRows(false);
  headerItem(QStringLiteral("Personal"), list_);
  const bool anyPersonal =
      std::any_of(listed_->begin(), listed_->end(), [](const auto& e) { return e.second; });
  if (anyPersonal) {
    addRows(true);
  } else {
    auto* hint = new QListWidgetItem(QStringLiteral("Add your own below"), list_);
    hint->setFlags(Qt::NoItemFlags);
    hint->setForeground(secondary(list_));
    QFont f = list_->font();
    f.setPointSizeF(f.pointSizeF() * 0.9);
    hint->setFont(f);
  }
}

void RemindersSettingsView::showSelectionInList() {
  const QSignalBlocker quiet(list_);
  QListWidgetItem* chosen = nullptr;
  if (selection_) {
    const QString key = QString::fromStdString(selection_->string());
    for (int i = 0; i < list_->count() && chosen == nullptr; ++i) {
      if (list_->item(i)->data(idRole).toString() == key) chosen = list_->item(i);
    }
  }
  if (chosen != nullptr) {
    list_->setCurrentItem(chosen);
  } else {
    list_->setCurrentItem(nullptr);
    list_->clearSelection();
  }
  for (int i = 0; i < list_->count(); ++i) {
    if (auto* row = static_cast<ReminderRow*>(list_->itemWidget(list_->item(i))))
      row->setSelected(list_->item(i) == chosen);
  }
}

void RemindersSettingsView::showDetail() {
  const std::optional<Reminder> r = selectedReminder();
  remove_->setEnabled(r && r->kind == ReminderKind::custom);
  if (r) {
    editor_->setReminder(*r);
    detail_->setCurrentIndex(0);
  } else {
    detail_->setCurrentWidget(placeholder_);
  }
}

void RemindersSettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (!selection_ && !model_.reminders().empty()) select(model_.reminders().front().id);
}

}  // namespace pimble
