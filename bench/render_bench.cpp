// Drawing costs of the character: a full sprite set at 2x (done once per
// pixel scale) and one frame of the rig's layer tree (the per-frame cost
// of a repaint).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QThreadPool>
#include <QTransform>
#include <cstdlib>
#include <string>

#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"
#include "companion/layers/image_transform.h"

namespace {

void BM_MakeSprites2x(benchmark::State& state) {
  for (auto _ : state) {
    pimble::GlimmetSprites sprites = pimble::GlimmetArtwork::makeSprites(2);
    benchmark::DoNotOptimize(sprites.body.constBits());
  }
}
// Process CPU time: Qt's raster engine hands large fills to its own threads.
BENCHMARK(BM_MakeSprites2x)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_RigFrame2x(benchmark::State& state) {
  pimble::GlimmetRig rig;
  rig.installSprites(pimble::GlimmetArtwork::makeSprites(2), 2);
  rig.apply(static_cast<pimble::GlimmetState>(state.range(0)));
  QImage frame(440, 620, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(2, 2);
    rig.root->paint(painter, 0);
    painter.end();
    benchmark::DoNotOptimize(frame.constBits());
  }
}
// idle, and celebration (arms and open hands shown)
BENCHMARK(BM_RigFrame2x)
    ->Arg(static_cast<int>(pimble::GlimmetState::idle))
    ->Arg(static_cast<int>(pimble::GlimmetState::celebration))
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// A pose-sized picture (180 × 250) with an antialiased figure, drawn the way a resting frame
// draws it: a slight sway, breathing scale and a fractional offset.
QImage posePicture() {
  QImage image(180, 250, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(20, 30, 90), 3));
  p.setBrush(QColor(200, 120, 40, 230));
  p.drawEllipse(QRectF(10, 12, 158, 220));
  p.setBrush(Qt::white);
  p.drawEllipse(QRectF(50, 70, 30, 20));
  return image;
}

QTransform poseTransform() {
  return QTransform().translate(30.3, 20.7).rotateRadians(0.022).scale(1.01, 1.01);
}

// The picture for argument 0: the antialiased figure above; 1: the character's body sprite at
// 1x (about the same size, with gradients). Items are the target pixels the transformed picture
// covers.
QImage benchPicture(int which) {
  if (which == 0) return posePicture();
  return pimble::GlimmetArtwork::makeSprites(1).body.convertToFormat(
      QImage::Format_ARGB32_Premultiplied);
}

void BM_DrawImageBilinear(benchmark::State& state) {
  const QImage source = benchPicture(static_cast<int>(state.range(0)));
  QImage frame(source.width() + 60, source.height() + 60, QImage::Format_ARGB32_Premultiplied);
  frame.fill(Qt::transparent);
  const QTransform t = poseTransform();
  for (auto _ : state) {
    pimble::drawImageBilinear(frame, source, t, 1.0, frame.rect());
    benchmark::DoNotOptimize(frame.constBits());
  }
  state.SetItemsProcessed(state.iterations() * (source.width() + 1) * (source.height() + 1));
  state.SetLabel(std::to_string(source.width()) + "x" + std::to_string(source.height()));
}
BENCHMARK(BM_DrawImageBilinear)
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

void BM_QPainterSmoothTransform(benchmark::State& state) {
  QThreadPool::globalInstance()->setMaxThreadCount(1);
  const QImage source = benchPicture(static_cast<int>(state.range(0)));
  QImage frame(source.width() + 60, source.height() + 60, QImage::Format_ARGB32_Premultiplied);
  frame.fill(Qt::transparent);
  const QTransform t = poseTransform();
  for (auto _ : state) {
    QPainter painter(&frame);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setTransform(t);
    painter.drawImage(0, 0, source);
    painter.end();
    benchmark::DoNotOptimize(frame.constBits());
  }
  state.SetItemsProcessed(state.iterations() * (source.width() + 1) * (source.height() + 1));
}
BENCHMARK(BM_QPainterSmoothTransform)
    ->Arg(0)
    ->Arg(1)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
