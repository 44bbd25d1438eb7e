#include "settings/settings_window_controller.h"

#include <QAbstractSpinBox>
#include <QApplication>
#include <QFrame>
#include <QKeySequence>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "settings/appearance_settings_view.h"
#include "settings/awareness_settings_view.h"
#include "settings/focus_settings_view.h"
#include "settings/general_settings_view.h"
#include "settings/progress_settings_view.h"
#include "settings/reminders_settings_view.h"
#include "settings/settings_form.h"
#include "settings/settings_tab_bar.h"
#include "settings/wheel_guard.h"

namespace pimble {

namespace {
// A tab's page. Keys a control leaves unused (Page Down on a switch, Up on
// a list's first row) scroll it only as far as that control stays in sight.
// It scrolls up and down only: it needs the width of what it holds, with
// room for its scroll bar, which a large desktop font can make more than
// the window's usual width.
class Page : public QScrollArea {
 public:
  // What the page holds. A scroll area makes what it holds at least as tall
  // as it asks to be at its narrowest, where wrapped sentences run to many
  // lines, even when its height follows its width: the page then ran on
  // past its last section. Here the height such a page asks for is the one
  // its width needs, and the scroll area gives it that.
  class Body : public QWidget {
   public:
    explicit Body(QWidget* view) {
      auto* layout = new QVBoxLayout(this);
      layout->setContentsMargins(0, 0, 0, 0);
      layout->addWidget(view);
    }
    QSize minimumSizeHint() const override {
      QSize least = QWidget::minimumSizeHint();
      if (hasHeightForWidth()) least.setHeight(0);
      return least;
    }
  };

  QSize minimumSizeHint() const override {
    QSize least = QScrollArea::minimumSizeHint();
    if (QWidget* view = widget()) {
      const int viewWidth = view->minimumSizeHint().expandedTo(view->minimumSize()).width();
      least.setWidth(std::max(
          least.width(), viewWidth + verticalScrollBar()->sizeHint().width() + 2 * frameWidth()));
    }
    return least;
  }

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    QScrollArea::keyPressEvent(event);
    QWidget* focus = QApplication::focusWidget();
    if (focus != nullptr && isAncestorOf(focus)) ensureWidgetVisible(focus);
  }
};
}  // namespace

SettingsWindowController::SettingsWindowController(AppModel& model, QObject* parent)
    : QObject(parent), model_(model) {
  window_ = std::make_unique<QWidget>(nullptr,
                                      Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
  window_->setObjectName(QStringLiteral("settingsWindow"));
  window_->setWindowTitle(QStringLiteral("Pimble Glimmet Settings"));
  // Closing hides the window; it never ends the program.
  window_->setAttribute(Qt::WA_QuitOnClose, false);

  auto* layout = new QVBoxLayout(window_.get());
  layout->setContentsMargins(0, 6, 0, 0);
  layout->setSpacing(0);
  tabBar_ = new SettingsTabBar(window_.get());
  layout->addWidget(tabBar_);
  auto* rule = new QFrame(window_.get());
  rule->setFrameShape(QFrame::HLine);
  rule->setFrameShadow(QFrame::Sunken);
  layout->addWidget(rule);
  stack_ = new QStackedWidget(window_.get());
  stack_->setObjectName(QStringLiteral("settingsPages"));
  layout->addWidget(stack_, 1);

  addPage(SettingsTab::general, new GeneralSettingsView(model_));
  addPage(SettingsTab::reminders, new RemindersSettingsView(model_));
  addPage(SettingsTab::awareness, new AwarenessSettingsView(model_));
  addPage(SettingsTab::appearance, new AppearanceSettingsView(model_));
  addPage(SettingsTab::focus, new FocusSettingsView(model_));
  addPage(SettingsTab::progress, new ProgressSettingsView(model_));
  showTab(selection_.tab());
  // Not resizable. A large desktop font can need a wider row of tabs or a
  // wider page than the usual width: the window takes what the widest of
  // them needs then.
  window_->setFixedSize(QSize(width, height).expandedTo(layout->totalMinimumSize()));

  // Tab from the tab bar into a page, or Shift+Tab round to its end, moves
  // the focus past the page's scroll area, which brings into sight only
  // what the keyboard reaches from inside it. The focus goes to nothing as
  // the window is taken down, so that is checked before the pages.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* before, QWidget* now) {
    if (now == nullptr || now->window() != window_.get()) return;
    auto* page = qobject_cast<QScrollArea*>(stack_->currentWidget());
    if (page == nullptr || !page->isAncestorOf(now)) return;
    if (before == nullptr || !page->isAncestorOf(before)) page->ensureWidgetVisible(now);
  });

  connect(tabBar_, &SettingsTabBar::picked, &selection_, &SettingsSelection::setTab);
  connect(&selection_, &SettingsSelection::tabChanged, this, &SettingsWindowController::showTab);

  auto* close = new QShortcut(QKeySequence(QStringLiteral("Ctrl+W")), window_.get());
  connect(close, &QShortcut::activated, window_.get(), &QWidget::close);
  auto* quit = new QShortcut(QKeySequence(QStringLiteral("Ctrl+Q")), window_.get());
  connect(quit, &QShortcut::activated, this, [this] {
    if (onQuit) onQuit();
  });
  // The keys that switch tabs in any tabbed window.
  for (const char* keys : {"Ctrl+Tab", "Ctrl+PgDown"}) {
    auto* next = new QShortcut(QKeySequence(QString::fromLatin1(keys)), window_.get());
    connect(next, &QShortcut::activated, this, [this] { step(1); });
  }
  for (const char* keys : {"Ctrl+Shift+Tab", "Ctrl+PgUp"}) {
    auto* previous = new QShortcut(QKeySequence(QString::fromLatin1(keys)), window_.get());
    connect(previous, &QShortcut::activated, this, [this] { step(-1); });
  }

  WheelGuard::install(window_.get());
  form::centreOnScreen(window_.get());
}

