// The tray icon's drawing, the status menu rebuilt at each opening, and the
// icon made when a tray is there: a fake one, then trayer and a mocked
// StatusNotifierWatcher on the headless desktop.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QSystemTrayIcon>
#include <cmath>

#include "app/desktop_services.h"
#include "app/fake_desktop.h"
#include "app/fake_menu_actions.h"
#include "app/status_item.h"
#include "app/tray_hosts.h"
#include "companion/glimmet_artwork.h"
#include "system/tray_host_watch.h"

namespace pimble::testing {
namespace {

using namespace std::chrono_literals;

// The box of the pixels with any opacity.
QRect opaqueBox(const QImage& image) {
  QRect box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (qAlpha(image.pixel(x, y)) > 24) box |= QRect(x, y, 1, 1);
  return box;
}

// How light a pixel looks over a mid-grey panel: fill near 1, holes and
// outline darker.
double lightness(const QImage& image, QPointF at) {
  const QRgb p = image.pixel(int(std::floor(at.x())), int(std::floor(at.y())));
  const double a = qAlpha(p) / 255.0;
  // Premultiplied: the panel shows through what the icon leaves open.
  return (qGray(p) / 255.0) + (1 - a) * 0.5;
}

TEST(StatusIcon, TheSilhouetteIsCentredAtNinetyFourPercentWithTheFaceInPlaceAndFadesWhenPaused) {
  const QRectF body = GlimmetArtwork::bodyPath().boundingRect();
  for (QSize size :
       {QSize(16, 16), QSize(22, 22), QSize(24, 24), QSize(32, 32), QSize(40, 24), QSize(24, 40)}) {
    SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
    const QImage image = StatusItem::iconImage(size, false);
    const QRectF rect(QPointF(0, 0), QSizeF(size));
    const double scale =
        0.94 * std::min(size.width() / body.width(), size.height() / body.height());
    // The drawn box is the silhouette's box at that scale, centred, grown by
    // the outline (one or two pixels) and antialiasing.
    const QRect drawn = opaqueBox(image);
    EXPECT_NEAR(drawn.center().x() + 0.5, rect.center().x(), 1.0);
    EXPECT_NEAR(drawn.center().y() + 0.5, rect.center().y(), 1.0);
    for (const auto& [got, want] : {std::pair{drawn.width(), body.width() * scale},
                                    std::pair{drawn.height(), body.height() * scale}}) {
      EXPECT_GE(got, want);
      EXPECT_LE(got, want + 5);
    }

    const StatusItem::Placement place = StatusItem::iconPlacement(rect);
    EXPECT_DOUBLE_EQ(place.scale, scale);
    // The eyes and the smile are darker than the forehead between them.
    const double forehead = lightness(image, place.map({110, 100}));
    EXPECT_GT(forehead, 0.9);
    EXPECT_LT(lightness(image, place.map(StatusItem::leftEyeCentre())), forehead - 0.15);
    EXPECT_LT(lightness(image, place.map(StatusItem::rightEyeCentre())), forehead - 0.15);
    EXPECT_LT(lightness(image, place.map(StatusItem::smileCentre())), forehead - 0.15);
  }
  // Large enough for real holes: the panel shows through the eyes.
  const QImage large = StatusItem::iconImage(QSize(128, 128), false);
  const StatusItem::Placement place = StatusItem::iconPlacement(QRectF(0, 0, 128, 128));
  const QPointF eye = place.map(StatusItem::leftEyeCentre());
  EXPECT_LT(qAlpha(large.pixel(eye.toPoint())), 40);
  EXPECT_EQ(qAlpha(large.pixel(place.map({110, 100}).toPoint())), 255);

  // Paused: the same shape, faded.
  const QImage plain = StatusItem::iconImage(QSize(22, 22), false);
  const QImage paused = StatusItem::iconImage(QSize(22, 22), true);
  EXPECT_EQ(opaqueBox(plain).adjusted(1, 1, -1, -1), opaqueBox(paused).adjusted(1, 1, -1, -1));
  const QPoint forehead = StatusItem::iconPlacement(QRectF(0, 0, 22, 22)).map({110, 100}).toPoint();
  EXPECT_NEAR(qAlpha(paused.pixel(forehead)), 0.45 * 255, 3);
}

class StatusItemTest : public ::testing::Test {
 protected:
  FakeMenuActions actions;
  FakeTrayHosts hosts;
  std::string summary = "Next: Drink water in 5 min";
  QStringList texts(const QMenu& menu) const {
    QStringList out;
    for (QAction* a : menu.actions()) out << (a->isSeparator() ? "-" : a->text());
    return out;
  }
};

TEST_F(StatusItemTest, TheMenuIsRebuiltWhenItOpensAndTheIconMadeWhenATrayComesUp) {
  Reminder walk;
  walk.title = "Take a walk";
  walk.isEnabled = false;
  actions.reminders = {walk};
  StatusItem item(
      actions, [this] { return summary; }, &hosts);
  emit item.menu().aboutToShow();
  EXPECT_EQ(texts(item.menu()).front(), "Next: Drink water in 5 min");
  // Changes while closed leave the built menu as it was, and show at the
  // next opening.
  actions.reminders[0].isEnabled = true;
  summary = "Reminders paused indefinitely";
  EXPECT_EQ(texts(item.menu()).front(), "Next: Drink water in 5 min");
  emit item.menu().aboutToShow();
  EXPECT_EQ(texts(item.menu()).front(), "Reminders paused indefinitely");
  QMenu* remind = item.menu().actions()[4]->menu();
  ASSERT_NE(remind, nullptr);
  ASSERT_EQ(texts(*remind), QStringList{"Take a walk"});
  remind->actions()[0]->trigger();
  EXPECT_EQ(actions.calls, std::vector<std::string>{"remind:Take a walk"});

  EXPECT_EQ(item.trayIcon(), nullptr);
  item.setPaused(true);
  hosts.appear();
  QSystemTrayIcon* tray = item.trayIcon();
  ASSERT_NE(tray, nullptr);
  EXPECT_EQ(tray->contextMenu(), &item.menu());
  auto alphaAt = [&](QSystemTrayIcon& icon) {
    const QImage image = icon.icon().pixmap(QSize(22, 22)).toImage();
    const QPoint forehead =
        StatusItem::iconPlacement(QRectF(0, 0, 22, 22)).map({110, 100}).toPoint();
    return qAlpha(image.pixel(forehead));
  };
  EXPECT_LT(alphaAt(*tray), 150);
  item.setPaused(false);
  EXPECT_EQ(alphaAt(*tray), 255);
  // A second tray coming up makes no second icon.
  hosts.appear();
  EXPECT_EQ(item.trayIcon(), tray);
  // Without any way to learn of a tray, none is ever made.
  EXPECT_EQ(StatusItem(
                actions, [] { return std::string(); }, nullptr)
                .trayIcon(),
            nullptr);
}

// The live watch finds a tray that comes up after it: trayer's selection on
// the X side, the watcher's host on the StatusNotifierItem side.
TEST(TrayHostWatch, ATrayThatComesUpLaterIsSeen) {
  if (auto why = missingTrayPeers()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("/usr/bin/python3")) GTEST_SKIP() << *why;
  TrayHostWatch watch;
  int changes = 0;
  watch.onChanged = [&] { ++changes; };
  waitUntil([] { return false; }, 100ms);
  EXPECT_FALSE(watch.isAvailable());

  auto trayer = startTrayer();
  ASSERT_TRUE(trayer->started());
  EXPECT_TRUE(waitUntil([&] { return watch.hasXEmbedTray(); }));
  EXPECT_EQ(changes, 1);
  trayer.reset();

  // A watcher whose panel registers its host only later.
  TrayHostWatch sni;
  auto watcher = startStatusNotifierWatcher(false);
  if (!watcher) GTEST_SKIP() << "python3-dbusmock did not start";
  waitUntil([] { return false; }, 200ms);
  EXPECT_FALSE(sni.hasStatusNotifierHost());
  QDBusMessage call =
      QDBusMessage::createMethodCall("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                                     "org.kde.StatusNotifierWatcher", "SetHost");
  call << true;
  QDBusConnection::sessionBus().call(call);
  EXPECT_TRUE(waitUntil([&] { return sni.hasStatusNotifierHost(); }));
  watcher.reset();
  EXPECT_TRUE(waitUntil([&] { return !sni.hasStatusNotifierHost(); }));
}

// The status item in trayer, the XEmbed tray, opened by a real right click.
TEST_F(StatusItemTest, InTrayerTheIconEmbedsAndARightClickOpensTheRebuiltMenu) {
  if (auto why = missingTrayPeers()) GTEST_SKIP() << *why;
  auto trayer = startTrayer();
  ASSERT_TRUE(trayer->started());
  struct LiveHosts : TrayHosts {
    LiveHosts() {
      watch.onChanged = [this] {
        if (watch.isAvailable() && onAppeared) onAppeared();
      };
    }
    bool isAvailable() const override { return watch.isAvailable(); }
    TrayHostWatch watch;
  } live;
  StatusItem item(
      actions, [this] { return summary; }, &live);
  ASSERT_TRUE(waitUntil([&] { return item.trayIcon() != nullptr; }));
  EXPECT_TRUE(QSystemTrayIcon::isSystemTrayAvailable());
  QSystemTrayIcon& tray = *item.trayIcon();
  // Embedded: inside trayer's strip at the top right of the screen.
  ASSERT_TRUE(waitUntil([&] { return tray.geometry().x() > 1000; }));
  // The click goes where trayer shows the icon's window: Qt may know of the
  // window's place in the strip before trayer maps it there.
  QWidget* icon = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String("QSystemTrayIconSys")) icon = w;  // Qt's name for it
  ASSERT_NE(icon, nullptr);
  const std::optional<QRect> shown = shownPlace(QString::number(icon->winId()));
  ASSERT_TRUE(shown) << "the icon is not shown in the tray";

  summary = "Next: Take a walk in 1 h";
  const QPoint centre = shown->center();
  ASSERT_TRUE(pointerReaches(QString::number(icon->winId()), centre));
  ASSERT_TRUE(runTool("xdotool", {"mousemove", QString::number(centre.x()),
                                  QString::number(centre.y()), "click", "3"}));
  ASSERT_TRUE(waitUntil([&] { return item.menu().isVisible(); }));
  EXPECT_EQ(texts(item.menu()).front(), "Next: Take a walk in 1 h");
  EXPECT_TRUE(texts(item.menu()).contains("Summon Pimble"));
  EXPECT_TRUE(texts(item.menu()).contains("Quit Pimble Glimmet"));
  saveScreenshot("tray-menu.png");
  runTool("xdotool", {"key", "Escape"});
  EXPECT_TRUE(waitUntil([&] { return !item.menu().isVisible(); }));
}

}  // namespace
}  // namespace pimble::testing
