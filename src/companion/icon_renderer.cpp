#include "companion/icon_renderer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <map>

#include "companion/contact_sheet.h"
#include "companion/glimmet_artwork.h"
#include "companion/render_output.h"

namespace pimble::IconRenderer {

const std::vector<IconEntry>& iconEntries() {
  static const std::vector<IconEntry> entries = {{"icon_16x16", 16},    {"icon_16x16@2x", 32},
                                                 {"icon_32x32", 32},    {"icon_32x32@2x", 64},
                                                 {"icon_128x128", 128}, {"icon_128x128@2x", 256},
                                                 {"icon_256x256", 256}, {"icon_256x256@2x", 512},
                                                 {"icon_512x512", 512}, {"icon_512x512@2x", 1024}};
  return entries;
}

double spriteScale(int pixels) {
  return std::max(1.0, pixels / 220.0 * 2.15);
}

QImage render(int pixels) {
  const int p = std::max(1, pixels);
  QImage image(p, p, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  // Peach at the top left, lilac, periwinkle at the bottom right.
  QLinearGradient tile(0, 0, p, p);
  tile.setColorAt(0, QColor::fromRgbF(0.99f, 0.80f, 0.62f));
  tile.setColorAt(0.5, QColor::fromRgbF(0.84f, 0.74f, 0.97f));
  tile.setColorAt(1, QColor::fromRgbF(0.55f, 0.65f, 0.95f));
  painter.fillRect(QRectF(0, 0, p, p), tile);

  const double scale = spriteScale(p);
  auto rig = ContactSheet::offscreenRig();
  rig->installSprites(GlimmetArtwork::makeSprites(scale), scale);
  rig->apply(GlimmetState::idle);
  const double k = p / 310.0 * 1.02;
  const double x = (p - 220 * k) / 2;
  const double yUp = (p - 310 * k) / 2 - 0.02 * p;
  painter.save();
  painter.translate(x, p - yUp - 310 * k);
  painter.scale(k, k);
  rig->root->renderModel(painter);
  painter.restore();

  // The rounded tile, with soft edges (a clip path would leave them jagged).
  QImage shape(p, p, QImage::Format_ARGB32_Premultiplied);
  shape.fill(Qt::transparent);
  {
    QPainter m(&shape);
    m.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(QRectF(0.04 * p, 0.04 * p, 0.92 * p, 0.92 * p), 0.21 * p, 0.21 * p);
    m.fillPath(rounded, Qt::black);
  }
  painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
  painter.drawImage(0, 0, shape);
  return image;
}

QString contentsJson() {
  QStringList lines;
  lines << QStringLiteral("{") << QStringLiteral("  \"images\" : [");
  const auto& entries = iconEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const QString name = QString::fromLatin1(entries[i].name);
    const bool doubled = name.contains(QLatin1Char('@'));
    QString size = name;
    size.remove(QStringLiteral("icon_"));
    size = size.section(QLatin1Char('@'), 0, 0);
    QString line = QStringLiteral(
                       "    { \"filename\" : \"%1.png\", \"idiom\" : \"mac\", \"scale\" : \"%2\", "
                       "\"size\" : \"%3\" }")
                       .arg(name, doubled ? QStringLiteral("2x") : QStringLiteral("1x"), size);
    if (i + 1 < entries.size()) line += QLatin1Char(',');
    lines << line;
  }
  lines << QStringLiteral("  ],")
        << QStringLiteral("  \"info\" : { \"author\" : \"xcode\", \"version\" : 1 }")
        << QStringLiteral("}");
  return lines.join(QLatin1Char('\n'));
}

int renderToFolder(const QString& folder) {
  RenderOutput out;
  if (!out.makeDirectory(folder)) return out.exitStatus();
  std::map<int, QImage> rendered;
  for (const IconEntry& entry : iconEntries()) {
    auto it = rendered.find(entry.pixels);
    if (it == rendered.end()) it = rendered.emplace(entry.pixels, render(entry.pixels)).first;
    out.writePng(it->second, folder + QLatin1Char('/') + QString::fromLatin1(entry.name) +
                                 QStringLiteral(".png"));
  }
  out.writeText(contentsJson(), folder + QStringLiteral("/Contents.json"));
  return out.exitStatus();
}

}  // namespace pimble::IconRenderer
