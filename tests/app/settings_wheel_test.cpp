// The wheel over the real settings window: someone reading down a page,
// the pointer resting where the controls stand, changes nothing on the
// way; a control they gave the keyboard takes the wheel. At 1× and 2×.
#include <QDir>
#include <QImage>
#include <map>

#include "app/pimble_process.h"
#include "support/accessibility_tree.h"

namespace pimble::testing {
namespace {

class SettingsWheelTest : public ProcessTest, public ::testing::WithParamInterface<int> {
 protected:
  // Every document of the data folder, byte for byte, but the activity
  // counts: the tracker writes them by itself, 5 s after the application
  // in front changed (the settings window coming up is such a change).
  std::map<QString, QByteArray> documents() const {
    std::map<QString, QByteArray> all;
    for (const QFileInfo& file : QDir(data_).entryInfoList(QDir::Files)) {
      if (!file.fileName().startsWith(QLatin1String("activity.json")))
        all[file.fileName()] = contents(file.filePath());
    }
    return all;
  }
  QImage shot(const QString& window) const {
    const QString file = dir_.path() + "/shot.png";
    QFile::remove(file);
    runTool("import", {"-window", window, file});
    return QImage(file);
  }
  // `steps` of the wheel (button 4 up, 5 down) with the pointer at `at`.
  static void wheel(QPoint at, int button, int steps) {
    runTool("xdotool",
            {"mousemove", QString::number(at.x()), QString::number(at.y()), "click", "--repeat",
             QString::number(steps), "--delay", "15", QString::number(button)});
  }
};

TEST_P(SettingsWheelTest, ScrollsThePagesAndStepsOnlyAControlGivenTheKeyboard) {
  const int scale = GetParam();
  if (auto why = missingProgram("import")) GTEST_SKIP() << *why;
  const AccessibilityBus a11y;
  if (a11y.missing()) GTEST_SKIP() << *a11y.missing();
  AppSettings settings;
  settings.onboardingCompleted = true;
  // Nothing of its own written while the test reads the files.
  settings.tinyMessages = TinyMessages::off;
  // The character stays on top: at the screen's top left it covers none of
  // the controls, also at 2×, where the window is wider than the screen.
  settings.position = CompanionPosition{0, 800.0 / scale - 180, std::nullopt, 2};
  FilePersistence store(data_.toStdString());
  store.save(settings, "settings");
  Pimble pimble(data_, {},
                {AccessibilityBus::programEnvironment(), QString("QT_SCALE_FACTOR=%1").arg(scale)});
  ASSERT_TRUE(pimble.showsWindow());
  Pimble reopen(data_);  // brings the settings window up
  EXPECT_EQ(reopen.finish(), 0);
  const QString window = pimble.shown(QStringLiteral("^Pimble Glimmet Settings$"));
  ASSERT_FALSE(window.isEmpty()) << "the settings window was not shown where it was put";
  // The character has flown in and its place is stored.
  auto before = documents();
  for (int look = 0; look < 10; ++look) {
    pause(1500ms);
    const auto now = documents();
    if (now == before) break;
    before = now;
  }

  // The page's part of the window on the screen (at 2× the window is
  // taller than the screen); the pointer rests in its right half.
  const QRect screen(0, 0, 1280, 800);
  const QRect page = geometry(window).adjusted(0, 70 * scale, 0, 0).intersected(screen);
  ASSERT_FALSE(page.isEmpty());
  const int middle = page.center().y();
  // The pointer rests on controls, which may show it: the pages are
  // compared by their labels' column at the left, which a scroll moves.
  const QRect labels(0, 70 * scale, int(page.width() * 0.45), page.height());
  auto shown = [&] { return shot(window).copy(labels); };
  // The program answers the ping once it has the steps, before it draws
  // what they did: the labels as drawn once they differ from `before`,
  // else as they stand after `timeout`.
  auto drawnAfter = [&](const QImage& before, std::chrono::milliseconds timeout) {
    QImage now;
    waitUntil([&] { return (now = shown()) != before; }, timeout);
    return now;
  };
  std::vector<bool> scrolled;
  QImage drawn = shown();
  for (int tab = 0; tab < 6; ++tab) {
    SCOPED_TRACE(tab);
    if (tab > 0) {
      ASSERT_TRUE(type(window, "ctrl+Tab"));
      ASSERT_TRUE(inputHandled(window));
      const QImage before = drawn;
      drawn = drawnAfter(before, 5s);
      ASSERT_NE(drawn, before) << "the next page is not drawn";
    }
    bool moved = false;
    for (double across : {0.72, 0.9}) {
      const QPoint at(page.left() + int(page.width() * across), middle);
      wheel(at, 5, 30);
      ASSERT_TRUE(inputHandled(window));
      const QImage down = drawnAfter(drawn, 2s);
      wheel(at, 4, 30);
      ASSERT_TRUE(inputHandled(window));
      if (down != drawn) {
        moved = true;
        drawn = drawnAfter(down, 5s);
        ASSERT_NE(drawn, down) << "the page is not drawn scrolled back";
      }
    }
    scrolled.push_back(moved);
  }
  pause(1s);  // a change is saved 0.4 s after it
  const auto after = documents();
  for (const auto& [name, bytes] : before) {
    const auto now = after.find(name);
    EXPECT_TRUE(now != after.end() && now->second == bytes) << name.toStdString() << " changed";
  }
  for (const auto& [name, bytes] : after)
    EXPECT_TRUE(before.count(name)) << name.toStdString() << " was written";
  EXPECT_TRUE(scrolled.at(2)) << "the Awareness page did not scroll";
  EXPECT_TRUE(scrolled.at(4)) << "the Focus & Quiet Hours page did not scroll";

  // A picker and a number field, clicked first, then stepped by the wheel.
  // At 2× the window runs past the screen's foot, and with it the end of a
  // page scrolled to its end: the user moves it up as far as the window
  // manager lets it go (openbox keeps its title bar near the screen).
  QRect seen = page;
  if (const QRect whole = geometry(window); whole.bottom() > screen.bottom()) {
    runTool("xdotool", {"windowmove", window, QString::number(whole.x()),
                        QString::number(whole.y() - (whole.bottom() - screen.bottom()))});
    ASSERT_TRUE(waitUntil([&] { return geometry(window).y() < whole.y(); }));
    seen = geometry(window).adjusted(0, 70 * scale, 0, 0).intersected(screen);
  }
  // The accessibility tree gives places in the program's own points. A
  // control the click would bring further into sight (the page scrolls it
  // in from an edge) would move from under the pointer: each is taken in
  // the middle of the page, or where the wheel no longer moves it, the
  // page scrolled to its end, which no click scrolls further.
  const QRect middleBand = seen.adjusted(0, seen.height() / 4, 0, -seen.height() / 4);
  auto control = [&](const QString& role, const QString& name) {
    QRect before;
    for (int step = 0; step < 40; ++step) {
      const QRect r = a11y.place(pimble.pid(), role, name).value_or(QRect());
      const QRect shown(r.topLeft() * scale, r.size() * scale);
      if (!r.isEmpty() && (middleBand.contains(shown) || (shown == before && seen.contains(shown))))
        return shown.center();
      before = shown;
      // Brought there by the wheel over the page's labels.
      wheel(QPoint(seen.left() + seen.width() / 10, seen.center().y()), 5, 1);
      inputHandled(window);
    }
    ADD_FAILURE() << name.toStdString() << " is not shown";
    return QPoint();
  };
  ASSERT_TRUE(type(window, "ctrl+shift+Tab ctrl+shift+Tab ctrl+shift+Tab"));  // Awareness
  ASSERT_TRUE(inputHandled(window));
  const QPoint picker = control("combo box", "Check again in 1 hour");
  // The list the click opens, closed by Escape: the step of the wheel comes
  // once it has gone (Qt may hold the key back for the accessibility bus).
  const QStringList windows = pimble.windows(".*");
  auto list = [&] {
    for (const QString& w : pimble.windows(".*"))
      if (!windows.contains(w)) return true;
    return false;
  };
  ASSERT_TRUE(clickAt(picker));
  ASSERT_TRUE(waitUntil(list)) << "the picker's list is not shown";
  runTool("xdotool", {"key", "Escape"});
  ASSERT_TRUE(waitUntil([&] { return !list(); })) << "the picker's list stays open";
  wheel(picker, 5, 1);
  ASSERT_TRUE(type(window, "ctrl+Tab ctrl+Tab"));  // Focus & Quiet Hours
  ASSERT_TRUE(inputHandled(window));
  const QPoint field = control("spin box", "Unanswered bubbles snooze after");
  ASSERT_TRUE(clickAt(field));
  wheel(field, 4, 1);
  ASSERT_TRUE(inputHandled(window));
  EXPECT_TRUE(waitUntil([&] {
    const auto stored = store.load<AppSettings>("settings");
    return stored &&
           stored->awareness.keepGoingCooldownMinutes != std::optional<std::int64_t>(60) &&
           stored->bubbleTimeoutSeconds > 120;
  })) << "the chosen controls did not step: "
      << contents(data_ + "/settings.json").toStdString();
}

INSTANTIATE_TEST_SUITE_P(Scales, SettingsWheelTest, ::testing::Values(1, 2),
                         [](const auto& info) { return "At" + std::to_string(info.param) + "x"; });

}  // namespace
}  // namespace pimble::testing
