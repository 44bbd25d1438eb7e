// The real pimble program and the desktop's tray: its icon in trayer (the
// XEmbed side) opened by a right click, its StatusNotifierItem registered
// with a mocked watcher and its menu read and clicked over
// com.canonical.dbusmenu, a tray that comes up after the program, and no
// tray at all, where the character's own menu opens on a right click.
#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QImage>
#include <QRect>
#include <QRegularExpression>

#include "app/pimble_process.h"
#include "app/tray_hosts.h"
#include "models/activity_data.h"
#include "models/schedule_snapshot.h"
#include "system/probe_test_support.h"
#include "system/tray_host_watch.h"

namespace pimble::testing {
namespace {

struct Window {
  QString id;
  QRect geometry;
};

// The program's visible windows with their places, from xdotool.
std::vector<Window> visibleWindows(const Pimble& pimble) {
  std::vector<Window> out;
  const auto ids =
      runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pimble.pid())});
  if (!ids) return out;
  static const QRegularExpression shape(R"(Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+))",
                                        QRegularExpression::DotMatchesEverythingOption);
  for (const QString& id : ids->split('\n', Qt::SkipEmptyParts)) {
    const auto text = runTool("xdotool", {"getwindowgeometry", id});
    const auto m = shape.match(text.value_or(QString()));
    if (!m.hasMatch()) continue;
    out.push_back({id, QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
                             m.captured(4).toInt())});
  }
  return out;
}

// The labels and ids of a dbusmenu level, read with gdbus.
struct MenuLine {
  int id;
  QString label;
};

class TrayProcess : public ProcessTest {
 protected:
  void SetUp() override {
    ProcessTest::SetUp();
    if (IsSkipped()) return;
    if (auto why = missingTrayPeers()) GTEST_SKIP() << *why;
    seed(true);
  }

  // The item's menu as the host reads it: it announces the opening, then
  // asks for the layout, of the top level or (`depth` -1) of every level.
  static std::vector<MenuLine> openMenu(const QString& service, const QString& path,
                                        int depth = 1) {
    runTool("gdbus", {"call", "--session", "--dest", service, "--object-path", path, "--method",
                      "com.canonical.dbusmenu.AboutToShow", "0"});
    const auto layout = runTool(
        "gdbus", {"call", "--session", "--dest", service, "--object-path", path, "--method",
                  "com.canonical.dbusmenu.GetLayout", "--", "0", QString::number(depth), "[]"});
    std::vector<MenuLine> lines;
    static const QRegularExpression item(R"(<\((\d+), \{[^{}]*?'label': <(['"])(.*?)\2>)");
    auto it = item.globalMatch(layout.value_or(QString()));
    while (it.hasNext()) {
      const auto m = it.next();
      lines.push_back({m.captured(1).toInt(), m.captured(3)});
    }
    return lines;
  }
  static QStringList labels(const std::vector<MenuLine>& lines) {
    QStringList out;
    for (const MenuLine& l : lines) out << l.label;
    return out;
  }
};

TEST_F(TrayProcess, InTrayerTheIconIsEmbeddedAndARightClickOpensTheMenu) {
  auto trayer = startTrayer();
  ASSERT_TRUE(trayer->started());
  TrayHostWatch watch;
  ASSERT_TRUE(waitUntil([&] { return watch.hasXEmbedTray(); }));
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.started());
  ASSERT_TRUE(pimble.showsWindow());
  // The icon: a small window of the program in trayer's strip at the top
  // right of the screen.
  std::optional<QRect> icon;
  ASSERT_TRUE(waitUntil(
      [&] {
        for (const Window& w : visibleWindows(pimble))
          if (w.geometry.top() < 24 && w.geometry.left() > 1100 && w.geometry.width() <= 32)
            icon = w.geometry;
        return icon.has_value();
      },
      10s));
  const std::size_t before = visibleWindows(pimble).size();
  const QPoint centre = icon->center();
  ASSERT_TRUE(runTool("xdotool", {"mousemove", QString::number(centre.x()),
                                  QString::number(centre.y()), "click", "3"}));
  // The menu opens below the icon.
  std::optional<QRect> menu;
  ASSERT_TRUE(waitUntil([&] {
    for (const Window& w : visibleWindows(pimble))
      if (w.geometry.height() > 150 && w.geometry.top() < 40) menu = w.geometry;
    return menu.has_value();
  }));
  EXPECT_EQ(visibleWindows(pimble).size(), before + 1);
  saveScreenshot("tray-process-menu.png");
  runTool("xdotool", {"key", "Escape"});
  EXPECT_TRUE(waitUntil([&] { return visibleWindows(pimble).size() == before; }));
  EXPECT_EQ(pimble.end(), 0);
}