SettingsWindowController::~SettingsWindowController() = default;

void SettingsWindowController::addPage(SettingsTab tab, QWidget* view) {
  tabBar_->addTab(tab);
  const auto& order = tabBar_->tabs();
  const auto index = static_cast<int>(std::find(order.begin(), order.end(), tab) - order.begin());
  auto* scroll = new Page;
  scroll->setObjectName(form::text(rawValue(tab)) + QStringLiteral("Page"));
  scroll->setWidget(new Page::Body(view));
  scroll->setWidgetResizable(true);
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  // Without a frame it could show no focus: the keyboard goes straight to
  // the controls, which scroll into sight as they get it.
  scroll->setFocusPolicy(Qt::NoFocus);
  stack_->insertWidget(index, scroll);
  pages_.insert(pages_.begin() + index, {tab, view});
}

QWidget* SettingsWindowController::page(SettingsTab tab) const {
  for (const auto& [t, view] : pages_)
    if (t == tab) return view;
  return nullptr;
}

SettingsTab SettingsWindowController::currentTab() const {
  const int index = stack_->currentIndex();
  if (index < 0 || index >= static_cast<int>(pages_.size())) return selection_.tab();
  return pages_[static_cast<size_t>(index)].first;
}

void SettingsWindowController::showTab(SettingsTab tab) {
  for (size_t i = 0; i < pages_.size(); ++i) {
    if (pages_[i].first == tab) {
      tabBar_->setCurrent(tab);
      stack_->setCurrentIndex(static_cast<int>(i));
      return;
    }
  }
  // A tab this window does not hold: the selection keeps naming what shows.
  if (!pages_.empty()) selection_.setTab(currentTab());
}

void SettingsWindowController::step(int by) {
  const int count = static_cast<int>(pages_.size());
  if (count == 0) return;
  const int next = ((stack_->currentIndex() + by) % count + count) % count;
  selection_.setTab(pages_[static_cast<size_t>(next)].first);
}

void SettingsWindowController::loginItemChanged() {
  if (auto* general = qobject_cast<GeneralSettingsView*>(page(SettingsTab::general)))
    general->refreshLoginStatus();
}

void SettingsWindowController::commitEdit() {
  // Number fields enter their text on Enter or when they lose the focus;
  // every other field has entered it already.
  for (QWidget* w = window_->focusWidget(); w != nullptr && w != window_.get();
       w = w->parentWidget()) {
    if (auto* field = qobject_cast<QAbstractSpinBox*>(w)) {
      field->interpretText();
      return;
    }
  }
}

void SettingsWindowController::show(std::optional<SettingsTab> tab) {
  if (tab) selection_.setTab(*tab);
  if (window_->isMinimized())
    window_->setWindowState(window_->windowState() & ~Qt::WindowMinimized);
  window_->show();
  window_->raise();
  window_->activateWindow();
}

}  // namespace pimble
