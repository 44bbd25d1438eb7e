#include "companion/close_request.h"

#include <QCloseEvent>
#include <QObject>

namespace pimble {
namespace {

class CloseRequests : public QObject {
 public:
  CloseRequests(QWidget& window, std::function<void()> handle)
      : QObject(&window), handle_(std::move(handle)) {
    window.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject*, QEvent* event) override {
    // The window system's close is spontaneous; the program's own (every
    // window asked as the application quits) goes its usual way.
    if (event->type() != QEvent::Close || !event->spontaneous()) return false;
    // Left shown: the owner hides it once it has ended what it shows.
    event->ignore();
    if (handle_) handle_();
    return true;
  }

 private:
  std::function<void()> handle_;
};

}  // namespace

void redirectCloseRequests(QWidget& window, std::function<void()> handle) {
  new CloseRequests(window, std::move(handle));
}

}  // namespace pimble
