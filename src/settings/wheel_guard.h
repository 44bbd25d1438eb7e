#pragma once

class QWidget;

namespace pimble::WheelGuard {

// Wheel steps over `window` scroll the page under the pointer, wherever it
// rests: a control that answers the wheel (a number field, a picker, a
// slider) takes them only once the user has given it the keyboard, by a
// click or Tab, as desktop settings windows have it. Someone reading down
// a page changes nothing on the way, also where the page cannot scroll
// further. For every control the window holds now or later.
void install(QWidget* window);

}  // namespace pimble::WheelGuard
