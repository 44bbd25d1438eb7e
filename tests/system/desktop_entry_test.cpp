#include "system/desktop_entry.h"

#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>
#include <QTemporaryDir>

#include "system/desktop_entries.h"
#include "system/fake_time_source.h"
#include "system/mime_apps.h"
#include "system/probe_test_support.h"
#include "system/workspace.h"

namespace pimble {
namespace {

using testing::ScopedEnv;
using testing::writeFile;

DesktopEntry entryWithExec(const QString& exec) {
  const QByteArray text =
      "[Desktop Entry]\nType=Application\nName=Viewer\nIcon=viewer\nExec=" + exec.toUtf8() + "\n";
  return *DesktopEntry::parse(text, "/apps/viewer.desktop", "viewer", {});
}

TEST(DesktopEntryTest, ExecIsSplitLikeTheDesktopEntryRulesWithFieldCodesRemoved) {
  EXPECT_EQ(entryWithExec("viewer %U").commandLine(), QStringList{"viewer"});
  EXPECT_EQ(entryWithExec("viewer --new-window %f --x=%u").commandLine(),
            (QStringList{"viewer", "--new-window", "--x="}));
  EXPECT_EQ(entryWithExec(R"("/opt/My App/run" "a \"quoted\" \$HOME \\ arg" 100%%)").commandLine(),
            (QStringList{"/opt/My App/run", R"(a "quoted" $HOME \ arg)", "100%"}));
  // %i becomes two words, %c the name, %k the file.
  EXPECT_EQ(entryWithExec("viewer %i --title=%c --from %k").commandLine(),
            (QStringList{"viewer", "--icon", "viewer", "--title=Viewer", "--from",
                         "/apps/viewer.desktop"}));
  // The string escapes of the file format apply before the Exec rules.
  EXPECT_EQ(entryWithExec(R"(viewer\sopen "--dir=C:\\\\x")").commandLine(),
            (QStringList{"viewer", "open", R"(--dir=C:\x)"}));
}

TEST(DesktopEntryTest, MalformedExecGivesNoCommand) {
  EXPECT_FALSE(entryWithExec("").commandLine());
  EXPECT_FALSE(entryWithExec("%U").commandLine());
  EXPECT_FALSE(entryWithExec(R"(viewer "open quote)").commandLine());
  EXPECT_FALSE(entryWithExec("viewer %z").commandLine());
  EXPECT_FALSE(entryWithExec("viewer 100%").commandLine());
  EXPECT_FALSE(entryWithExec("viewer").isRunnable());  // no such program on PATH
}

TEST(DesktopEntryTest, ReadsTheMainGroupOnlyWithLocalizedName) {
  const QByteArray text =
      "# comment\n[Desktop Entry]\nType=Application\nName=Files\nName[de]=Dateien\n"
      "Name[de_AT]=Dateien (AT)\nCategories=Utility;Game;\nNoDisplay=true\n"
      "[Desktop Action new]\nName=Other\nExec=other\n";
  const auto entry = DesktopEntry::parse(text, "p", "files", {"de_DE", "de"});
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->name, "Dateien");
  EXPECT_EQ(entry->categories, (QStringList{"Utility", "Game"}));
  EXPECT_TRUE(entry->exec.isEmpty());  // the action's Exec is not the entry's
  EXPECT_FALSE(entry->isListed());
  EXPECT_FALSE(DesktopEntry::parse("[Other Group]\nName=x\n", "p", "x", {}));
  EXPECT_FALSE(DesktopEntry::load("/nonexistent/x.desktop", "x", {}));

  ScopedEnv lcAll("LC_ALL", QString("de_AT.UTF-8@euro"));
  EXPECT_EQ(DesktopEntry::preferredLanguages(),
            (QStringList{"de_AT@euro", "de_AT", "de@euro", "de"}));
  ScopedEnv c("LC_ALL", QString("C"));
  EXPECT_TRUE(DesktopEntry::preferredLanguages().isEmpty());
}

class DesktopFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(home_.isValid());
    dataHome_.emplace("XDG_DATA_HOME", home_.filePath("data"));
    dataDirs_.emplace("XDG_DATA_DIRS", home_.filePath("system"));
    configHome_.emplace("XDG_CONFIG_HOME", home_.filePath("config"));
    configDirs_.emplace("XDG_CONFIG_DIRS", home_.filePath("sysconfig"));
    desktop_.emplace("XDG_CURRENT_DESKTOP", QString("Test:Other"));
  }
  void app(const QString& relative, const QByteArray& body) {
    ASSERT_TRUE(writeFile(home_.filePath(relative),
                          "[Desktop Entry]\nType=Application\nExec=/bin/true\n" + body));
  }

