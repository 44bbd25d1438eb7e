#pragma once

#include <QImage>
#include <QString>

namespace pimble {

// Writes the render tools' files. Every file is attempted; each one that
// cannot be written is reported with one line on standard error, and the
// exit status says whether any failed.
class RenderOutput {
 public:
  // Creates the parent folders and writes the image as PNG, whatever the
  // file's suffix.
  bool writePng(const QImage& image, const QString& path);
  // Replaces the file's text in one step (UTF-8).
  bool writeText(const QString& text, const QString& path);
  // Creates a folder with its parents, reporting a failure like a file's.
  bool makeDirectory(const QString& path);

  int failures() const { return failures_; }
  int exitStatus() const { return failures_ == 0 ? 0 : 1; }

 private:
  bool fail(const QString& path, const QString& why);
  int failures_ = 0;
};

}  // namespace pimble
