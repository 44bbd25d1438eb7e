// Test entry for the Qt folders: one QApplication for the whole binary.
// Without a display it runs offscreen, so widget tests still run; tests that
// need a real X server or bus check for it themselves and skip with a reason.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  bool listing = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--gtest_list_tests") == 0) listing = true;
  }
  const char* display = std::getenv("DISPLAY");
  if (listing || display == nullptr || *display == '\0') {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
  }
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
