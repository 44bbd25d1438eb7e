#pragma once

#include <QString>
#include <QWidget>

#include "bubbles/bubble_look.h"

namespace pimble {

// A piece of bubble text, always plain text: wraps to the width it is given,
// optionally keeps to a number of lines (the last one cut with an ellipsis)
// and may first shrink a single line before cutting it; a cut text is whole
// in its tooltip. Its colour is the palette's window text at the tone's
// strength.
class BubbleText : public QWidget {
  Q_OBJECT
 public:
  enum class Tone { primary, secondary, tertiary };

  BubbleText(const QString& text, BubbleLook::TextStyle style, QWidget* parent = nullptr);

  const QString& text() const { return text_; }
  void setTone(Tone tone);
  // 0: as many lines as the text needs.
  void setMaxLines(int lines);
  // Smallest scale a single line may shrink to before it is cut.
  void setMinimumScale(double scale);
  void setAlignment(Qt::Alignment alignment);
  void setBold(bool bold);
  // Whether the text had to be cut at the width it was last laid out at.
  bool isTruncated() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Layout {
    QStringList lines;
    QFont font;
    bool truncated = false;
    int height = 0;
  };
  Layout layoutFor(int width) const;

  QString text_;
  QFont font_;
  Tone tone_ = Tone::primary;
  int maxLines_ = 0;
  double minimumScale_ = 1.0;
  Qt::Alignment alignment_ = Qt::AlignLeft;
};

}  // namespace pimble
