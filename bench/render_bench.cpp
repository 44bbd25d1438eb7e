// Drawing costs of the character: a full sprite set at 2x (done once per
// pixel scale) and one frame of the rig's layer tree (the per-frame cost
// of a repaint).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"

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

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