TEST_F(TrayProcess, ItsStatusNotifierItemsMenuIsRebuiltAtEachOpening) {
  if (auto why = missingProgram("gdbus")) GTEST_SKIP() << *why;
  auto watcher = startStatusNotifierWatcher(true);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  // The menu's first line names the next reminder at any hour of the run.
  // A user who did the tour: a first start's tour flies the character in
  // as its first page shows, whenever that is.
  AppSettings awake;
  awake.onboardingCompleted = true;
  awake.quietHours.isEnabled = false;
  FilePersistence(data_.toStdString()).save(awake, "settings");
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.started());
  ASSERT_TRUE(pimble.showsWindow());
  const auto [service, menuPath] = lastItemMenu();
  ASSERT_FALSE(menuPath.isEmpty());
  QDBusInterface item(service, "/StatusNotifierItem", "org.kde.StatusNotifierItem");
  ASSERT_TRUE(item.isValid());
  EXPECT_EQ(item.property("Title").toString(), "Pimble Glimmet");

  std::vector<MenuLine> menu = openMenu(service, menuPath);
  const QStringList first = labels(menu);
  ASSERT_GE(first.size(), 10) << first.join(" | ").toStdString();
  EXPECT_TRUE(first.front().startsWith("Next: ")) << first.front().toStdString();
  EXPECT_TRUE(first.contains("Summon Pimble"));
  EXPECT_TRUE(first.contains("Hide companion"));
  EXPECT_TRUE(first.contains("Quit Pimble Glimmet"));

  // Hiding the character from the menu: the next opening has no such entry.
  int hide = -1;
  for (const MenuLine& l : menu)
    if (l.label == "Hide companion") hide = l.id;
  ASSERT_TRUE(clickEntry(service, menuPath, hide));
  EXPECT_TRUE(waitUntil([&] { return !pimble.showsWindow(100ms); }, 10s));
  EXPECT_TRUE(waitUntil(
      [&] { return !labels(openMenu(service, menuPath)).contains("Hide companion"); }, 10s));

  // Quitting from the menu saves, then ends the program.
  int quit = -1;
  for (const MenuLine& l : openMenu(service, menuPath))
    if (l.label == "Quit Pimble Glimmet") quit = l.id;
  ASSERT_TRUE(clickEntry(service, menuPath, quit));
  EXPECT_EQ(pimble.finish(), 0);
  FilePersistence store(data_.toStdString());
  EXPECT_TRUE(store.load<ScheduleSnapshot>("schedule"));
  EXPECT_TRUE(store.load<ActivityData>("activity"));
  const auto settings = store.load<AppSettings>("settings");
  ASSERT_TRUE(settings);
  EXPECT_FALSE(settings->showCompanion);
}

