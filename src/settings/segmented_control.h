#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

class QButtonGroup;
class QAbstractButton;

namespace pimble {

// A row of joined segments of which one is chosen: the settings' picker over
// a short enumeration. Showing a value reports nothing; a click reports the
// segment's index.
class SegmentedControl : public QWidget {
  Q_OBJECT

 public:
  explicit SegmentedControl(const QStringList& labels, QWidget* parent = nullptr);

  // Another colour for the chosen segment, with white text (a window with
  // an accent of its own: style sheets know only the application's palette).
  void setAccent(const QColor& accent);

  // Marks the segment chosen without reporting it; an index out of range
  // clears the mark.
  void setCurrentIndex(int index);
  int currentIndex() const;
  int count() const;
  QAbstractButton* segment(int index) const;

 signals:
  void picked(int index);

 private:
  QButtonGroup* group_;
};

}  // namespace pimble
