// Writes PNG frame strips of the character's motions, for reviewers: the
// rig on a manual clock, drawn at chosen times after a state is applied, a
// behaviour starts or the character is summoned.
//
//   frame_strips OUT.png state:reminder [--times=0,0.2,0.4] [--intensity=reduced]
//   frame_strips OUT.png behavior:twirl
//   frame_strips OUT.png summon:shown [--every=0.1] [--scale=1]
//
// Without --times the frames are --every seconds apart (default 0.1) over
// the subject's length (3 s for a state).
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"
#include "companion/layers/manual_clock.h"

using namespace pimble;

namespace {

int usage() {
  std::fprintf(stderr,
               "usage: frame_strips OUT.png state:NAME|behavior:NAME|summon:shown|summoned\n"
               "       [--times=T1,T2,...] [--every=SECONDS] [--intensity=normal|reduced|off]\n"
               "       [--scale=PIXELS_PER_UNIT]\n");
  return 2;
}

std::vector<double> parseTimes(const std::string& text) {
  std::vector<double> times;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = text.find(',', start);
    const std::string part = text.substr(start, comma - start);
    char* end = nullptr;
    const double t = std::strtod(part.c_str(), &end);
    if (end != part.c_str() && std::isfinite(t) && t >= 0) times.push_back(t);
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  if (argc < 3) return usage();
  const std::string out = argv[1];
  const std::string subject = argv[2];
  std::vector<double> times;
  double every = 0.1;
  double scale = 1.0;
  AnimationIntensity intensity = AnimationIntensity::normal;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.rfind("--times=", 0) == 0) {
      times = parseTimes(arg.substr(8));
    } else if (arg.rfind("--every=", 0) == 0) {
      every = std::max(0.01, std::atof(arg.c_str() + 8));
    } else if (arg.rfind("--scale=", 0) == 0) {
      scale = std::clamp(std::atof(arg.c_str() + 8), 0.25, 4.0);
    } else if (arg.rfind("--intensity=", 0) == 0) {
      const auto parsed = enumFromName<AnimationIntensity>(arg.substr(12));
      if (!parsed) return usage();
      intensity = *parsed;
    } else {
      return usage();
    }
  }

  ManualClock clock;
  GlimmetRig rig;
  rig.installSprites(GlimmetArtwork::makeSprites(scale), scale);
  rig.setIntensity(intensity);
  rig.apply(GlimmetState::idle);
  clock.advance(0.5);

  const size_t colon = subject.find(':');
  if (colon == std::string::npos) return usage();
  const std::string kind = subject.substr(0, colon);
  const std::string name = subject.substr(colon + 1);
  double length = 3.0;
  if (kind == "state") {
    const auto state = enumFromName<GlimmetState>(name);
    if (!state) return usage();
    rig.apply(*state);
  } else if (kind == "behavior") {
    const auto behavior = enumFromName<IdleBehavior>(name);
    if (!behavior) return usage();
    length = rig.perform(*behavior);
  } else if (kind == "summon") {
    if (name == "shown") {
      length = rig.summon(GlimmetRig::SummonStyle::shown);
    } else if (name == "summoned") {
      length = rig.summon(GlimmetRig::SummonStyle::summoned);
    } else {
      return usage();
    }
  } else {
    return usage();
  }
  if (length <= 0) {
    std::fprintf(stderr, "%s was refused at this intensity; drawing its first second\n",
                 subject.c_str());
    length = 1.0;
  }
  if (times.empty()) {
    for (double t = 0; t <= length + 1e-9; t += every) times.push_back(t);
  }

  const double start = clock.now();
  const int cellW = static_cast<int>(220 * scale);
  const int cellH = static_cast<int>(310 * scale) + 18;
  const int columns = std::min<int>(10, static_cast<int>(times.size()));
  const int rows = (static_cast<int>(times.size()) + columns - 1) / columns;
  QImage strip(cellW * columns, cellH * rows, QImage::Format_ARGB32_Premultiplied);
  strip.fill(QColor(236, 240, 248));
  QPainter painter(&strip);
  painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
  painter.setFont(QFont("DejaVu Sans", 9));
  for (size_t i = 0; i < times.size(); ++i) {
    clock.advanceTo(std::max(clock.now(), start + times[i]));
    const int x = static_cast<int>(i % columns) * cellW;
    const int y = static_cast<int>(i / columns) * cellH;
    painter.save();
    painter.translate(x, y);
    painter.setPen(QColor(200, 205, 220));
    painter.drawRect(0, 0, cellW - 1, cellH - 1);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, cellH - 18, cellW, 18), Qt::AlignCenter,
                     QString::asprintf("%.2f s", clock.now() - start));
    painter.scale(scale, scale);
    rig.root->paint(painter, clock.now());
    painter.restore();
  }
  painter.end();
  if (!strip.save(QString::fromStdString(out), "PNG")) {
    std::fprintf(stderr, "could not write %s\n", out.c_str());
    return 1;
  }
  std::printf("%s: %zu frames over %.2f s\n", out.c_str(), times.size(), length);
  return 0;
}
