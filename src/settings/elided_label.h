#pragma once

#include <QLabel>
#include <QString>

namespace pimble {

// A one-line text that is cut with an ellipsis when its room is too narrow;
// the whole text stays its tooltip and its accessible text.
class ElidedLabel : public QLabel {
  Q_OBJECT

 public:
  explicit ElidedLabel(QWidget* parent = nullptr);

  void setFullText(const QString& text);
  const QString& fullText() const { return full_; }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void elide();

  QString full_;
};

}  // namespace pimble
