#pragma once

// A settings view on the real application model, stored in memory, on a
// fake clock, with the autostart folder in a private XDG_CONFIG_HOME and
// every view command recorded.

#include <gtest/gtest.h>

// The controls every tab's test finds and presses.
#include <QAbstractButton>
#include <QApplication>
#include <QByteArray>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <ctime>
#include <memory>
#include <optional>
#include <source_location>
#include <string>
#include <vector>

#include "models/memory_persistence.h"
#include "services/app_catalog.h"
#include "state/app_model.h"
#include "system/fake_time_source.h"
#include "system/probe_test_support.h"

// Texts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace pimble::testing {

// Clicks a button as the user would: press and release near its leading
// edge, which is on a check box's indicator and inside any button.
void click(QAbstractButton* button);

// What a label (a tooltip is one) shows of `text` in that format, as
// assistive technology reads it off: Qt takes text that looks like markup
// for rich text unless told otherwise.
QString shownText(const QString& text, Qt::TextFormat format = Qt::AutoText);

// How far the settings page holding `view` runs on below the lowest thing
// it shows, past its own bottom margin, when it scrolls; 0 for a page its
// view holds whole. A page that scrolls ends where its content ends.
int emptyPastTheEnd(QWidget* view);

class SettingsFixture : public ::testing::Test {
 protected:
  // 2027-01-15 08:00 UTC, a Friday.
  static constexpr double start = 1'800'000'000.0;

  void SetUp() override {
    ASSERT_TRUE(config_.isValid());
    configEnv_ = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", config_.path());
    // Today is that Friday wherever the tests run, not only in the test
    // desktop; a test that means another zone sets it itself.
    zone_ = std::make_unique<ScopedEnv>("TZ", "UTC");
    tzset();
  }
  void TearDown() override {
    AppCatalog::install({});
    zone_.reset();
    tzset();
  }

  // The applications the workspace reports running, in this order.
  static void running(std::vector<ReturnTarget> apps) {
    AppCatalog::Platform platform;
    platform.runningApps = [apps = std::move(apps)] { return apps; };
    AppCatalog::install(platform);
  }

  // The model is made on first use, so a test can pin the zone first.
  AppModel& model() {
    if (!model_) {
      model_ = std::make_unique<AppModel>(store_, time_);
      record();
    }
    return *model_;
  }

  // Records every command the views call.
  void record() {
    AppActions& a = model_->actions;
    a.preview = [this](GlimmetState s) { calls.push_back("preview " + std::string(enumName(s))); };
    a.pause = [this](std::optional<double> s) {
      calls.push_back(s ? "pause " + std::to_string(static_cast<int>(*s)) : "pause");
    };
    a.resume = [this] { calls.push_back("resume"); };
    a.moveToCorner = [this](CompanionCorner c) {
      calls.push_back("moveToCorner " + std::string(enumName(c)));
    };
    a.resetPosition = [this] { calls.push_back("resetPosition"); };
    a.refreshAwareness = [this] { calls.push_back("refreshAwareness"); };
    a.startOnboarding = [this] { calls.push_back("startOnboarding"); };
    a.previewBehavior = [this](IdleBehavior b) {
      calls.push_back("previewBehavior " + std::string(enumName(b)));
    };
    a.previewGreeting = [this] { calls.push_back("previewGreeting"); };
    a.remindNow = [this](const Reminder& r) {
      calls.push_back("remindNow " + r.title);
      remindedNow.push_back(r);
    };
    a.setMode = [this](AwarenessMode m) { calls.push_back("setMode " + std::string(enumName(m))); };
    a.clearActivity = [this] { calls.push_back("clearActivity"); };
    a.previewCheckIn = [this] { calls.push_back("previewCheckIn"); };
    a.openIntentionForm = [this] { calls.push_back("openIntentionForm"); };
  }

  // How often a command was called.
  int callCount(const std::string& call) const {
    return static_cast<int>(std::count(calls.begin(), calls.end(), call));
  }

  // Runs `act` (clicks, keys) and expects `edit` and nothing else made to the
  // settings, in `writes` writes.
  void expectEdit(const std::function<void()>& act, const std::function<void(AppSettings&)>& edit,
                  int writes = 1, std::source_location at = std::source_location::current()) {
    const ::testing::ScopedTrace trace(at.file_name(), int(at.line()), "the edit asked for here");
    AppSettings expected = model().settings();
    edit(expected);
    QSignalSpy spy(&model(), &AppModel::settingsChanged);
    act();
    EXPECT_EQ(model().settings(), expected);
    EXPECT_EQ(spy.count(), writes);
  }

  // Applies a change to the settings as another part of the program would.
  void changeSettings(const std::function<void(AppSettings&)>& edit) {
    AppSettings s = model().settings();
    edit(s);
    model().setSettings(s);
  }

  QTemporaryDir config_;
  std::unique_ptr<ScopedEnv> configEnv_;
  std::unique_ptr<ScopedEnv> zone_;
  MemoryPersistence store_;
  FakeTimeSource time_{dateFromSeconds(start)};
  std::unique_ptr<AppModel> model_;
  std::vector<std::string> calls;
  std::vector<Reminder> remindedNow;
};

// A fixture around one tab's view, built on first use and shown, with its
// controls found by object name.
template <class View>
class ViewFixture : public SettingsFixture {
 protected:
  View& view() {
    if (!view_) {
      view_ = std::make_unique<View>(model());
      view_->resize(640, 1100);
      prepare(*view_);
      view_->show();
    }
    return *view_;
  }
  virtual void prepare(View&) {}
  template <class T>
  T* find(const char* name) {
    T* w = view().template findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::unique_ptr<View> view_;
};

// Watches the model's settings for writes coming from a view.
class SettingsWrites {
 public:
  explicit SettingsWrites(AppModel& model)
      : model_(model), before_(model.settings()), spy_(&model, &AppModel::settingsChanged) {}
  int count() const { return static_cast<int>(spy_.count()); }
  // The settings before, with the one edit the view should have made.
  AppSettings expected(const std::function<void(AppSettings&)>& edit) const {
    AppSettings s = before_;
    edit(s);
    return s;
  }
  const AppSettings& before() const { return before_; }

 private:
  AppModel& model_;
  AppSettings before_;
  QSignalSpy spy_;
};

}  // namespace pimble::testing
