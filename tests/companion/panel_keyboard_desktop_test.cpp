// On a real X server: the keyboard around a panel that refuses it, when a
// window manager focuses that panel all the same, as i3 and sway do.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QTest>
#include <cstdlib>
#include <cstring>

#include "companion/panel_keyboard.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using namespace std::chrono_literals;

// A client of its own on the display, doing what the window manager does.
class Manager {
 public:
  Manager() : c_(xcb_connect(nullptr, nullptr)) {
    root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    static const char name[] = "_NET_ACTIVE_WINDOW";
    if (xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, sizeof name - 1, name), nullptr)) {
      active_ = atom->atom;
      std::free(atom);
    }
  }
  ~Manager() {
    if (user_ != XCB_WINDOW_NONE) xcb_destroy_window(c_, user_);
    xcb_disconnect(c_);
  }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  // The window of another application that the user types in, made active.
  xcb_window_t userWindow() {
    user_ = xcb_generate_id(c_);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
    xcb_create_window(c_, XCB_COPY_FROM_PARENT, user_, root_, 100, 100, 300, 200, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
    xcb_map_window(c_, user_);
    xcb_flush(c_);
    testing::waitUntil([&] { return viewable(user_); }, 2s);
    focus(user_);
    return user_;
  }
  // Gives the window the keyboard and names it the active one.
  void focus(xcb_window_t window) {
    xcb_set_input_focus(c_, XCB_INPUT_FOCUS_POINTER_ROOT, window, XCB_CURRENT_TIME);
    xcb_change_property(c_, XCB_PROP_MODE_REPLACE, root_, active_, XCB_ATOM_WINDOW, 32, 1, &window);
    xcb_flush(c_);
  }
  xcb_window_t focused() {
    xcb_get_input_focus_reply_t* reply =
        xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr);
    const xcb_window_t w = reply != nullptr ? reply->focus : xcb_window_t(XCB_WINDOW_NONE);
    std::free(reply);
    return w;
  }
  bool viewable(xcb_window_t window) {
    xcb_get_window_attributes_reply_t* reply =
        xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr);
    const bool shown = reply != nullptr && reply->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(reply);
    return shown;
  }
  bool grabKeyboard() {
    xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
        c_,
        xcb_grab_keyboard(c_, 0, root_, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const bool grabbed = reply != nullptr && reply->status == XCB_GRAB_STATUS_SUCCESS;
    std::free(reply);
    return grabbed;
  }
  void ungrabKeyboard() {
    xcb_ungrab_keyboard(c_, XCB_CURRENT_TIME);
    xcb_flush(c_);
  }

 private:
  xcb_connection_t* c_;
  xcb_window_t root_ = XCB_WINDOW_NONE;
  xcb_atom_t active_ = XCB_ATOM_NONE;
  xcb_window_t user_ = XCB_WINDOW_NONE;
};

// The window manager focuses the character, which hands the keyboard back
// to the user's window at once; the user's right press on the character
// opens its menu a moment later, while the window manager still holds the
// keyboard, busy with that click. The menu stays open, and the keys stay
// with the user's window.
TEST(PanelKeyboardDesktop, AMenuOpenedAsTheKeyboardGoesBackStaysOpen) {
  if (QGuiApplication::platformName() != QStringLiteral("xcb"))
    GTEST_SKIP() << "needs an X server, running on "
                 << QGuiApplication::platformName().toStdString();
  if (auto why = testing::missingX()) GTEST_SKIP() << *why;
  if (auto why = testing::missingProgram("xdotool")) GTEST_SKIP() << *why;
  QWidget character(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
  character.setAttribute(Qt::WA_ShowWithoutActivating);
  character.setAttribute(Qt::WA_X11DoNotAcceptFocus);
  character.setGeometry(600, 200, 160, 170);
  character.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&character));
  PanelKeyboard::instance().addPanel(character);
  // The pointer goes to the character where the program put it.
  const QString window = QString::number(character.winId());
  ASSERT_TRUE(testing::shownPlace(window))
      << "the character's window is not shown where it was put";

  Manager manager;
  const xcb_window_t user = manager.userWindow();
  QTest::qWait(300);
  // The pointer comes onto the character, and the focus follows it.
  const QPoint middle = character.geometry().center();
  ASSERT_TRUE(testing::pointerReaches(window, middle));
  testing::runTool("xdotool", {"mousemove", "10", "10"});
  testing::runTool("xdotool",
                   {"mousemove", QString::number(middle.x()), QString::number(middle.y())});
  QTest::qWait(100);
  manager.focus(xcb_window_t(character.winId()));
  ASSERT_TRUE(testing::waitUntil([&] { return manager.focused() == user; }, 2s))
      << "the keyboard did not go back";
  ASSERT_TRUE(manager.grabKeyboard());
  QMenu menu;
  menu.addAction(QStringLiteral("Settings…"));
  menu.popup(middle);
  QTest::qWait(300);
  manager.ungrabKeyboard();
  QTest::qWait(300);
  EXPECT_TRUE(menu.isVisible()) << "the menu closed by itself";
  menu.close();
  EXPECT_TRUE(testing::waitUntil([&] { return manager.focused() == user; }, 2s));
}

}  // namespace
}  // namespace pimble
