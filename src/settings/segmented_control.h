#pragma once

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
