#pragma once

#include <QAbstractButton>
#include <QWidget>
#include <array>

#include "models/cape_color.h"

class QButtonGroup;

namespace pimble {

// One round swatch of a cape colour: a 24-point disc with a thin outline,
// inside a 30-point square whose ring marks the chosen colour.
class CapeSwatch : public QAbstractButton {
  Q_OBJECT

 public:
  explicit CapeSwatch(CapeColor color, QWidget* parent = nullptr);
  CapeColor color() const { return color_; }
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  CapeColor color_;
};

// The row of seven cape swatches, 10 points apart, in the colours' order.
// It keeps no colour of its own: the owner shows the stored one with
// setSelection and stores what the user picks.
class CapeSwatches : public QWidget {
  Q_OBJECT

 public:
  static constexpr int spacing = 10;

  explicit CapeSwatches(QWidget* parent = nullptr);

  // Rings the colour's swatch; reports nothing.
  void setSelection(CapeColor color);
  CapeSwatch* swatch(CapeColor color) const;

 signals:
  // A swatch was clicked, the one already chosen included.
  void colorPicked(pimble::CapeColor color);

 private:
  QButtonGroup* group_;
  std::array<CapeSwatch*, 7> swatches_{};
};

}  // namespace pimble
