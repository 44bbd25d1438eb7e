// The bubble's model and value types, and the two outlines.
#include <gtest/gtest.h>

#include <QPainterPath>

#include "bubble_samples.h"
#include "bubbles/bubble_model.h"
#include "bubbles/bubble_shape.h"
#include "bubbles/greeting_shape.h"

namespace pimble {
namespace {

TEST(BubbleModel, StartsWithQuickActionsSoftTailLeftAndSilentAnswers) {
  BubbleModel model;
  EXPECT_EQ(model.content().kase(), BubbleContent::Case::quickActions);
  EXPECT_EQ(model.style(), BubbleStyle::soft);
  EXPECT_TRUE(model.tailOnLeading());
  // Every answer can be given before the owner installs its own.
  model.onDone();
  model.onSnooze();
  model.onSkip();
  model.onClose();
  model.onQuickAction(QuickAction::water);
  model.onCheckIn(CheckInResponse::remindIn(5));
  model.onIntentionStart({"a", "A"}, 5, "x", std::nullopt);
  model.onIntentionCancel();
  model.onSessionStart(SessionPreset::all()[0]);
  // An owner that empties a closure is skipped, not called.
  model.onDone = nullptr;
  BubbleModel::call(model.onDone);
}

TEST(BubbleModel, AnnouncesEveryAssignmentAlsoOfEqualValues) {
  BubbleModel model;
  int content = 0, style = 0, tail = 0;
  QObject::connect(&model, &BubbleModel::contentChanged, [&] { ++content; });
  QObject::connect(&model, &BubbleModel::styleChanged, [&] { ++style; });
  QObject::connect(&model, &BubbleModel::tailOnLeadingChanged, [&] { ++tail; });
  model.setContent(BubbleContent::quickActions());
  model.setStyle(BubbleStyle::soft);
  model.setTailOnLeading(true);
  EXPECT_EQ(content + style + tail, 3);
}

TEST(BubbleModel, ContentCasesAndWhoOpenedThem) {
  EXPECT_TRUE(BubbleContent::quickActions().isUserOpened());
  EXPECT_TRUE(BubbleContent::intentionForm(samples::form(false)).isUserOpened());
  EXPECT_FALSE(BubbleContent::intentionForm(samples::form(true)).isUserOpened());
  EXPECT_FALSE(BubbleContent::reminder(samples::water()).isUserOpened());
  EXPECT_FALSE(BubbleContent::checkIn(samples::appCheckIn()).isUserOpened());
  EXPECT_FALSE(BubbleContent::message("a", "b").isUserOpened());
  EXPECT_FALSE(BubbleContent::progress({}).isUserOpened());
  const BubbleContent m = BubbleContent::message("T", "");
  ASSERT_NE(m.get<BubbleContent::Message>(), nullptr);
  EXPECT_EQ(m.get<Reminder>(), nullptr);
}

TEST(BubbleModel, IntentionFormEqualityIncludesIdAndOptionals) {
  const IntentionForm a = samples::form(false);
  IntentionForm b = a;
  EXPECT_EQ(a, b);
  b.id = Uuid::generate();
  EXPECT_NE(a, b);
  IntentionForm c = a;
  c.target.reset();
  EXPECT_NE(a, c);
}

TEST(BubbleModel, QuickActionNamesMatchExactly) {
  EXPECT_EQ(enumFromName<QuickAction>("pause30"), QuickAction::pause30);
  EXPECT_EQ(enumFromName<QuickAction>("Pause30"), std::nullopt);
  EXPECT_EQ(enumFromName<QuickAction>(""), std::nullopt);
  EXPECT_EQ(allCases<QuickAction>().size(), 5u);
  EXPECT_EQ(quickActionTitle(QuickAction::pause30), "Pause 30 min");
}

TEST(BubbleShape, TailOnTheRightThenMirrored) {
  const QRectF rect(8, 8, 304, 200);
  BubbleShape shape;
  shape.tailOnLeading = false;
  const QPainterPath right = shape.path(rect);
  // The tip touches the right edge a little below the middle of the base.
  EXPECT_TRUE(right.contains(QPointF(rect.right() - 2, rect.top() + 32 + 0.55 * 16)));
  EXPECT_FALSE(right.contains(QPointF(rect.right() - 2, rect.top() + 20)));
  EXPECT_FALSE(right.contains(QPointF(rect.right() - 2, rect.top() + 60)));
  EXPECT_TRUE(right.contains(QPointF(rect.left() + 5, rect.center().y())));
  EXPECT_NEAR(right.boundingRect().right(), rect.right(), 1e-9);
  shape.tailOnLeading = true;
  const QPainterPath left = shape.path(rect);
  EXPECT_TRUE(left.contains(QPointF(rect.left() + 2, rect.top() + 32 + 0.55 * 16)));
  EXPECT_FALSE(left.contains(QPointF(rect.left() + 5, rect.top() + 60)));
  EXPECT_NEAR(left.boundingRect().left(), rect.left(), 1e-9);
  // A body corner is a quadratic curve through the sharp corner, 18 points long.
  EXPECT_FALSE(left.contains(QPointF(rect.right() - 2, rect.bottom() - 2)));
  EXPECT_TRUE(left.contains(QPointF(rect.right() - 9, rect.bottom() - 9)));
}

TEST(GreetingShape, BodyTailAndFlip) {
  const QRectF rect(0, 0, 100, 20);
  EXPECT_DOUBLE_EQ(GreetingShape::cornerRadius(20 - 7), 6.5);
  GreetingShape down;
  const QPainterPath d = down.path(rect);
  EXPECT_NEAR(d.boundingRect().bottom(), 20, 1e-9);
  EXPECT_TRUE(d.contains(QPointF(50, 17)));   // the tail under the body's centre
  EXPECT_FALSE(d.contains(QPointF(20, 17)));  // beside it, nothing
  GreetingShape up;
  up.tailDown = false;
  const QPainterPath u = up.path(rect);
  EXPECT_TRUE(u.contains(QPointF(50, 3)));
  EXPECT_FALSE(u.contains(QPointF(20, 3)));
  EXPECT_TRUE(u.contains(QPointF(20, 15)));
}

}  // namespace
}  // namespace pimble
