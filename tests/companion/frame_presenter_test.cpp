// A window that puts its own frames on a real X server: what reaches the
// screen, and which exposures are sent again.
#include <gtest/gtest.h>

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <cstdlib>
#include <memory>

#include "companion/companion_panel.h"
#include "companion/frame_presenter.h"
#include "companion/glimmet_host_view.h"
#include "companion/x11_window_state.h"
#include "fake_figure.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using namespace pimble::testing;

xcb_connection_t* connection() {
  return qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
}

// What the screen shows in `area` (root coordinates), as 0xRRGGBB pixels.
QImage onScreen(QRect area) {
  xcb_connection_t* c = connection();
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
  xcb_get_image_reply_t* reply =
      xcb_get_image_reply(c,
                          xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, std::int16_t(area.x()),
                                        std::int16_t(area.y()), std::uint16_t(area.width()),
                                        std::uint16_t(area.height()), ~0u),
                          nullptr);
  if (reply == nullptr) return {};
  QImage image(xcb_get_image_data(reply), area.width(), area.height(), area.width() * 4,
               QImage::Format_RGB32);
  image = image.copy();
  std::free(reply);
  return image;
}

// Waits until the server has handled what was sent and Qt has passed on the
// events it made meanwhile.
void settle() {
  xcb_connection_t* c = connection();
  std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
  waitUntil([] { return false; }, std::chrono::milliseconds(150));
}

// A top-level window the window manager leaves alone (so that a new outline
// exposes it directly), painted on screen by its presenter only.
class Canvas : public QWidget {
 public:
  Canvas() : QWidget(nullptr, Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    setGeometry(40, 40, 80, 80);
  }
  QPaintEngine* paintEngine() const override { return nullptr; }
};

class FramePresenterDesktop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (auto why = missingX()) GTEST_SKIP() << *why;
    canvas_ = std::make_unique<Canvas>();
    canvas_->winId();
    presenter_ = std::make_unique<FramePresenter>(*canvas_);
    if (!presenter_->attach()) GTEST_SKIP() << "the X server has no 32-bit visual with alpha";
    presenter_->onFrameWanted = [this] { ++framesWanted_; };
  }
  void TearDown() override {
    presenter_.reset();
    canvas_.reset();
  }

  // A frame with an opaque square `square` (device pixels), the window cut to
  // it first, as the character's window does without a compositor.
  void present(QRect square, QColor colour = Qt::red) {
    QImage& frame = presenter_->beginFrame(canvas_->size(), 1);
    QPainter(&frame).fillRect(square, colour);
    X11WindowState::setBoundingRegion(*canvas_, QRegion(square));
    presenter_->present();
    settle();
  }
  // Whether the canvas is shown where it was put, which is where shown()
  // reads the screen.
  bool canvasShown() const { return shownPlace(QString::number(canvas_->winId())).has_value(); }
  QImage shown(QRect square) const { return onScreen(square.translated(canvas_->pos())); }
  static bool all(const QImage& image, QRgb colour) {
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        if ((image.pixel(x, y) & 0xffffff) != (colour & 0xffffff)) return false;
      }
    }
    return !image.isNull();
  }

  std::unique_ptr<Canvas> canvas_;
  std::unique_ptr<FramePresenter> presenter_;
  int framesWanted_ = 0;
};

TEST_F(FramePresenterDesktop, ShowsItsFramesAndSendsNoExposureTheLastFrameCovers) {
  // A frame before the window is exposed would go nowhere, and a window
  // manager still taking the window in may never expose what it missed: it
  // is not sent, and the exposure asks for one.
  presenter_->beginFrame(canvas_->size(), 1).fill(Qt::red);
  presenter_->present();
  EXPECT_EQ(presenter_->framesPresented(), 0);
  canvas_->show();
  // Exposed before any frame: one is asked for.
  ASSERT_TRUE(waitUntil([&] { return framesWanted_ > 0; }));
  ASSERT_TRUE(canvas_->testAttribute(Qt::WA_PaintOnScreen));
  ASSERT_TRUE(canvasShown());

  present(QRect(10, 10, 20, 20));
  EXPECT_TRUE(all(shown(QRect(10, 10, 20, 20)), qRgb(255, 0, 0)));
  const long covered = presenter_->exposuresCovered();
  const long answered = presenter_->exposuresAnswered();

  // A larger outline shows more of the window: the server exposes the new
  // part before the frame that fills it, which is not sent again.
  present(QRect(10, 10, 50, 40), Qt::blue);
  EXPECT_TRUE(all(shown(QRect(10, 10, 50, 40)), qRgb(0, 0, 255)));
  EXPECT_EQ(presenter_->exposuresCovered(), covered + 1);
  EXPECT_EQ(presenter_->exposuresAnswered(), answered);
  EXPECT_EQ(presenter_->framesPresented(), 2);
}