  QTemporaryDir home_;
  std::optional<ScopedEnv> dataHome_, dataDirs_, configHome_, configDirs_, desktop_;
};

TEST_F(DesktopFolders, TheUsersEntryHidesTheSystemsAndSubfoldersGiveDashedIds) {
  app("system/applications/editor.desktop", "Name=System Editor\n");
  app("data/applications/editor.desktop", "Name=My Editor\nIcon=/no/such/icon.png\n");
  app("system/applications/org/tool.desktop", "Name=Tool\nStartupWMClass=ToolWin\n");
  app("system/applications/gone.desktop", "Name=Gone\nHidden=true\n");
  app("system/applications/quiet.desktop", "Name=Quiet\nNoDisplay=true\n");
  DesktopEntries entries;
  EXPECT_EQ(entries.byId("editor")->name, "My Editor");
  EXPECT_EQ(entries.byId("org-tool.desktop")->name, "Tool");
  EXPECT_FALSE(entries.byId("gone"));
  std::vector<QString> names;
  for (const auto& e : entries.installed()) names.push_back(e.name);
  EXPECT_EQ(names, (std::vector<QString>{"My Editor", "Tool"}));

  // Added later: picked up without a restart.
  app("data/applications/late.desktop", "Name=Late\n");
  EXPECT_TRUE(entries.byId("late"));

  WindowIdentity window;
  window.wmInstance = "tool";
  window.wmClass = "toolwin";  // StartupWMClass matches regardless of case
  EXPECT_EQ(entries.forWindow(window)->id, "org-tool");
  window = {};
  window.wmClass = "Editor";  // the class names the id
  EXPECT_EQ(entries.forWindow(window)->id, "editor");
  window = {};
  window.gtkApplicationId = "quiet";
  EXPECT_EQ(entries.forWindow(window)->id, "quiet");
  window = {};
  window.executable = "/usr/bin/true";
  window.firstArgument = "/bin/true";
  EXPECT_TRUE(entries.forWindow(window));
  window = {};
  window.wmClass = "Unknown";
  EXPECT_FALSE(entries.forWindow(window));
}

TEST_F(DesktopFolders, DefaultBrowserComesFromTheFirstMimeappsListNamingAnInstalledApp) {
  app("data/applications/firefox.desktop", "Name=Firefox\nCategories=Network;WebBrowser;\n");
  app("system/applications/chromium.desktop", "Name=Chromium\n");
  ASSERT_TRUE(writeFile(home_.filePath("sysconfig/mimeapps.list"),
                        "[Default Applications]\nx-scheme-handler/https=chromium.desktop\n"));
  FakeTimeSource time;
  Workspace workspace(time);
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"chromium", "Chromium"}));
  // The user's own file wins; an uninstalled first choice is passed over;
  // the desktop-specific file comes before the plain one.
  ASSERT_TRUE(writeFile(home_.filePath("config/mimeapps.list"),
                        "[Added Associations]\nx-scheme-handler/https=chromium.desktop;\n"
                        "[Default Applications]\nx-scheme-handler/https=missing.desktop;"
                        "firefox.desktop;\n"));
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"firefox", "Firefox"}));
  ASSERT_TRUE(writeFile(home_.filePath("config/test-mimeapps.list"),
                        "[Default Applications]\nx-scheme-handler/https=chromium.desktop\n"));
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"chromium", "Chromium"}));
  ASSERT_TRUE(writeFile(home_.filePath("config/test-mimeapps.list"), "garbage\n\0\xff"));
  ASSERT_TRUE(writeFile(home_.filePath("config/mimeapps.list"), ""));
  ASSERT_TRUE(writeFile(home_.filePath("sysconfig/mimeapps.list"),
                        "[Default Applications]\nx-scheme-handler/http=firefox.desktop\n"));
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"firefox", "Firefox"}));
  ASSERT_TRUE(writeFile(home_.filePath("sysconfig/mimeapps.list"), ""));
  EXPECT_FALSE(workspace.defaultBrowser());
}

