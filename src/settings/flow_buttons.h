#pragma once

#include <QWidget>
#include <functional>
#include <vector>

#include "models/return_target.h"

class QPushButton;
class QVBoxLayout;

namespace pimble {

// Applications as rows of small push buttons, four to a row, each as wide
// as its name needs (a name too long for a quarter of the row is cut short,
// the whole name in its tooltip). A press reports the application as it was
// given; the buttons keep no state of their own.
class FlowButtons : public QWidget {
  Q_OBJECT

 public:
  static constexpr int perRow = 4;
  static constexpr int spacing = 6;

  // `rowWidth`: the width a row may take.
  explicit FlowButtons(int rowWidth, QWidget* parent = nullptr);

  // Lays the buttons out again for these applications.
  void setItems(std::vector<ReturnTarget> items);
  const std::vector<ReturnTarget>& items() const { return items_; }
  // The buttons in item order, and the rows they stand in.
  const std::vector<QPushButton*>& buttons() const { return buttons_; }
  int rowCount() const;

  // Called once per press with the pressed application.
  std::function<void(const ReturnTarget&)> tap;

 private:
  int rowWidth_;
  QVBoxLayout* rows_;
  std::vector<ReturnTarget> items_;
  std::vector<QPushButton*> buttons_;
  std::vector<QWidget*> rowWidgets_;
};

}  // namespace pimble
