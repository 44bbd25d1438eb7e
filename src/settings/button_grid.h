#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class QGridLayout;
class QPushButton;

namespace pimble {

// Push buttons in as many columns of at least 110 points, and of the widest
// label's width, as the width allows, 8 points apart both ways; each button
// fills its cell. A press reports the button's index.
class ButtonGrid : public QWidget {
  Q_OBJECT

 public:
  static constexpr int minimumColumnWidth = 110;
  static constexpr int gap = 8;

  explicit ButtonGrid(const QStringList& labels, QWidget* parent = nullptr);

  int columnCount() const { return columns_; }
  const std::vector<QPushButton*>& buttons() const { return buttons_; }
  // The number of columns that fit in a width, each as wide as the widest
  // label needs and at least 110.
  int columnsFor(int width) const;

 signals:
  void pressed(int index);

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void arrange(int columns);

  QGridLayout* grid_;
  std::vector<QPushButton*> buttons_;
  int columns_ = 0;
};

}  // namespace pimble