TEST_F(DesktopFolders, WithoutADefaultTheBrowserIsAnInstalledApplicationThatOpensHttps) {
  app("system/applications/firefox-esr.desktop",
      "Name=Firefox ESR\nMimeType=text/html;x-scheme-handler/https;\n");
  app("data/applications/viewer.desktop", "Name=Viewer\nMimeType=text/html;\n");
  FakeTimeSource time;
  Workspace workspace(time);
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"firefox-esr", "Firefox ESR"}));
  // A folder's mimeinfo.cache gives its order; the user's added association
  // comes first, and one the user removed is passed over.
  app("system/applications/zen.desktop", "Name=Zen\nMimeType=x-scheme-handler/https;\n");
  ASSERT_TRUE(writeFile(home_.filePath("system/applications/mimeinfo.cache"),
                        "[MIME Cache]\nx-scheme-handler/https=gone.desktop;zen.desktop;\n"));
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"zen", "Zen"}));
  ASSERT_TRUE(writeFile(home_.filePath("config/mimeapps.list"),
                        "[Removed Associations]\nx-scheme-handler/https=zen.desktop\n"));
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"firefox-esr", "Firefox ESR"}));
  ASSERT_TRUE(writeFile(home_.filePath("data/applications/mimeapps.list"),
                        "[Added Associations]\nx-scheme-handler/https=viewer.desktop;\n"));
  EXPECT_EQ(workspace.defaultBrowser(), (ReturnTarget{"viewer", "Viewer"}));
}

TEST_F(DesktopFolders, PickedFilesNameTheirAppAndCategoriesGoToTheCatalogueAsWritten) {
  app("data/applications/game.desktop", "Name=Chess\nCategories=Game;BoardGame;\n");
  app("data/applications/tv.desktop", "Name=TV\nCategories=AudioVideo;Video;Player;\n");
  app("data/applications/plain.desktop", "Categories=;\n");
  FakeTimeSource time;
  Workspace workspace(time);
  EXPECT_EQ(workspace.appStoreCategory("game"), "Game;BoardGame;");
  EXPECT_EQ(workspace.appStoreCategory("tv"), "AudioVideo;Video;Player;");
  EXPECT_FALSE(workspace.appStoreCategory("plain"));
  EXPECT_FALSE(workspace.appStoreCategory("unknown"));

  // An icon given as a file is used as it is; a missing file is not an icon.
  QImage image(16, 16, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::red);
  ASSERT_TRUE(image.save(home_.filePath("chess.png"), "PNG"));
  app("data/applications/iconic.desktop",
      "Name=Iconic\nIcon=" + home_.filePath("chess.png").toUtf8());
  app("data/applications/broken.desktop",
      "Name=Broken\nIcon=" + home_.filePath("gone.png").toUtf8());
  EXPECT_FALSE(workspace.icon("iconic").pixmap(16).isNull());
  EXPECT_EQ(workspace.icon("broken").isNull(),
            QIcon::fromTheme("application-x-executable").isNull());

  EXPECT_EQ(Workspace::target(home_.filePath("data/applications/game.desktop")),
            (ReturnTarget{"game", "Chess"}));
  // Without a Name, the file name stands in.
  EXPECT_EQ(Workspace::target(home_.filePath("data/applications/plain.desktop")),
            (ReturnTarget{"plain", "plain"}));
  EXPECT_FALSE(Workspace::target(home_.filePath("data/applications/none.desktop")));
  ASSERT_TRUE(writeFile(home_.filePath("link.desktop"), "[Desktop Entry]\nType=Link\nURL=x\n"));
  EXPECT_FALSE(Workspace::target(home_.filePath("link.desktop")));
}

}  // namespace
}  // namespace pimble
