// The settings window: one window, kept and hidden when closed, its tabs in
// order, the selection both ways, its size and place, and its keys.
#include <QGuiApplication>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>

#include "bubbles/symbol_image.h"
#include "settings/cape_swatches.h"
#include "settings/settings_fixture.h"
#include "settings/settings_tab_bar.h"
#include "settings/settings_window_controller.h"

namespace pimble {
namespace {

using testing::click;
using testing::SettingsFixture;

class SettingsWindowTest : public SettingsFixture {
 protected:
  SettingsWindowController& controller() {
    if (!controller_) controller_ = std::make_unique<SettingsWindowController>(model());
    return *controller_;
  }
  QWidget* window() { return controller().window(); }
  std::unique_ptr<SettingsWindowController> controller_;
};

TEST_F(SettingsWindowTest, BuiltHiddenWithItsTitleSizeAndTabsInOrder) {
  EXPECT_FALSE(window()->isVisible());
  EXPECT_EQ(window()->windowTitle(), "Pimble Glimmet Settings");
  EXPECT_EQ(window()->size(), QSize(680, 560));
  EXPECT_EQ(window()->minimumSize(), window()->maximumSize()) << "not resizable";
  EXPECT_FALSE(window()->windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_FALSE(window()->testAttribute(Qt::WA_DeleteOnClose));
  EXPECT_EQ(controller().tabBar()->tabs(),
            std::vector<SettingsTab>(allSettingsTabs.begin(), allSettingsTabs.end()));
  EXPECT_EQ(controller().tabBar()->button(SettingsTab::focus)->text(), "Focus && Quiet Hours");
  for (SettingsTab tab : allSettingsTabs) EXPECT_NE(controller().page(tab), nullptr);
  EXPECT_EQ(controller().selection().tab(), SettingsTab::general);
}

TEST_F(SettingsWindowTest, ShowsOnTheTabAskedForOrTheOneLastInFront) {
  controller().show();
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(controller().currentTab(), SettingsTab::general);
  EXPECT_TRUE(controller().page(SettingsTab::general)->isVisible());

  controller().show(SettingsTab::progress);
  EXPECT_EQ(controller().currentTab(), SettingsTab::progress);
  EXPECT_TRUE(controller().tabBar()->button(SettingsTab::progress)->isChecked());
  EXPECT_TRUE(controller().page(SettingsTab::progress)->isVisible());

  // The user picks a tab, closes the window, and opens it again without one.
  click(controller().tabBar()->button(SettingsTab::focus));
  EXPECT_EQ(controller().selection().tab(), SettingsTab::focus);
  QWidget* before = window();
  window()->close();
  EXPECT_FALSE(window()->isVisible());
  controller().show();
  EXPECT_EQ(window(), before);
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(controller().currentTab(), SettingsTab::focus);

  // Assigning the selection switches an open window.
  controller().selection().setTab(SettingsTab::appearance);
  EXPECT_EQ(controller().currentTab(), SettingsTab::appearance);
  EXPECT_TRUE(controller().tabBar()->button(SettingsTab::appearance)->isChecked());
}

TEST_F(SettingsWindowTest, CentredOnceAndKeepsItsPlace) {
  QScreen* screen = QGuiApplication::primaryScreen();
  ASSERT_NE(screen, nullptr);
  controller().show();
  const QRect area = screen->availableGeometry();
  EXPECT_LE(qAbs(window()->x() - (area.x() + (area.width() - 680) / 2)), 1);
  EXPECT_LE(qAbs(window()->y() - (area.y() + (area.height() - 560) / 2)), 1);
  window()->move(40, 30);
  window()->close();
  controller().show();
  EXPECT_EQ(window()->pos(), QPoint(40, 30));
}

TEST_F(SettingsWindowTest, KeysCloseTheWindowQuitAndSwitchTabs) {
  int quits = 0;
  controller().onQuit = [&quits] { ++quits; };
  controller().show();
  // Window shortcuts work in the active window; a window manager may
  // refuse a test's request for focus, so the application hands it out.
  QApplication::setActiveWindow(window());
  ASSERT_TRUE(window()->isActiveWindow());
  QTest::keyClick(window(), Qt::Key_Tab, Qt::ControlModifier);
  EXPECT_EQ(controller().currentTab(), SettingsTab::reminders);
  QTest::keyClick(window(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  QTest::keyClick(window(), Qt::Key_PageUp, Qt::ControlModifier);
  EXPECT_EQ(controller().currentTab(), SettingsTab::progress);
  QTest::keyClick(window(), Qt::Key_Q, Qt::ControlModifier);
  EXPECT_EQ(quits, 1);
  EXPECT_TRUE(window()->isVisible());
  QTest::keyClick(window(), Qt::Key_W, Qt::ControlModifier);
  EXPECT_FALSE(window()->isVisible());
  // The window lives on.
  controller().show();
  EXPECT_TRUE(window()->isVisible());
  EXPECT_EQ(controller().currentTab(), SettingsTab::progress);
}

TEST_F(SettingsWindowTest, EveryTabsControlsReachTheSameModel) {
  controller().show(SettingsTab::appearance);
  auto* swatches = controller().page(SettingsTab::appearance)->findChild<CapeSwatches*>();
  ASSERT_NE(swatches, nullptr);
  click(swatches->swatch(CapeColor::blue));
  EXPECT_EQ(model().settings().capeColor, CapeColor::blue);
}

TEST(SettingsTabTest, RawValuesLabelsAndSymbols) {
  EXPECT_EQ(settingsTabFromRawValue("focus"), SettingsTab::focus);
  EXPECT_EQ(settingsTabFromRawValue("progress"), SettingsTab::progress);
  EXPECT_EQ(settingsTabFromRawValue("Focus"), std::nullopt);
  EXPECT_EQ(settingsTabFromRawValue(""), std::nullopt);
  EXPECT_EQ(label(SettingsTab::focus), "Focus & Quiet Hours");
  EXPECT_EQ(symbolName(SettingsTab::progress), "chart.bar");
  for (SettingsTab tab : allSettingsTabs) {
    EXPECT_EQ(settingsTabFromRawValue(rawValue(tab)), tab);
    EXPECT_TRUE(SymbolImage::isKnown(symbolName(tab))) << rawValue(tab);
  }
}

TEST(CapeSwatchesTest, SevenRingedSwatchesThatReportClicksOnly) {
  CapeSwatches row;
  row.show();
  QSignalSpy picked(&row, &CapeSwatches::colorPicked);
  row.setSelection(CapeColor::red);
  EXPECT_EQ(picked.count(), 0);
  EXPECT_EQ(row.sizeHint(), QSize(7 * 30 + 6 * 10, 30));
  for (CapeColor c : allCases<CapeColor>())
    EXPECT_EQ(row.swatch(c)->isChecked(), c == CapeColor::red) << enumName(c);
  EXPECT_EQ(row.swatch(CapeColor::gold)->toolTip(), "Golden");
  EXPECT_EQ(row.swatch(CapeColor::gold)->accessibleName(), "Golden cape");
  click(row.swatch(CapeColor::midnight));
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked.at(0).at(0).value<CapeColor>(), CapeColor::midnight);
  // The chosen swatch clicked again reports again.
  row.setSelection(CapeColor::midnight);
  click(row.swatch(CapeColor::midnight));
  EXPECT_EQ(picked.count(), 2);
  // The ring is drawn in the accent colour around the chosen swatch only.
  const QImage chosen = row.swatch(CapeColor::midnight)->grab().toImage();
  const QImage other = row.swatch(CapeColor::red)->grab().toImage();
  const QColor accent = row.palette().color(QPalette::Highlight);
  auto near = [](QColor a, QColor b) {
    return qAbs(a.red() - b.red()) + qAbs(a.green() - b.green()) + qAbs(a.blue() - b.blue()) < 60;
  };
  EXPECT_TRUE(near(chosen.pixelColor(15, 1), accent));
  EXPECT_FALSE(near(other.pixelColor(15, 1), accent));
}

}  // namespace
}  // namespace pimble
