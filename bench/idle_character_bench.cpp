// The resting character's cost. Run plainly it benchmarks one frame of the
// idle character in motion (float, breathing, cape loop) at window size.
// With --rest-seconds=N it shows the character in a real window for N
// seconds with its animator running and prints its CPU time, context
// switches, frames and PSS (bench/measure-idle.sh runs it under Xvfb and
// adds the X server's share).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "companion/alpha_mask.h"
#include "companion/companion_panel.h"
#include "companion/companion_placement.h"
#include "companion/frame_presenter.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_artwork.h"
#include "companion/glimmet_figure.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "companion/layers/frame_driver.h"
#include "companion/layers/media_clock.h"

namespace {

// The companion's window at its default size (medium), and the scale at
// which its view draws the 220 × 310 canvas.
const QSizeF kWindow = pimble::CompanionPlacement::windowSize(pimble::CompanionSize::medium);
const double kScale = kWindow.height() / 310;

// The character at rest at the default size, its animator running
// (breathing, float, cape loop), drawn for a screen of `pixelRatio`.
struct RestingCharacter {
  explicit RestingCharacter(double pixelRatio = 1) : ratio(pixelRatio) {
    pimble::GlimmetHostView::keepPaintingOnMainThread();
    rig.installSprites(pimble::GlimmetArtwork::makeSprites(kScale * ratio), kScale * ratio);
    animator = std::make_unique<pimble::GlimmetAnimator>(rig);
    animator->setBase(pimble::GlimmetState::idle);
    animator->setVisible(true);
  }
  // The window's pixels, as the window paints them.
  QImage window() const {
    QImage image((kWindow * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    return image;
  }
  // One frame at media time `t`, as the window paints it.
  void paint(QImage& window, double t) {
    window.fill(Qt::transparent);
    QPainter painter(&window);
    pimble::GlimmetHostView::paintFrame(painter, *rig.root, kWindow, t);
  }
  double ratio;
  pimble::GlimmetRig rig;
  std::unique_ptr<pimble::GlimmetAnimator> animator;
};

// Frames of the resting character 0.15 s apart, as the window paints them:
// the figure's pictures are reused from frame to frame. Without the cape,
// to see its share.
void restingFrames(benchmark::State& state, bool withCape, double pixelRatio = 1) {
  RestingCharacter character(pixelRatio);
  character.rig.cape.back->setHidden(!withCape);
  QImage window = character.window();
  double t = pimble::animation_clock::now() + 1;
  for (auto _ : state) {
    t += 0.15;
    character.paint(window, t);
    benchmark::DoNotOptimize(window.constBits());
  }
}

// What a window without a compositor adds to a frame: the mask of its
// pixels at least half opaque, and its rectangles for the X server.
void BM_RestingFrameMask(benchmark::State& state) {
  RestingCharacter character;
  QImage window(kWindow.toSize(), QImage::Format_ARGB32_Premultiplied);
  character.paint(window, pimble::animation_clock::now() + 1);
  // Read into the same mask each frame, as the view does.
  pimble::AlphaMask mask;
  for (auto _ : state) {
    mask.read(window);
    benchmark::DoNotOptimize(mask.region().rectCount());
  }
}
BENCHMARK(BM_RestingFrameMask)->Unit(benchmark::kMicrosecond);

void BM_RestingFrame(benchmark::State& state) {
  restingFrames(state, true);
}
BENCHMARK(BM_RestingFrame)->Unit(benchmark::kMicrosecond);

void BM_RestingFrameWithoutCape(benchmark::State& state) {
  restingFrames(state, false);
}
BENCHMARK(BM_RestingFrameWithoutCape)->Unit(benchmark::kMicrosecond);

// On a screen scaled by 1.5 and by 2.
void BM_RestingFrameScaled(benchmark::State& state) {
  restingFrames(state, true, static_cast<double>(state.range(0)) / 10);
}
BENCHMARK(BM_RestingFrameScaled)->Arg(15)->Arg(20)->Unit(benchmark::kMicrosecond);

double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The character's own view in the companion's panel, timing its paints.
class MeasuredView : public pimble::GlimmetHostView {
 public:
  MeasuredView(std::unique_ptr<pimble::GlimmetFigure> figure, QWidget* parent)
      : GlimmetHostView(std::move(figure), parent) {}
  long frames() const { return painted_; }
  double paintSeconds() const { return paintSeconds_; }

 protected:
  void paintEvent(QPaintEvent* event) override {
    const double before = threadCpuSeconds();
    GlimmetHostView::paintEvent(event);
    paintSeconds_ += threadCpuSeconds() - before;
    ++painted_;
  }

 private:
  long painted_ = 0;
  double paintSeconds_ = 0;
};

class CharacterWindow {
 public:
  // `asLaunched`: started as the program starts its character, shown and
  // then set to rest, which takes one more draw of the seeded chances.
  CharacterWindow(pimble::CompanionSize companionSize, unsigned seed, bool asLaunched)
      : view_(new MeasuredView(std::make_unique<pimble::GlimmetFigure>(), &panel_)),
        rig_(*view_->figure().rig()),
        animator_(rig_) {
    // As the character's window controller does: without a compositor the
    // window is cut to what each frame draws.
    view_->onFrameMask = [this](const QRegion& mask) {
      ++maskChanges_;
      panel_.setBoundingMask(mask);
    };
    panel_.onShapedChanged = [this](bool shaped) { view_->setReportsFrameMask(shaped); };
    view_->setReportsFrameMask(panel_.isShaped());
    view_->setFramePresenter(&panel_.framePresenter());
    // The same blinks, glances and idle behaviours on every run.
    rig_.rng.seed(seed);
    animator_.rng.seed(seed);
    if (asLaunched) {
      animator_.setVisible(true);
      animator_.setBase(pimble::GlimmetState::idle);
    } else {
      animator_.setBase(pimble::GlimmetState::idle);
      animator_.setVisible(true);
    }
    const QSize size = pimble::CompanionPlacement::windowSize(companionSize).toSize();
    panel_.resize(size);
    view_->setGeometry(QRect(QPoint(), size));
  }
  void show() { panel_.show(); }
  // As the program's launch greeting does with an idle character.
  void greet() {
    if (animator_.base() == pimble::GlimmetState::idle)
      animator_.react(pimble::GlimmetState::happy);
  }
  long frames() const { return view_->frames(); }
  double paintSeconds() const { return view_->paintSeconds(); }
  // New window outlines sent to the X server (none with a compositor).
  long maskChanges() const { return maskChanges_; }
  // Frames and exposures sent to the X server by the window itself (none
  // where Qt presents them).
  const pimble::FramePresenter& presenter() const { return panel_.framePresenter(); }
  // Pictures of the figure and of the cape's back drawn so far.
  long pictures() const { return rig_.poseLayer->rasterDraws() + rig_.cape.back->rasterDraws(); }

 private:
  pimble::CompanionPanel panel_;
  MeasuredView* view_;
  pimble::GlimmetRig& rig_;
  pimble::GlimmetAnimator animator_;
  long maskChanges_ = 0;
};

// Context switches of this process, every thread, voluntary or not.
long contextSwitches() {
  long total = 0;
  std::error_code error;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
    std::ifstream in(task.path() / "status");
    std::string line;
    while (std::getline(in, line)) {
      for (const char* field : {"voluntary_ctxt_switches:", "nonvoluntary_ctxt_switches:"}) {
        if (line.rfind(field, 0) == 0) total += std::stol(line.substr(std::strlen(field)));
      }
    }
  }
  return total;
}

long pssKilobytes() {
  std::ifstream in("/proc/self/smaps_rollup");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("Pss:", 0) == 0) return std::stol(line.substr(4));
  }
  return -1;
}

