// The tray icon and its status menu, kept current as the model changes, and
// the character's context menu, built each time it opens; both from the
// controller, through MenuActions.
#include <QMenu>

#include "app/app_controller.h"
#include "app/menu_builder.h"
#include "app/status_item.h"

namespace pimble {
namespace {

// What the menus read of the controller and ask of it.
class ControllerMenuActions final : public MenuActions {
 public:
  explicit ControllerMenuActions(AppController& controller) : c_(controller) {}

  bool companionVisible() const override { return c_.model().settings().showCompanion; }
  std::vector<Reminder> enabledReminders() const override { return c_.enabledReminders(); }
  std::optional<Date> pausedUntil() const override { return c_.engine().pausedUntil(); }
  bool pausedIndefinitely() const override { return c_.engine().pausedIndefinitely(); }
  std::optional<std::string> intentionStatus() const override { return c_.intentionStatus(); }
  AwarenessMode mode() const override { return c_.awareness().mode(); }
  bool intentionShortcutActive() const override {
    const GlobalShortcut* key = c_.desktop().shortcut.get();
    return c_.model().settings().awareness.intentionShortcut && key && key->isRegistered();
  }

  void summonCompanion() override { c_.summonCompanion(); }
  void toggleCompanion() override { c_.toggleCompanion(); }
  void remindNow(const Reminder& reminder) override { c_.remindNow(reminder); }
  void pause(std::optional<double> seconds) override { c_.pause(seconds); }
  void resume() override { c_.resume(); }
  void openIntentionForm() override { c_.openIntentionForm(); }
  void endIntention(Intention::Status status) override { c_.endIntention(status); }
  void extendIntention(std::int64_t minutes) override { c_.extendIntention(minutes); }
  void startSession(const SessionPreset& preset) override { c_.startSession(preset); }
  void setMode(AwarenessMode mode) override { c_.setMode(mode); }
  void showProgress() override { c_.showProgress(); }
  void openSettings(std::optional<SettingsTab> tab) override { c_.openSettings(tab); }
  void quit() override { c_.quit(); }

 private:
  AppController& c_;
};

}  // namespace

void AppController::startStatusItem() {
  menuActions_ = std::make_unique<ControllerMenuActions>(*this);
  statusItem_ = std::make_unique<StatusItem>(
      *menuActions_, [this] { return nextReminderSummary(); }, desktop_.trays.get());
  // What the status menu shows, as the model publishes it: the character
  // switched on, the reminders, the pause, the summary, the mode, and an
  // intention or session begun or ended (published with today's activity).
  StatusItem* item = statusItem_.get();
  AppModel* m = model_.get();
  connect(m, &AppModel::settingsChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::remindersChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::presenceChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::pausedUntilChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::pausedIndefinitelyChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::nextReminderSummaryChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::modeChanged, item, &StatusItem::refresh);
  connect(m, &AppModel::activityTodayChanged, item, &StatusItem::refresh);
}

MenuActions& AppController::menuActions() {
  return *menuActions_;
}

void AppController::showContextMenu(QPoint at) {
  // A new menu for every right click. The last one goes once Qt is done
  // with it: the click that closes it may be the one that opens this one.
  if (contextMenu_) contextMenu_.release()->deleteLater();
  contextMenu_ = std::make_unique<QMenu>();
  MenuBuilder::render(MenuBuilder::contextMenu(*menuActions_), *contextMenu_);
  contextMenu_->popup(at);
}

}  // namespace pimble