TEST_F(FramePresenterDesktop, AnExposureAfterTheFrameGetsItsPixelsAgainWithoutPainting) {
  canvas_->show();
  ASSERT_TRUE(waitUntil([&] { return framesWanted_ > 0; }));
  ASSERT_TRUE(canvasShown());
  present(QRect(0, 0, 80, 80), Qt::green);
  ASSERT_TRUE(all(shown(QRect(0, 0, 80, 80)), qRgb(0, 255, 0)));
  // A blue frame cut to a small square: only the square turns blue.
  present(QRect(30, 30, 20, 20), Qt::blue);
  const long answered = presenter_->exposuresAnswered();
  const long covered = presenter_->exposuresCovered();

  // The window shown whole again after that frame (as a window manager
  // reshaping the frame around it does): the server exposes the rest, and
  // the kept frame fills it, clear there, shown black without a compositor.
  X11WindowState::setBoundingRegion(*canvas_, QRegion(0, 0, 80, 80));
  xcb_flush(connection());
  ASSERT_TRUE(waitUntil([&] { return presenter_->exposuresAnswered() > answered; }));
  settle();
  EXPECT_EQ(presenter_->exposuresCovered(), covered);
  const QImage image = shown(QRect(0, 0, 80, 80));
  EXPECT_TRUE(all(image.copy(30, 30, 20, 20), qRgb(0, 0, 255)));
  EXPECT_TRUE(all(image.copy(0, 0, 80, 30), qRgb(0, 0, 0)));
  EXPECT_TRUE(all(image.copy(0, 50, 80, 30), qRgb(0, 0, 0)));
  EXPECT_EQ(presenter_->framesPresented(), 2);
}

TEST(FramePresenterDesktopView, TheCharactersWindowShowsWhatItsViewPaints) {
  if (auto why = missingX()) GTEST_SKIP() << *why;
  // The character's window as its controller wires it, with a translucent
  // disc for a figure.
  CompanionPanel panel;
  FigureLog log;
  auto* view = new GlimmetHostView(std::make_unique<FakeFigure>(&log), &panel);
  LayerPtr disc = Layer::make();
  disc->setBounds({120, 120});
  disc->setCornerRadius(60);
  disc->setBackgroundColor(QColor(40, 90, 200, 220));
  disc->setPosition({110, 150});
  view->figure().rootLayer()->addSublayer(disc);
  std::vector<QRegion> masks;
  view->onFrameMask = [&](const QRegion& mask) {
    masks.push_back(mask);
    panel.setBoundingMask(mask);
  };
  panel.onShapedChanged = [&](bool shaped) { view->setReportsFrameMask(shaped); };
  view->setReportsFrameMask(panel.isShaped());
  view->setFramePresenter(&panel.framePresenter());
  panel.setGeometry(100, 100, 155, 155);
  view->setGeometry(0, 0, 155, 155);
  panel.show();
  ASSERT_TRUE(waitUntil([&] { return panel.framePresenter().framesPresented() > 0; }));
  if (!panel.framePresenter().isAttached()) GTEST_SKIP() << "Qt presents the frames here";
  EXPECT_TRUE(panel.testAttribute(Qt::WA_PaintOnScreen));
  settle();

  // A grab still paints through Qt, and gives the same pixels.
  const QImage painted =
      view->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
  // Without a compositor the screen holds the painted pixels, their alpha
  // dropped, wherever the window shows: the frame's mask.
  if (!panel.isShaped()) GTEST_SKIP() << "a compositor blends the window with the desktop";
  ASSERT_FALSE(masks.empty());
  // The window manager maps the window in its own time (slowly on a busy
  // machine), and the frame kept for it fills what that exposes a moment
  // later: the screen is read where the window is shown until it matches,
  // or the time runs out.
  const std::optional<QRect> place = shownPlace(QString::number(panel.winId()));
  ASSERT_TRUE(place) << "the window is not shown where it was put";
  QString mismatch;
  int compared = 0;
  const auto matches = [&] {
    const QImage screen = onScreen(*place);
    compared = 0;
    for (const QRect& r : masks.back()) {
      for (int y = r.top(); y <= r.bottom(); ++y) {
        for (int x = r.left(); x <= r.right(); ++x, ++compared) {
          if ((screen.pixel(x, y) & 0xffffff) != (painted.pixel(x, y) & 0xffffff)) {
            mismatch = QStringLiteral("at %1,%2: %3 on screen, %4 painted")
                           .arg(x)
                           .arg(y)
                           .arg(screen.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'))
                           .arg(painted.pixel(x, y) & 0xffffff, 6, 16, QLatin1Char('0'));
            return false;
          }
        }
      }
    }
    return true;
  };
  EXPECT_TRUE(waitUntil(matches, std::chrono::seconds(5))) << mismatch.toStdString();
  EXPECT_GT(compared, 50 * 50);
}

TEST(FramePresenter, PaintedAreaBoundsEveryPixelNotFullyClear) {
  QImage frame(40, 30, QImage::Format_ARGB32_Premultiplied);
  frame.fill(Qt::transparent);
  EXPECT_TRUE(FramePresenter::paintedArea(frame).isEmpty());
  frame.setPixel(7, 3, qPremultiply(qRgba(255, 255, 255, 1)));  // barely there counts
  EXPECT_EQ(FramePresenter::paintedArea(frame), QRect(7, 3, 1, 1));
  frame.setPixel(39, 20, 0xff000000);
  frame.setPixel(0, 29, 0x80000000);
  EXPECT_EQ(FramePresenter::paintedArea(frame), QRect(0, 3, 40, 27));
}

}  // namespace
}  // namespace pimble