// A panel sends a click with the entry's number in the menu as it last
// read it, which may be before the menu changed: every entry that stays
// keeps its number.
TEST_F(TrayProcess, AClickReachesItsEntryAfterTheMenuChangedMeanwhile) {
  auto watcher = startStatusNotifierWatcher(true);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.started());
  ASSERT_TRUE(pimble.showsWindow());
  const auto [service, path] = lastItemMenu();
  ASSERT_FALSE(path.isEmpty());
  const MenuNode read = layout(service, path);
  ASSERT_TRUE(clickEntry(service, path, entryLabelled(read, "Hide companion")));
  EXPECT_TRUE(
      waitUntil([&] { return entryLabelled(layout(service, path), "Hide companion") < 0; }));
  ASSERT_TRUE(clickEntry(service, path, entryLabelled(read, "Quit Pimble Glimmet")));
  EXPECT_EQ(pimble.finish(), 0);
  const auto settings = FilePersistence(data_.toStdString()).load<AppSettings>("settings");
  ASSERT_TRUE(settings);
  EXPECT_FALSE(settings->showCompanion);
}

// A program opened from the menu starts with the environment the program
// was started with, not with what it chose for itself, and with none of its
// open files.
TEST_F(TrayProcess, TheBrowserOfASessionTimerGetsTheEnvironmentTheProgramWasStartedWith) {
  if (auto why = missingProgram("gdbus")) GTEST_SKIP() << *why;
  auto watcher = startStatusNotifierWatcher(true);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  // The default https handler writes down its descriptors and environment.
  const QString browser = dir_.path() + "/browser";
  ASSERT_TRUE(writeFile(browser,
                        "#!/bin/sh\nls /proc/self/fd > \"$0.fds\"\n"
                        "env > \"$0.part\" && mv \"$0.part\" \"$0.env\"\n"));
  QFile::setPermissions(browser, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  ASSERT_TRUE(writeFile(
      dir_.path() + "/share/applications/test-browser.desktop",
      "[Desktop Entry]\nType=Application\nName=Browser\nExec=\"" + browser.toUtf8() + "\" %u\n"));
  for (const QString& platform : {QString(), QStringLiteral("xcb;offscreen")}) {
    data_ = dir_.path() + "/data" + QString::number(platform.size());
    seed(true);
    ASSERT_TRUE(writeFile(data_ + "-config/mimeapps.list",
                          "[Default Applications]\nx-scheme-handler/https=test-browser.desktop\n"));
    // A desktop's session manager, which Pimble keeps to itself but not
    // from what it opens.
    const QString sessionManager = "SESSION_MANAGER=local/test:@/tmp/.ICE-unix/1";
    Pimble pimble(data_, {},
                  {"XDG_DATA_HOME=" + dir_.path() + "/share", sessionManager,
                   platform.isEmpty() ? "QT_QPA_PLATFORM" : "QT_QPA_PLATFORM=" + platform});
    ASSERT_TRUE(pimble.showsWindow());
    const auto [service, menuPath] = lastItemMenu();
    ASSERT_FALSE(menuPath.isEmpty());
    int timer = -1;
    const std::vector<MenuLine> menu = openMenu(service, menuPath, -1);
    for (const MenuLine& l : menu)
      if (l.label.endsWith(" 15 min")) timer = l.id;
    ASSERT_NE(timer, -1) << labels(menu).join(" | ").toStdString();
    ASSERT_TRUE(clickEntry(service, menuPath, timer));
    QFile opened(browser + ".env");
    ASSERT_TRUE(waitUntil([&] { return opened.exists(); }, 10s));
    ASSERT_TRUE(opened.open(QIODevice::ReadOnly));
    const QStringList seen = QString::fromLocal8Bit(opened.readAll()).split('\n');
    EXPECT_EQ(seen.filter(QRegularExpression("^QT_QPA_PLATFORM=")).join(' ').toStdString(),
              platform.isEmpty() ? "" : "QT_QPA_PLATFORM=" + platform.toStdString());
    EXPECT_TRUE(seen.contains(sessionManager));
    opened.remove();
    // The standard three, and the one ls reads the list with.
    QFile descriptors(browser + ".fds");
    ASSERT_TRUE(descriptors.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromLatin1(descriptors.readAll()).simplified().toStdString(), "0 1 2 3");
    EXPECT_EQ(pimble.end(), 0);
  }
}

// A panel such as Xfce's lays the menu out from what it holds before it
// announces an opening: the exported menu follows the state at once, and its
// images are drawn at menu size to read on a light and on a dark menu.
TEST_F(TrayProcess, ItsExportedMenuFollowsTheStateBeforeAnyOpening) {
  auto watcher = startStatusNotifierWatcher(true);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.started());
  const auto [service, path] = lastItemMenu();
  ASSERT_FALSE(path.isEmpty());
  auto find = [&](const QString& label) { return entryLabelled(layout(service, path), label); };
  auto click = [&](int id) { return clickEntry(service, path, id); };
  ASSERT_TRUE(click(find("Hide companion")));
  EXPECT_TRUE(waitUntil([&] { return find("Hide companion") < 0; }));
  ASSERT_TRUE(click(find("Summon Pimble")));
  EXPECT_TRUE(waitUntil([&] { return find("Hide companion") >= 0; }));

  // Drawn, not theme icons a panel shows at its theme's sizes; 16 pixels; a
  // grey with a contrast of 3:1 at least on white and on a dark theme's menu
  // (#303030): between #797979 and #959595.
  int images = 0;
  std::function<void(const MenuNode&)> check = [&](const MenuNode& node) {
    EXPECT_FALSE(node.properties.contains("icon-name")) << node.id;
    const QImage image = QImage::fromData(node.properties.value("icon-data").toByteArray());
    int unreadable = 0;
    for (int i = 0; i < image.width() * image.height(); ++i) {
      const QRgb p = image.pixel(i % image.width(), i / image.width());
      unreadable += qAlpha(p) == 255 && (qGray(p) < 0x79 || qGray(p) > 0x95);
    }
    EXPECT_EQ(unreadable, 0) << node.id;
    images += !image.isNull();
    EXPECT_TRUE(image.isNull() || image.size() == QSize(16, 16)) << node.id;
    for (const MenuNode& child : node.children) check(child);
  };
  check(layout(service, path));
  EXPECT_GT(images, 15);
  EXPECT_EQ(pimble.end(), 0);
}

