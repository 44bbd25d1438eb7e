#pragma once

// A desktop icon theme of a test's own, made the application's while the
// object lives: a plain magenta picture (a colour none of the program's
// pictures has) under every freedesktop icon name one of its symbols could
// be taken for. A picture shown from it is told by `marked`.

#include <QColor>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QStringList>
#include <QTemporaryDir>

namespace pimble::testing {

class MarkedIconTheme {
 public:
  static constexpr const char* names[] = {"preferences-system",
                                          "preferences-system-notifications",
                                          "appointment-soon",
                                          "applications-graphics",
                                          "weather-clear-night",
                                          "media-playback-pause",
                                          "media-playback-start",
                                          "list-add",
                                          "list-remove",
                                          "window-close",
                                          "application-x-executable",
                                          "alarm-symbolic",
                                          "appointment-soon-symbolic",
                                          "list-add-symbolic",
                                          "list-remove-symbolic"};

  MarkedIconTheme() : paths_(QIcon::themeSearchPaths()), name_(QIcon::themeName()) {
    const QDir root(dir_.path());
    root.mkpath(QStringLiteral("marked/scalable"));
    QFile index(root.filePath(QStringLiteral("marked/index.theme")));
    if (index.open(QIODevice::WriteOnly))
      index.write(
          "[Icon Theme]\nName=marked\nDirectories=scalable\n"
          "[scalable]\nSize=48\nMinSize=8\nMaxSize=512\nType=Scalable\n");
    index.close();
    QImage picture(48, 48, QImage::Format_ARGB32);
    picture.fill(Qt::magenta);
    for (const char* name : names)
      picture.save(root.filePath(QStringLiteral("marked/scalable/%1.png").arg(QLatin1String(name))),
                   "PNG");
    QIcon::setThemeSearchPaths({dir_.path()});
    QIcon::setThemeName(QStringLiteral("marked"));
  }
  ~MarkedIconTheme() {
    QIcon::setThemeSearchPaths(paths_);
    QIcon::setThemeName(name_);
  }
  MarkedIconTheme(const MarkedIconTheme&) = delete;
  MarkedIconTheme& operator=(const MarkedIconTheme&) = delete;

  // Whether the picture shows something of the theme's.
  static bool marked(const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y) {
      for (int x = 0; x < argb.width(); ++x) {
        const QColor c = argb.pixelColor(x, y);
        if (c.alpha() > 200 && c.red() > 200 && c.green() < 40 && c.blue() > 200) return true;
      }
    }
    return false;
  }

 private:
  QTemporaryDir dir_;
  QStringList paths_;
  QString name_;
};

}  // namespace pimble::testing
