// The test desktop (tests/desktop-env.sh) that every desktop test runs in,
// started here as a contributor starts it from a terminal of their own
// desktop session: what its tests rely on holds whatever that terminal has
// set, and a folder it cannot make stops it at once.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::string script = PIMBLE_SOURCE_DIR "/tests/desktop-env.sh";

std::string quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

struct Outcome {
  int status = -1;
  std::string output;  // standard output and error
};

Outcome run(const std::string& command) {
  Outcome result;
  FILE* child = ::popen((command + " 2>&1").c_str(), "r");
  if (child == nullptr) return result;
  for (int c; (c = std::fgetc(child)) != EOF;) result.output += char(c);
  const int status = ::pclose(child);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

bool onPath(const std::string& program) {
  return run("command -v " + program + " >/dev/null").status == 0;
}

// A folder of the test's own, removed at its end; its name holds a space,
// as TMPDIR's may.
class DesktopEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "desktop env.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  std::filesystem::path folder_;
};

TEST_F(DesktopEnv, AFolderItCannotMakeStopsItAtOnceWithTheReason) {
  std::ofstream(folder_ / "a file") << "not a folder";
  for (const auto& tmpdir : {folder_ / "missing", folder_ / "a file"}) {
    SCOPED_TRACE(tmpdir.string());
    const Outcome r =
        run("env TMPDIR=" + quoted(tmpdir.string()) + " " + quoted(script) + " echo command ran");
    EXPECT_EQ(r.status, 1) << r.output;
    EXPECT_NE(r.output.find("desktop-env: cannot make the desktop's folder in TMPDIR (" +
                            tmpdir.string() + ")"),
              std::string::npos)
        << r.output;
    EXPECT_EQ(r.output.find("command ran"), std::string::npos) << r.output;
  }
}

// Every variable that made tests fail from a contributor's terminal, at once.
TEST_F(DesktopEnv, TheContributorsSessionStaysOutsideAndItsSoundServerAnswers) {
  if (!onPath("pulseaudio") || !onPath("pactl"))
    GTEST_SKIP() << "pulseaudio and pactl (pulseaudio-utils) are not both installed";
  const std::string session =
      "env TZ=America/New_York LANG=de_DE.UTF-8 LC_ALL=de_DE.UTF-8 LC_NUMERIC=de_DE.UTF-8 "
      "LANGUAGE=de XDG_CURRENT_DESKTOP=GNOME DESKTOP_SESSION=gnome XDG_SESSION_DESKTOP=gnome "
      "GNOME_DESKTOP_SESSION_ID=this-is-deprecated KDE_FULL_SESSION=true "
      "QT_QPA_PLATFORMTHEME=gtk3 QT_STYLE_OVERRIDE=fusion XDG_SESSION_TYPE=wayland "
      "QT_QPA_PLATFORM=wayland QT_SCALE_FACTOR=2 QT_SCREEN_SCALE_FACTORS=2 QT_FONT_DPI=144 "
      "GTK_MODULES=gail:atk-bridge NO_AT_BRIDGE=1 GDK_SCALE=2 GTK_THEME=Adwaita:dark "
      "WAYLAND_DISPLAY=wayland-0 SESSION_MANAGER=local/host:@/tmp/.ICE-unix/1 "
      "AT_SPI_BUS_ADDRESS=" +
      quoted("unix:path=" + (folder_ / "at-spi").string()) +
      // The user's own settings, where a desktop that let them in would write.
      " XDG_CONFIG_HOME=" + quoted((folder_ / "user config").string()) +
      " TMPDIR=" + quoted(folder_.string());
  const Outcome r = run(session + " " + quoted(script) +
                        " sh -c 'env; pactl info >/dev/null && echo sound server answers'");
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string lines = '\n' + r.output;
  const auto has = [&](const std::string& line) {
    return lines.find('\n' + line) != std::string::npos;
  };
  for (const char* line : {"TZ=UTC\n", "LANG=C.UTF-8\n", "XDG_SESSION_TYPE=x11\n"})
    EXPECT_TRUE(has(line)) << line << r.output;
  // Its folders lie in the TMPDIR given, whose name holds a space.
  EXPECT_TRUE(has("PIMBLE_TEST_DESKTOP=" + folder_.string() + "/pimble-desktop.")) << r.output;
  EXPECT_TRUE(has("XDG_CONFIG_HOME=" + folder_.string() + "/pimble-desktop.")) << r.output;
  for (const char* name :
       {"LC_ALL=", "LC_NUMERIC=", "LANGUAGE=", "XDG_CURRENT_DESKTOP=", "DESKTOP_SESSION=",
        "XDG_SESSION_DESKTOP=", "GNOME_DESKTOP_SESSION_ID=", "KDE_FULL_SESSION=", "QT_",
        "GTK_MODULES=", "NO_AT_BRIDGE=", "GDK_SCALE=", "GTK_THEME=", "WAYLAND_DISPLAY=",
        "SESSION_MANAGER=", "AT_SPI_BUS_ADDRESS="})
    EXPECT_FALSE(has(name)) << name << r.output;
  EXPECT_TRUE(has("sound server answers")) << r.output;
  EXPECT_FALSE(std::filesystem::exists(folder_ / "user config"));
}

}  // namespace
