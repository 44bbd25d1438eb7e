// Writes the tray icon at the tray sizes and in a wide rectangle, each on a
// light and on a dark panel colour, plain and paused, as PNG files, and one
// sheet of all of them enlarged, so a reviewer can see it reads on both.
//   status_icons FOLDER
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <vector>

#include "app/status_item.h"

namespace {

struct Panel {
  const char* name;
  QColor colour;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: status_icons FOLDER\n");
    return 2;
  }
  const QString folder = QString::fromLocal8Bit(argv[1]);
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "cannot make %s\n", argv[1]);
    return 1;
  }
  const std::vector<QSize> sizes = {{16, 16}, {22, 22}, {24, 24}, {32, 32}, {40, 24}};
  const Panel panels[] = {{"light", QColor(236, 236, 238)}, {"dark", QColor(40, 42, 48)}};
  constexpr int zoom = 8;
  constexpr int gap = 8;
  int sheetWidth = gap;
  for (const QSize& s : sizes) sheetWidth += s.width() * zoom + gap;
  const int rowHeight = 32 * zoom + gap;
  QImage sheet(sheetWidth, gap + 4 * rowHeight, QImage::Format_ARGB32);
  sheet.fill(Qt::white);
  QPainter sp(&sheet);
  int row = 0;
  bool ok = true;
  for (const Panel& panel : panels) {
    for (bool paused : {false, true}) {
      int x = gap;
      for (const QSize& s : sizes) {
        QImage image(s, QImage::Format_ARGB32);
        image.fill(panel.colour);
        QPainter p(&image);
        pimble::StatusItem::drawIcon(p, QRectF(QPointF(0, 0), QSizeF(s)), paused);
        p.end();
        const QString file = QStringLiteral("%1/status-icon-%2x%3-%4%5.png")
                                 .arg(folder)
                                 .arg(s.width())
                                 .arg(s.height())
                                 .arg(QLatin1String(panel.name))
                                 .arg(paused ? QStringLiteral("-paused") : QString());
        if (!image.save(file, "PNG")) {
          std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
          ok = false;
        }
        sp.drawImage(QRect(x, gap + row * rowHeight, s.width() * zoom, s.height() * zoom), image);
        x += s.width() * zoom + gap;
      }
      ++row;
    }
  }
  sp.end();
  const QString sheetFile = folder + QStringLiteral("/status-icons.png");
  if (!sheet.save(sheetFile, "PNG")) ok = false;
  if (ok) std::printf("status icons written to %s\n", qPrintable(folder));
  return ok ? 0 : 1;
}