// The program comes up before the panel's tray: the icon follows the tray.
TEST_F(TrayProcess, ATrayThatComesUpAfterTheProgramGetsTheIcon) {
  auto watcher = startStatusNotifierWatcher(false);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.started());
  ASSERT_TRUE(pimble.showsWindow());
  waitUntil([] { return false; }, 500ms);
  EXPECT_TRUE(registeredItems().isEmpty());
  QDBusMessage call =
      QDBusMessage::createMethodCall("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                     "org.kde.StatusNotifierWatcher", "SetHost");
  call << true;
  QDBusConnection::sessionBus().call(call);
  EXPECT_TRUE(waitUntil([] { return !registeredItems().isEmpty(); }, 10s));
  EXPECT_EQ(pimble.end(), 0);
}

// No tray anywhere: the program runs, and a right click on the character
// opens its menu.
TEST_F(TrayProcess, WithoutATrayTheCharactersMenuOpensOnARightClick) {
  Pimble pimble(data_);
  ASSERT_TRUE(pimble.started());
  const std::optional<QRect> character = shownPlace(pimble.shownCharacter());
  ASSERT_TRUE(character) << "the character was not shown where it was put";
  const std::size_t before = visibleWindows(pimble).size();
  // The body's middle: canvas (110, 150) of 220 × 310, scaled to the height.
  const double scale = character->height() / 310.0;
  const QPoint body(character->left() + character->width() / 2,
                    character->top() + int(150 * scale));
  ASSERT_TRUE(runTool("xdotool", {"mousemove", QString::number(body.x()), QString::number(body.y()),
                                  "click", "3"}));
  EXPECT_TRUE(waitUntil([&] { return visibleWindows(pimble).size() == before + 1; }));
  saveScreenshot("process-context-menu.png");
  runTool("xdotool", {"key", "Escape"});
  EXPECT_TRUE(waitUntil([&] { return visibleWindows(pimble).size() == before; }));
  EXPECT_EQ(pimble.end(), 0);
}

}  // namespace
}  // namespace pimble::testing
