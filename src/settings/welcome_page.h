#pragma once

#include <QWidget>
#include <functional>

namespace pimble {

// The tour's first page: a hello, what Pimble does, and the character flying
// in the first time the page comes on screen.
class WelcomePage : public QWidget {
  Q_OBJECT

 public:
  // `onAppear` runs when this page first comes on screen, once.
  explicit WelcomePage(std::function<void()> onAppear, QWidget* parent = nullptr);

  bool flew() const { return flew_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::function<void()> onAppear_;
  bool flew_ = false;
};

}  // namespace pimble