// CPU seconds of a process, all its threads, to the nanosecond where the
// kernel keeps scheduler statistics (else in clock ticks); "self" for this
// one.
double cpuSeconds(const std::string& pid = "self") {
  std::error_code error;
  double total = 0;
  bool counted = false;
  for (const auto& task : std::filesystem::directory_iterator("/proc/" + pid + "/task", error)) {
    std::ifstream in(task.path() / "schedstat");
    double nanoseconds = 0;
    if (in >> nanoseconds) {
      total += nanoseconds * 1e-9;
      counted = true;
    }
  }
  if (counted) return total;
  std::ifstream in("/proc/" + pid + "/stat");
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = all.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream fields(all.substr(close + 2));
  std::string f;
  long utime = 0;
  long stime = 0;
  for (int i = 3; i <= 15 && fields >> f; ++i) {
    if (i == 14) utime = std::stol(f);
    if (i == 15) stime = std::stol(f);
  }
  return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

int rest(int argc, char** argv, double seconds) {
  // The X server's process, when given, is measured over the same span.
  const char* xpid = std::getenv("PIMBLE_XSERVER_PID");
  const std::string xserver = xpid != nullptr ? xpid : "";
  // Other desktop processes to measure alike, as "name=pid name=pid".
  std::vector<std::pair<std::string, std::string>> peers;
  {
    std::istringstream list(
        std::getenv("PIMBLE_PEER_PIDS") != nullptr ? std::getenv("PIMBLE_PEER_PIDS") : "");
    std::string entry;
    while (list >> entry) {
      const size_t eq = entry.find('=');
      if (eq != std::string::npos) peers.emplace_back(entry.substr(0, eq), entry.substr(eq + 1));
    }
  }
  QApplication app(argc, argv);
  // As the character's view does; PIMBLE_POOL_THREADS=N overrides it to
  // see what the thread pool costs.
  pimble::GlimmetHostView::keepPaintingOnMainThread();
  if (std::getenv("PIMBLE_POOL_THREADS") != nullptr) {
    QThreadPool::globalInstance()->setMaxThreadCount(std::atoi(std::getenv("PIMBLE_POOL_THREADS")));
  }
  pimble::CompanionSize companionSize = pimble::CompanionSize::medium;
  // Another seed shows another run of behaviours: several seeds show how
  // much the resting cost depends on which behaviours a span holds.
  unsigned seed = 7;
  // --as-launched: the character alone as the program (started with the
  // same PIMBLE_SEED) shows it after a launch, greeted 5 s after it shows,
  // and measured from 10 s on, as bench/measure-launch.sh measures the
  // program: the two spans then hold the same gestures and behaviours.
  bool asLaunched = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--seed=", 7) == 0)
      seed = static_cast<unsigned>(std::atol(argv[i] + 7));
    if (std::strcmp(argv[i], "--as-launched") == 0) asLaunched = true;
    if (std::strncmp(argv[i], "--size=", 7) == 0) {
      companionSize =
          pimble::enumFromName<pimble::CompanionSize>(argv[i] + 7).value_or(companionSize);
    }
  }
  CharacterWindow window(companionSize, seed, asLaunched);
  window.show();
  if (asLaunched) QTimer::singleShot(5000, [&] { window.greet(); });
  // Let start-up settle before counting.
  QTimer::singleShot(asLaunched ? 10000 : 2000, [&] {
    const double cpu0 = cpuSeconds();
    const double x0 = xserver.empty() ? 0 : cpuSeconds(xserver);
    std::vector<double> peers0;
    for (const auto& peer : peers) peers0.push_back(cpuSeconds(peer.second));
    const long masks0 = window.maskChanges();
    const long answered0 = window.presenter().exposuresAnswered();
    const long covered0 = window.presenter().exposuresCovered();
    const long frames0 = window.frames();
    const long pictures0 = window.pictures();
    const double paint0 = window.paintSeconds();
    const long switches0 = contextSwitches();
    QTimer::singleShot(static_cast<int>(seconds * 1000), [&, cpu0, x0, peers0, masks0, frames0,
                                                          pictures0, paint0, switches0, answered0,
                                                          covered0] {
      const double cpu = cpuSeconds() - cpu0;
      if (!xserver.empty()) {
        std::printf("xserver_cpu_percent %.3f\n", 100 * (cpuSeconds(xserver) - x0) / seconds);
      }
      for (size_t i = 0; i < peers.size(); ++i) {
        std::printf("%s_cpu_percent %.3f\n", peers[i].first.c_str(),
                    100 * (cpuSeconds(peers[i].second) - peers0[i]) / seconds);
      }
      std::printf("window_outlines_per_second %.2f\n",
                  static_cast<double>(window.maskChanges() - masks0) / seconds);
      const long switches = contextSwitches() - switches0;
      std::printf("exposures_answered_per_second %.2f\nexposures_covered_per_second %.2f\n",
                  static_cast<double>(window.presenter().exposuresAnswered() - answered0) / seconds,
                  static_cast<double>(window.presenter().exposuresCovered() - covered0) / seconds);
      std::printf("seconds %.1f\ncpu_percent %.3f\nframes_per_second %.2f\n", seconds,
                  100 * cpu / seconds, static_cast<double>(window.frames() - frames0) / seconds);
      const long frames = window.frames() - frames0;
      std::printf(
          "paint_cpu_us_per_frame %.0f\n",
          frames > 0 ? 1e6 * (window.paintSeconds() - paint0) / static_cast<double>(frames) : 0.0);
      std::printf("pictures_drawn_per_frame %.2f\n",
                  frames > 0 ? static_cast<double>(window.pictures() - pictures0) /
                                   static_cast<double>(frames)
                             : 0.0);
      std::printf("context_switches_per_second %.1f\npss_kb %ld\n",
                  static_cast<double>(switches) / seconds, pssKilobytes());
      std::fflush(stdout);
      app.quit();
    });
  });
  return app.exec();
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rest-seconds=", 15) == 0) {
      return rest(argc, argv, std::atof(argv[i] + 15));
    }
  }
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
