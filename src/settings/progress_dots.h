#pragma once

#include <QWidget>

class QVariantAnimation;

namespace pimble {

// The tour's progress: a row of small capsules, the current one wide, those
// up to it orange and the rest faint. A change of step slides the dots to
// their new look in a fifth of a second. Read as one element, "Step 2 of 7".
class ProgressDots : public QWidget {
  Q_OBJECT

 public:
  static constexpr int dot = 7;
  static constexpr int wide = 18;
  static constexpr int spacing = 6;
  static constexpr int animationMs = 200;

  explicit ProgressDots(int count, QWidget* parent = nullptr);

  int current() const { return current_; }
  int count() const { return count_; }
  // Moves the mark to `current`, sliding from where it was.
  void setCurrent(int current);

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  double width(int i, int current) const;

  int count_;
  int current_ = 0;
  int previous_ = 0;
  // 0 at the start of a slide, 1 at its end.
  double progress_ = 1;
  QVariantAnimation* slide_;
};

}  // namespace pimble
