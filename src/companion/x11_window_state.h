#pragma once

#include <QRegion>
#include <QWidget>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace pimble {

// The X11 side of the character's window: window-manager states asked for
// through EWMH client messages (so changing them never re-maps the window),
// and the Shape extension's regions: the input region, outside of which
// clicks fall through to the window underneath, and the bounding region,
// outside of which the window is not drawn at all. Every call does nothing
// off X11.
namespace X11WindowState {

// Whether the application runs on an X server.
bool available();

// Creates the native window of a floating panel (the character, a bubble):
// a utility window tied to no other window. Qt makes its tool windows
// transient for another window, and puts every window in the program's
// group; window managers draw their own conclusions from either tie: they
// take the panel off the other workspaces when a window it is tied to is
// activated, hide it while another application is active, or minimise it
// with the settings window. Qt applies the type only to a window that
// exists, so this goes before every show.
void createPanelWindow(QWidget& window);
// Lists WM_TAKE_FOCUS in the window's protocols only while it accepts the
// keyboard. Qt lists it on every window; with the input hint off that reads
// as a window that takes the keyboard when it is offered it, and window
// managers offer it: awesome as the window maps, KWin and IceWM in their
// window switchers. After every change of the focus flag.
void offerKeyboardWhileAccepted(const QWidget& window);

// On every workspace, out of the taskbar and pager, above other windows when
// `above`. For a mapped window.
void applyStates(const QWidget& window, bool above);
// Asks the window manager for a change to `window` as EWMH has it done: a
// client message of type `message` to the root window.
void request(std::uint32_t window, const char* message, std::initializer_list<std::uint32_t> data);
// Adds or removes the above state of a mapped window.
void setAbove(const QWidget& window, bool above);
// The window's input region in its device pixels; an empty region lets every
// click through.
void setInputRegion(const QWidget& window, const QRegion& region);
// The window's bounding region in its device pixels (an empty region hides
// the whole window); none gives the window back its whole rectangle.
void setBoundingRegion(const QWidget& window, const std::optional<QRegion>& region);

// Where the window's top-left corner is on the screen now, in device
// pixels: where the window manager put it, whatever was asked. None off X11
// or before the window exists.
std::optional<QPoint> position(const QWidget& window);

}  // namespace X11WindowState
}  // namespace pimble
