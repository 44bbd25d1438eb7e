// The settings window: one window, kept and hidden when closed, its tabs in
// order, the selection both ways, its place, and its keys.
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
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

TEST_F(SettingsWindowTest, ShowsOnTheTabAskedForOrTheOneLastInFrontAndKeepsItsPlace) {
  EXPECT_FALSE(window()->isVisible()) << "built hidden";
  EXPECT_EQ(window()->minimumSize(), window()->maximumSize()) << "not resizable";
  EXPECT_EQ(controller().tabBar()->tabs(),
            std::vector<SettingsTab>(allSettingsTabs.begin(), allSettingsTabs.end()));
  controller().show();
  EXPECT_EQ(controller().currentTab(), SettingsTab::general);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_LE(qAbs(window()->x() - (area.x() + (area.width() - window()->width()) / 2)), 1);
  EXPECT_LE(qAbs(window()->y() - (area.y() + (area.height() - window()->height()) / 2)), 1);

  controller().show(SettingsTab::progress);
  EXPECT_TRUE(controller().page(SettingsTab::progress)->isVisible());

  // The user picks a tab, moves the window, closes it, and opens it again
  // without naming a tab.
  click(controller().tabBar()->button(SettingsTab::focus));
  EXPECT_EQ(controller().selection().tab(), SettingsTab::focus);
  window()->move(40, 30);
  QWidget* before = window();
  window()->close();
  EXPECT_FALSE(window()->isVisible());
  controller().show();
  EXPECT_EQ(window(), before);
  EXPECT_EQ(controller().currentTab(), SettingsTab::focus);
  EXPECT_EQ(window()->pos(), QPoint(40, 30));

  // Assigning the selection switches an open window.
  controller().selection().setTab(SettingsTab::appearance);
  EXPECT_EQ(controller().currentTab(), SettingsTab::appearance);
  EXPECT_TRUE(controller().tabBar()->button(SettingsTab::appearance)->isChecked());
  auto* swatches = controller().page(SettingsTab::appearance)->findChild<CapeSwatches*>();
  ASSERT_NE(swatches, nullptr);
  click(swatches->swatch(CapeColor::blue));
  EXPECT_EQ(model().settings().capeColor, CapeColor::blue);
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
}

// A page that scrolls ends where its content ends, also as it grows while
// it is open, and still scrolls to the very end of what it holds.
TEST_F(SettingsWindowTest, APageThatScrollsEndsWhereItsContentEnds) {
  controller().show();
  for (SettingsTab tab : allSettingsTabs) {
    controller().show(tab);
    QApplication::sendPostedEvents();
    QApplication::processEvents();
    EXPECT_EQ(testing::emptyPastTheEnd(controller().page(tab)), 0) << rawValue(tab);
  }

  controller().show(SettingsTab::awareness);
  QWidget* awareness = controller().page(SettingsTab::awareness);
  const int before = awareness->height();
  for (const char* name : {"First", "Second", "Third", "Fourth"})
    model().watch({std::string("test.pimble.") + name, name});
  QApplication::sendPostedEvents();
  QApplication::processEvents();
  EXPECT_GT(awareness->height(), before);
  EXPECT_EQ(testing::emptyPastTheEnd(awareness), 0);
  auto* page = controller().window()->findChild<QScrollArea*>(QStringLiteral("awarenessPage"));
  ASSERT_NE(page, nullptr);
  page->verticalScrollBar()->setValue(page->verticalScrollBar()->maximum());
  QApplication::processEvents();
  for (QWidget* w : awareness->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(awareness)) continue;
    const QRect seen(w->mapTo(page->viewport(), QPoint()), w->size());
    EXPECT_LE(seen.bottom(), page->viewport()->rect().bottom())
        << "cannot scroll to " << w->metaObject()->className() << " "
        << w->objectName().toStdString();
  }

  // A personal reminder added opens in the editor.
  controller().show(SettingsTab::reminders);
  model().addCustomReminder();
  QApplication::sendPostedEvents();
  QApplication::processEvents();
  EXPECT_EQ(testing::emptyPastTheEnd(controller().page(SettingsTab::reminders)), 0);
}

TEST(SettingsTabTest, RawValuesGoBothWaysAndEverySymbolIsDrawn) {
  EXPECT_EQ(settingsTabFromRawValue("Focus"), std::nullopt);
  for (SettingsTab tab : allSettingsTabs) {
    EXPECT_EQ(settingsTabFromRawValue(rawValue(tab)), tab);
    EXPECT_TRUE(SymbolImage::isKnown(symbolName(tab))) << rawValue(tab);
  }
}

TEST(CapeSwatchesTest, OnlyClicksReportAndTheRingMarksTheChosenSwatch) {
  CapeSwatches row;
  row.show();
  QSignalSpy picked(&row, &CapeSwatches::colorPicked);
  row.setSelection(CapeColor::red);
  EXPECT_EQ(picked.count(), 0);
  for (CapeColor c : allCases<CapeColor>())
    EXPECT_EQ(row.swatch(c)->isChecked(), c == CapeColor::red) << enumName(c);
  click(row.swatch(CapeColor::midnight));
  ASSERT_EQ(picked.count(), 1);
  EXPECT_EQ(picked.at(0).at(0).value<CapeColor>(), CapeColor::midnight);
  // The chosen swatch clicked again reports again.
  row.setSelection(CapeColor::midnight);
  click(row.swatch(CapeColor::midnight));
  EXPECT_EQ(picked.count(), 2);
  const QColor accent = row.palette().color(QPalette::Highlight);
  auto ringed = [&](CapeColor c) {
    const QColor top = row.swatch(c)->grab().toImage().pixelColor(15, 1);
    return qAbs(top.red() - accent.red()) + qAbs(top.green() - accent.green()) +
               qAbs(top.blue() - accent.blue()) <
           60;
  };
  EXPECT_TRUE(ringed(CapeColor::midnight));
  EXPECT_FALSE(ringed(CapeColor::red));
}

}  // namespace
}  // namespace pimble
