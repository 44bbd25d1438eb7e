#include "companion/contact_sheet.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <cstdio>

#include "companion/glimmet_artwork.h"
#include "companion/render_output.h"
#include "models/glimmet_state.h"

namespace pimble::ContactSheet {
namespace {

QImage canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void preparePainter(QPainter& painter, double scale) {
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform |
                         QPainter::TextAntialiasing);
  painter.scale(scale, scale);
}

// Draws a caption whose box has its bottom-left at the y-up point `at`.
void caption(QPainter& painter, const QString& text, QPointF at, double targetHeight,
             const QColor& colour) {
  QFont font;
  font.setPixelSize(12);
  font.setWeight(QFont::Medium);
  painter.save();
  painter.setFont(font);
  painter.setPen(colour);
  const QFontMetricsF metrics(font);
  painter.drawText(QPointF(at.x(), targetHeight - at.y() - metrics.descent()), text);
  painter.restore();
}

GlimmetPose makePose(EyeStyle eyes, MouthStyle mouth, QPointF handL, QPointF handR, double tilt,
                     double scaleX, double scaleY, double cheekScale, bool showArms,
                     HandStyle handStyle, double armBulge, std::optional<HandSide> raised) {
  GlimmetPose p;
  p.eyes = eyes;
  p.mouth = mouth;
  p.handL = handL;
  p.handR = handR;
  p.tilt = tilt;
  p.scaleX = scaleX;
  p.scaleY = scaleY;
  p.cheekScale = cheekScale;
  p.showArms = showArms;
  p.handStyle = handStyle;
  p.armBulge = armBulge;
  p.raisedArm = raised;
  return p;
}

using E = EyeStyle;
using M = MouthStyle;
using HS = HandStyle;

}  // namespace

std::unique_ptr<GlimmetRig> offscreenRig() {
  auto rig = std::make_unique<GlimmetRig>();
  rig->setIntensity(AnimationIntensity::off);
  return rig;
}

void renderRig(QPainter& painter, const GlimmetRig& rig, QPointF origin, double targetHeight) {
  painter.save();
  painter.translate(origin.x(), targetHeight - origin.y() - GlimmetRig::H);
  rig.root->renderModel(painter);
  painter.restore();
}

QImage sheet(bool dark) {
  constexpr double height = 1416;
  QImage image = canvas(1920, 2832);
  image.fill(dark ? QColor::fromRgbF(0.10f, 0.11f, 0.16f) : QColor::fromRgbF(0.80f, 0.85f, 0.93f));
  // One sprite set serves every figure: the drawings depend on the scale only.
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(2);
  QPainter painter(&image);
  preparePainter(painter, 2);
  int i = 0;
  for (GlimmetState state : allCases<GlimmetState>()) {
    const int c = i % 4;
    const int r = i / 4;
    const double x = 16 + 236 * c;
    const double y = height - 350 * (r + 1);
    auto rig = offscreenRig();
    rig->installSprites(sprites, 2);
    rig->apply(state);
    renderRig(painter, *rig, {x, y}, height);
    caption(painter, QString::fromUtf8(displayName(state).data(), displayName(state).size()),
            {22.0 + 236 * c, y - 18}, height, dark ? Qt::white : Qt::black);
    ++i;
  }
  return image;
}

QString darkSheetPath(const QString& path) {
  const QFileInfo info(path);
  const QString base =
      info.suffix().isEmpty() ? path : path.left(path.size() - info.suffix().size() - 1);
  return base + QStringLiteral("-dark.png");
}

int renderToFiles(const QString& path) {
  RenderOutput out;
  out.writePng(sheet(false), path);
  out.writePng(sheet(true), darkSheetPath(path));
  return out.exitStatus();
}

GlimmetPose squadPose(CapeColor color) {
  switch (color) {
    case CapeColor::red:
      return makePose(E::open, M::grin, {-4, 4}, {40, -86}, 0, 1, 1, 1.1, false, HS::mitten, 16,
                      HandSide::right);
    case CapeColor::blue:
      return makePose(E::happy, M::grin, {-70, -58}, {70, -58}, 0, 1, 1, 1.2, true, HS::open, 22,
                      std::nullopt);
    case CapeColor::lavender:
      return makePose(E::happy, M::grin, {0, 0}, {40, -66}, 0, 1, 1, 1.0, false, HS::open, 24,
                      std::nullopt);
    case CapeColor::pink:
      return makePose(E::happy, M::smile, {0, 0}, {0, 0}, 0, 1.02, 0.97, 1.32, false, HS::mitten,
                      24, std::nullopt);
    case CapeColor::green:
      return makePose(E::open, M::oval, {0, 0}, {0, 0}, 0.12, 1, 1, 1.0, false, HS::mitten, 24,
                      std::nullopt);
    case CapeColor::midnight:
      return makePose(E::open, M::smile, {-40, -86}, {4, 4}, 0, 1, 1, 1.1, false, HS::mitten, 16,
                      HandSide::left);
    case CapeColor::gold:
      return makePose(E::happy, M::grin, {-4, -8}, {4, -8}, 0, 1, 1, 1.18, false, HS::mitten, 24,
                      std::nullopt);
  }
  return heroPose();
}

