#pragma once

#include <QObject>

namespace pimble {

// While one is alive, a menu or a list the program has open stays open as a
// window shows. Qt closes every one of them when a window that is neither a
// tool window nor a popup shows; the floating panels are such windows, so
// that no window manager ties them to another window, and a panel that
// comes by itself (a greeting, a reminder's bubble) would otherwise take
// away the menu the user just opened. Held around the show of a panel.
class MenusStayOpen : public QObject {
 public:
  MenusStayOpen();
  ~MenusStayOpen() override;
  MenusStayOpen(const MenusStayOpen&) = delete;
  MenusStayOpen& operator=(const MenusStayOpen&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace pimble
