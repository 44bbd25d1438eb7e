#include "companion/render_output.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <cstdio>

namespace pimble {

bool RenderOutput::fail(const QString& path, const QString& why) {
  ++failures_;
  std::fprintf(stderr, "pimble: could not write %s: %s\n", QFile::encodeName(path).constData(),
               why.toLocal8Bit().constData());
  return false;
}

bool RenderOutput::makeDirectory(const QString& path) {
  if (QDir().mkpath(path)) return true;
  return fail(path, QStringLiteral("the folder could not be created"));
}

bool RenderOutput::writePng(const QImage& image, const QString& path) {
  QByteArray data;
  {
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    if (image.isNull() || !image.save(&buffer, "PNG")) {
      return fail(path, QStringLiteral("the image could not be encoded"));
    }
  }
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) return fail(path, QStringLiteral("its folder could not be created"));
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    return fail(path, file.errorString());
  }
  return true;
}

bool RenderOutput::writeText(const QString& text, const QString& path) {
  const QString folder = QFileInfo(path).absolutePath();
  if (!QDir().mkpath(folder)) return fail(path, QStringLiteral("its folder could not be created"));
  QSaveFile file(path);
  const QByteArray data = text.toUtf8();
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    return fail(path, file.errorString());
  }
  return true;
}

}  // namespace pimble