GlimmetPose heroPose() {
  return makePose(E::open, M::smile, {0, 0}, {0, 0}, 0, 1, 1, 1.0, false, HS::mitten, 24,
                  std::nullopt);
}

GlimmetPose happyPose() {
  return makePose(E::happy, M::smile, {0, 0}, {0, 0}, 0, 1.02, 0.97, 1.32, false, HS::mitten, 24,
                  std::nullopt);
}

GlimmetPose wavePose() {
  return makePose(E::happy, M::grin, {0, 0}, {40, -66}, 0, 1, 1, 1.0, false, HS::open, 24,
                  std::nullopt);
}

QImage renderWebImage(const GlimmetSprites& sprites, CapeColor color, const GlimmetPose& pose,
                      bool eyesHidden) {
  QImage image = canvas(880, 1240);
  auto rig = offscreenRig();
  rig->setCapeColor(color);
  rig->installSprites(sprites, 4);
  rig->apply(GlimmetState::idle);
  rig->setPose(pose, 0);
  rig->eyeL->setHidden(eyesHidden);
  rig->eyeR->setHidden(eyesHidden);
  QPainter painter(&image);
  preparePainter(painter, 4);
  renderRig(painter, *rig, {0, 0}, GlimmetRig::H);
  return image;
}

int renderWebToFolder(const QString& folder) {
  RenderOutput out;
  // Nothing could land in it: no drawing, one line of failure.
  if (!out.makeDirectory(folder)) return out.exitStatus();
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(4);
  const auto file = [&](const QString& name) { return folder + QLatin1Char('/') + name; };
  const auto raw = [](CapeColor c) {
    const auto name = enumName(c);
    return QString::fromUtf8(name.data(), static_cast<int>(name.size()));
  };
  for (CapeColor c : allCases<CapeColor>()) {
    out.writePng(renderWebImage(sprites, c, squadPose(c), false), file("squad-" + raw(c) + ".png"));
    out.writePng(renderWebImage(sprites, c, heroPose(), true), file("hero-" + raw(c) + ".png"));
    out.writePng(renderWebImage(sprites, c, happyPose(), false), file("happy-" + raw(c) + ".png"));
  }
  for (CapeColor c : allCases<CapeColor>()) {
    out.writePng(renderWebImage(sprites, c, wavePose(), false), file("wave-" + raw(c) + ".png"));
  }
  for (GlimmetState s :
       {GlimmetState::water, GlimmetState::stretch, GlimmetState::eyeRest, GlimmetState::rest,
        GlimmetState::checkIn, GlimmetState::sleeping, GlimmetState::walk, GlimmetState::posture}) {
    const auto name = rawValue(s);
    out.writePng(
        renderWebImage(sprites, CapeColor::red, GlimmetPose::forState(s), false),
        file("pose-" + QString::fromUtf8(name.data(), static_cast<int>(name.size())) + ".png"));
  }
  const auto eye = sprites.eyes.find(EyeStyle::open);
  if (eye != sprites.eyes.end()) out.writePng(eye->second, file("eye-open.png"));
  // Only a complete set is announced; each failure was reported as it came.
  if (out.failures() == 0) {
    std::printf("web renders written to %s\n", QFile::encodeName(folder).constData());
    std::fflush(stdout);
  }
  return out.exitStatus();
}

QImage capeStrip() {
  constexpr double height = 334;
  QImage image = canvas(3080, 668);
  image.fill(QColor::fromRgbF(0.80f, 0.85f, 0.93f));
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(2);
  QPainter painter(&image);
  preparePainter(painter, 2);
  int i = 0;
  for (CapeColor c : allCases<CapeColor>()) {
    auto rig = offscreenRig();
    rig->setCapeColor(c);
    rig->installSprites(sprites, 2);
    rig->apply(GlimmetState::idle);
    renderRig(painter, *rig, {220.0 * i, 24}, height);
    caption(painter,
            QString::fromUtf8(displayName(c).data(), static_cast<qsizetype>(displayName(c).size())),
            {220.0 * i + 70, 6}, height, Qt::black);
    ++i;
  }
  return image;
}

int renderCapesToFile(const QString& path) {
  RenderOutput out;
  out.writePng(capeStrip(), path);
  return out.exitStatus();
}

}  // namespace pimble::ContactSheet
