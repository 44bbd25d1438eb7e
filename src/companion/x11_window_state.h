#pragma once

#include <QRegion>
#include <QWidget>

namespace pimble {

// The X11 side of the character's window: window-manager states asked for
// through EWMH client messages (so changing them never re-maps the window),
// and the Shape extension's input region, outside of which clicks fall
// through to the window underneath. Every call does nothing off X11.
namespace X11WindowState {

// Whether the application runs on an X server.
bool available();

// On every workspace, out of the taskbar and pager, above other windows when
// `above`. For a mapped window.
void applyStates(const QWidget& window, bool above);
// Adds or removes the above state of a mapped window.
void setAbove(const QWidget& window, bool above);
// The window's input region in its device pixels; an empty region lets every
// click through.
void setInputRegion(const QWidget& window, const QRegion& region);

}  // namespace X11WindowState
}  // namespace pimble
