// The outlines the bubbles' windows are cut to where no compositor blends
// them with the desktop: they must be what the bubbles draw, shadow left out.
#include <gtest/gtest.h>

#include "bubble_samples.h"
#include "bubbles/bubble_model.h"
#include "bubbles/bubble_view.h"
#include "bubbles/greeting_bubble_view.h"
#include "companion/alpha_mask.h"

namespace pimble {
namespace {

QRegion grown(const QRegion& region, int by) {
  QRegion out;
  for (const QRect& r : region) out += r.adjusted(-by, -by, by, by);
  return out;
}

// The pixels at least half opaque of what `view` draws and of the outline
// it gives agree but for a pixel along the edge.
void expectOutlineIsDrawn(QWidget& view, const QPainterPath& outline) {
  const QImage drawn = view.grab().toImage();
  const QRegion painted = AlphaMask(drawn).region();
  const QRegion cut = AlphaMask::ofOutline(outline, view.size(), 1, 1).region();
  ASSERT_FALSE(cut.isEmpty());
  EXPECT_TRUE((painted - grown(cut, 1)).isEmpty())
      << "drawn outside the outline: " << (painted - grown(cut, 1)).boundingRect().x();
  EXPECT_TRUE((cut - grown(painted, 1)).isEmpty())
      << "outline beyond the drawing: " << (cut - grown(painted, 1)).boundingRect().x();
  // The shadow, clear of the outline, is left out.
  EXPECT_LT(cut.boundingRect().height(), view.height());
}

TEST(BubbleOutline, IsWhatTheBubbleDrawsInEveryStyleAndOnEitherSide) {
  for (BubbleStyle style : allCases<BubbleStyle>()) {
    for (bool leading : {true, false}) {
      SCOPED_TRACE(std::string(enumName(style)) + (leading ? " left" : " right"));
      BubbleModel model;
      model.setStyle(style);
      model.setTailOnLeading(leading);
      model.setContent(samples::everyContent().front().second);
      BubbleView view(model);
      view.finishAppearance();
      view.resize(BubbleView::fixedWidth, std::max(90, view.fittingHeight()));
      expectOutlineIsDrawn(view, view.outline());
    }
  }
}

TEST(BubbleOutline, FollowsThePopInAndTheTailWithoutAFade) {
  BubbleModel model;
  model.setContent(BubbleContent::message("Hello", "There"));
  BubbleView view(model);
  view.resize(BubbleView::fixedWidth, 120);
  // Shown, as in its window: the pop-in's picture is kept until an update.
  view.show();
  int changes = 0;
  view.onOutlineChanged = [&] { ++changes; };
  view.setFades(false);
  view.resetAppearance();
  // Grows out of the top corner next to the tail (on the left), fully
  // opaque from the start: a fade could only darken it on a desktop that
  // does not blend it.
  EXPECT_EQ(view.popOpacity(), 1);
  EXPECT_NEAR(view.popScale(), 0.88, 1e-9);
  EXPECT_GT(changes, 0);
  const QRectF small = view.outline().boundingRect();
  EXPECT_NEAR(small.left(), 8, 1e-6);
  EXPECT_NEAR(small.top(), 8, 1e-6);
  EXPECT_NEAR(small.width(), 304 * 0.88, 1e-6);
  expectOutlineIsDrawn(view, view.outline());

  changes = 0;
  view.finishAppearance();
  EXPECT_GT(changes, 0);
  EXPECT_EQ(view.outline().boundingRect(), QRectF(8, 8, 304, 104));
  // The tail to the other side mirrors the outline.
  changes = 0;
  model.setTailOnLeading(false);
  EXPECT_EQ(changes, 1);
  expectOutlineIsDrawn(view, view.outline());
  // A taller bubble, a taller outline.
  view.resize(BubbleView::fixedWidth, 150);
  EXPECT_EQ(view.outline().boundingRect().height(), 134);

  // With fading again, the pop-in starts clear.
  view.setFades(true);
  view.resetAppearance();
  EXPECT_EQ(view.popOpacity(), 0);
}

TEST(GreetingOutline, IsWhatTheGreetingDrawsWithTheTailEitherWay) {
  for (BubbleStyle style : allCases<BubbleStyle>()) {
    for (bool down : {true, false}) {
      SCOPED_TRACE(std::string(enumName(style)) + (down ? " down" : " up"));
      GreetingBubbleView view;
      view.set(QStringLiteral("Good morning! Ready when you are."), style, down);
      view.resize(view.fittingSize());
      expectOutlineIsDrawn(view, view.outline());
    }
  }
}

}  // namespace
}  // namespace pimble
