#pragma once

namespace pimble {

// A cubic Bézier easing curve from (0, 0) to (1, 1) with two control points,
// mapping a fraction of time to a fraction of progress.
class TimingFunction {
 public:
  constexpr TimingFunction() = default;
  constexpr TimingFunction(double x1, double y1, double x2, double y2)
      : x1_(x1), y1_(y1), x2_(x2), y2_(y2) {}

  static constexpr TimingFunction linear() { return {0, 0, 1, 1}; }
  static constexpr TimingFunction easeIn() { return {0.42, 0, 1, 1}; }
  static constexpr TimingFunction easeOut() { return {0, 0, 0.58, 1}; }
  static constexpr TimingFunction easeInEaseOut() { return {0.42, 0, 0.58, 1}; }

  // Progress at the time fraction x, clamped to 0...1 first. A non-finite x
  // gives 0.
  double operator()(double x) const;
  bool isLinear() const { return x1_ == y1_ && x2_ == y2_; }

  friend bool operator==(const TimingFunction&, const TimingFunction&) = default;

 private:
  double x1_ = 0;
  double y1_ = 0;
  double x2_ = 1;
  double y2_ = 1;
};

}  // namespace pimble
