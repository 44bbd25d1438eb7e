#pragma once

#include <QWidget>
#include <functional>

namespace pimble {

// The window manager's close of one of our floating windows (Alt+F4, a
// pager's or a task list's close, `wmctrl -c`) goes to `handle` instead of
// hiding the window behind its owner's back: the owner ends what the
// window shows as the user's own way out does, and hides it itself.
void redirectCloseRequests(QWidget& window, std::function<void()> handle);

}  // namespace pimble
