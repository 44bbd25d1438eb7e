// Under GNOME, MATE, Xfce and Cinnamon Qt loads its GTK theme (or, without
// it, its own GNOME theme), whose buttons take Return and Enter for
// themselves and whose pickers open their list on them. The bubbles' key
// cases run again in a copy of this test program under each theme, chosen
// on purpose rather than left to the desktop the tests happen to run on.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "support/desktop_peers.h"

namespace pimble {
namespace {

// The cases whose keys a theme could take; each must pass in the copy.
const QStringList keyCases = {
    "ReminderBubble.ButtonsAndKeys",
    "BubbleKeys.ReturnAndEscapeAnswerFromEveryControl",
    "BubbleKeys.AnOpenListOrMenuKeepsItsKeys",
    "BubbleKeys.EveryControlShowsWhenItHasTheKeyboard",
    "BubblePanel.OnlyUserOpenedContentTakesTheKeyboard",
    "BubbleFocusDesktop.ReturnAnswersDoneWhereverTabMovedTheKeyboard",
};

constexpr const char* notInForce = "theme not in force: ";

bool gtkLoaded() {
  void* gtk = dlopen("libgtk-3.so.0", RTLD_LAZY | RTLD_NOLOAD);
  if (gtk != nullptr) dlclose(gtk);
  return gtk != nullptr;
}

// In the copy: the theme asked for is the one in force, or the copy skips
// with why, and the key cases would prove nothing.
void checkThemeInForce(const QString& theme) {
  QPushButton plain(QStringLiteral("Plain"));
  int clicks = 0;
  QObject::connect(&plain, &QPushButton::clicked, [&clicks] { ++clicks; });
  plain.setAttribute(Qt::WA_DontShowOnScreen);
  plain.show();
  plain.setFocus();
  QTest::keyClick(&plain, Qt::Key_Return);
  if (clicks != 1) {
    GTEST_SKIP() << notInForce << "Return does not press a focused button under "
                 << theme.toStdString()
                 << (theme == "gtk3" ? " (is qt6-gtk-platformtheme installed?)" : "");
  }
  if (theme == "gtk3" && !gtkLoaded()) {
    GTEST_SKIP() << notInForce << "GTK is not loaded";
  }
  if (theme == "gnome") {
    EXPECT_FALSE(gtkLoaded()) << "Qt's own GNOME theme loads no GTK";
  }
}

class BubbleKeysUnderTheme : public ::testing::TestWithParam<const char*> {};

TEST_P(BubbleKeysUnderTheme, AnswerAsUnderNone) {
  const QString theme = QString::fromLatin1(GetParam());
  if (qEnvironmentVariable("PIMBLE_TEST_THEME") == theme) return checkThemeInForce(theme);
  // Qt offers these themes on X only, and GTK needs a display.
  if (auto why = testing::missingX()) GTEST_SKIP() << *why;
  const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
  const QString self = QStringLiteral("%1.%2").arg(test->test_suite_name(), test->name());
  // The desktop's and the user's own settings stay out: GTK reads its
  // settings, themes and modules from these.
  QTemporaryDir home;
  ASSERT_TRUE(home.isValid());
  const testing::CopyRun copy = testing::runThisTestInACopy(
      {"PIMBLE_TEST_THEME=" + theme, "QT_QPA_PLATFORMTHEME=" + theme,
       "XDG_CONFIG_HOME=" + home.filePath("config"), "XDG_DATA_HOME=" + home.filePath("data"),
       "XDG_CACHE_HOME=" + home.filePath("cache"), "XDG_STATE_HOME=" + home.filePath("state"),
       "XDG_CURRENT_DESKTOP", "GTK_THEME", "GTK_MODULES", "GDK_BACKEND", "GDK_SCALE",
       "GDK_DPI_SCALE", "NO_AT_BRIDGE=1",
       // Without CI: a theme not in force is this case's skip, told with why.
       "CI"},
      std::chrono::seconds(90), keyCases);
  const QString output = QString::fromUtf8(copy.output);
  // The copy's verdicts are this case's to give: ctest would take a skip
  // line of the copy's for this case's skip.
  std::fputs(QString(output).replace("[  SKIPPED ]", "[  skipped ]").toUtf8().constData(), stdout);
  ASSERT_TRUE(copy.finished);
  if (output.contains("[  SKIPPED ] " + self)) {
    const qsizetype at = output.indexOf(QLatin1String(notInForce));
    GTEST_SKIP() << (at < 0 ? QStringLiteral("theme not in force")
                            : output.mid(at, output.indexOf('\n', at) - at))
                        .toStdString();
  }
  for (const QString& name : keyCases)
    EXPECT_TRUE(output.contains("[       OK ] " + name))
        << name.toStdString() << " under " << GetParam();
  EXPECT_FALSE(copy.crashed);
  EXPECT_EQ(copy.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(Themes, BubbleKeysUnderTheme, ::testing::Values("gtk3", "gnome"),
                         [](const auto& info) { return std::string(info.param); });

}  // namespace
}  // namespace pimble
