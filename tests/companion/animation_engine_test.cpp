#include <gtest/gtest.h>

#include <QTest>
#include <cmath>

#include "companion/layers/animation_group.h"
#include "companion/layers/basic_animation.h"
#include "companion/layers/fade_transition.h"
#include "companion/layers/frame_driver.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/layer.h"
#include "companion/layers/manual_clock.h"
#include "companion/layers/scheduler.h"
#include "companion/layers/shape_layer.h"
#include "companion/layers/transaction.h"

namespace pimble {
namespace {

double y(const Layer& l, double t) {
  return valueAs<QPointF>(l.presentationValue("position", t), {}).y();
}
double opacity(const Layer& l, double t) {
  return valueAs<double>(l.presentationValue("opacity", t), -1);
}
LayerTransform transform(const Layer& l, double t) {
  return valueAs<LayerTransform>(l.presentationValue("transform", t), {});
}

TEST(TimingFunctionTest, NamedCurvesMatchTheirBeziers) {
  EXPECT_DOUBLE_EQ(TimingFunction::linear()(0.3), 0.3);
  for (auto f :
       {TimingFunction::easeIn(), TimingFunction::easeOut(), TimingFunction::easeInEaseOut()}) {
    EXPECT_NEAR(f(0), 0, 1e-6);
    EXPECT_NEAR(f(1), 1, 1e-6);
    EXPECT_NEAR(f(-3), 0, 1e-6);
    EXPECT_NEAR(f(std::nan("")), 0, 1e-6);
  }
  EXPECT_NEAR(TimingFunction::easeInEaseOut()(0.5), 0.5, 1e-5);
  EXPECT_NEAR(TimingFunction::easeIn()(0.5), 0.3153, 1e-3);
  EXPECT_NEAR(TimingFunction::easeOut()(0.5), 0.6847, 1e-3);
  EXPECT_LT(TimingFunction::easeInEaseOut()(0.25), 0.25);
}

TEST(ManualClockTest, RunsDueWorkInOrderAtItsOwnTimeAndHonoursCancel) {
  ManualClock clock(10);
  std::vector<std::pair<int, double>> ran;
  clock.after(0.5, [&] { ran.push_back({2, clock.now()}); });
  clock.after(0.2, [&] { ran.push_back({1, clock.now()}); });
  auto cancelled = clock.after(0.3, [&] { ran.push_back({9, clock.now()}); });
  auto repeating = clock.every(0.4, [&] { ran.push_back({4, clock.now()}); });
  cancelled.cancel();
  EXPECT_FALSE(cancelled.isPending());
  clock.advance(1.0);
  repeating.cancel();
  clock.advance(5);
  ASSERT_EQ(ran.size(), 4u);
  EXPECT_EQ(ran[0], std::make_pair(1, 10.2));
  EXPECT_EQ(ran[1].first, 4);
  EXPECT_DOUBLE_EQ(ran[1].second, 10.4);
  EXPECT_EQ(ran[2], std::make_pair(2, 10.5));
  EXPECT_DOUBLE_EQ(ran[3].second, 10.8);
  EXPECT_DOUBLE_EQ(clock.now(), 16);
  EXPECT_EQ(animation_clock::now(), 16);
}

TEST(AnimationTiming, BasicAnimationRunsFromItsAddTimeAndIsRemovedAtItsEnd) {
  ManualClock clock(100);
  auto layer = Layer::make();
  layer->setPosition({0, 10});
  auto a = BasicAnimation::make("position.y", 0.0, 100.0, 2.0);
  std::vector<bool> stops;
  a->onStop = [&](bool finished) { stops.push_back(finished); };
  layer->addAnimation(a, "move");
  EXPECT_DOUBLE_EQ(y(*layer, 99), 10);  // before it begins: no fill
  EXPECT_DOUBLE_EQ(y(*layer, 100.5), 25);
  EXPECT_DOUBLE_EQ(y(*layer, 101.5), 75);
  EXPECT_EQ(layer->animationKeys(), std::vector<std::string>{"move"});
  clock.advance(2.0);
  EXPECT_TRUE(layer->animationKeys().empty());
  EXPECT_DOUBLE_EQ(y(*layer, 102.1), 10);
  EXPECT_EQ(stops, std::vector<bool>{true});
  // The model never changed.
  EXPECT_DOUBLE_EQ(layer->position().y(), 10);
}

TEST(AnimationTiming, RepeatAutoreverseOffsetAndFillModes) {
  ManualClock clock(0.5);
  auto layer = Layer::make();
  auto a = BasicAnimation::make("opacity", 0.0, 1.0, 1.0);
  a->repeatCount = 2.5;
  a->autoreverses = true;
  a->fillMode = FillMode::both;
  a->removedOnCompletion = false;
  a->beginTime = 10;
  layer->addAnimation(a, "k");
  EXPECT_DOUBLE_EQ(opacity(*layer, 5), 0);  // backwards fill: the start value
  EXPECT_DOUBLE_EQ(opacity(*layer, 10.25), 0.25);
  EXPECT_DOUBLE_EQ(opacity(*layer, 11.25), 0.75);  // reversing
  EXPECT_DOUBLE_EQ(opacity(*layer, 12.5), 0.5);
  EXPECT_DOUBLE_EQ(opacity(*layer, 20), 1);  // 5 s span ends half way up: holds 1
  clock.advanceTo(16);
  EXPECT_EQ(layer->animationKeys().size(), 1u);  // kept, holding its value

  auto b = BasicAnimation::make("opacity", 0.0, 1.0, 4.0);
  b->repeatCount = Animation::kForever;
  b->timeOffset = 1;
  layer->addAnimation(b, "k");  // replaces the first
  EXPECT_DOUBLE_EQ(opacity(*layer, 16), 0.25);
  EXPECT_DOUBLE_EQ(opacity(*layer, 19.5), 0.125);  // wrapped into the next cycle
  clock.advance(1000);
  EXPECT_EQ(layer->animationKeys(), std::vector<std::string>{"k"});

  // A finite animation with an offset starts part way and wraps within its span.
  auto c = BasicAnimation::make("opacity", 0.0, 1.0, 5.0);
  c->timeOffset = 2;
  layer->addAnimation(c, "k");
  const double t0 = clock.now();
  EXPECT_DOUBLE_EQ(opacity(*layer, t0), 0.4);
  EXPECT_DOUBLE_EQ(opacity(*layer, t0 + 3.5), 0.1);
}

TEST(AnimationTiming, SlowMotionsStepTogetherOnOneGrid) {
  ManualClock clock(100.03);
  auto a = Layer::make();
  auto b = Layer::make();
  auto slide = BasicAnimation::make("position.y", 0.0, 100.0, 2.0);
  slide->frameRate = 10;
  a->addAnimation(slide, "slide");
  clock.advance(0.047);
  auto other = BasicAnimation::make("position.y", 0.0, 100.0, 2.0);
  other->frameRate = 10;
  b->addAnimation(other, "slide");
  // Values hold through a step and change at its boundary, a tenth of a
  // second of media time, whenever each motion began.
  EXPECT_DOUBLE_EQ(y(*a, 100.31), y(*a, 100.39));
  EXPECT_LT(y(*a, 100.39), y(*a, 100.4));
  EXPECT_LT(y(*b, 100.39), y(*b, 100.4));
  double rate = 0;
  EXPECT_NEAR(a->nextPresentationChange(100.31, rate), 100.4, 1e-9);
  EXPECT_NEAR(b->nextPresentationChange(100.31, rate), 100.4, 1e-9);
  EXPECT_EQ(rate, 0);  // nothing asks for smooth frames
  // A timer firing a millisecond early already shows the new step.
  EXPECT_DOUBLE_EQ(y(*a, 100.399), y(*a, 100.4));
  slide->frameRate = 60;  // smooth again: moves between any two times
  EXPECT_LT(y(*a, 100.31), y(*a, 100.39));
  EXPECT_DOUBLE_EQ(a->nextPresentationChange(100.31, rate), 100.31);
  EXPECT_EQ(rate, 60);
}

TEST(AnimationComposition, AdditiveAddsInOrderAndNonAdditiveReplaces) {
  ManualClock clock;
  auto layer = Layer::make();
  layer->setPosition({5, 100});
  layer->setTransform({0, 0, 0, -1, 1});  // mirrored
  auto floatUp = BasicAnimation::make("position.y", 0.0, 10.0, 1.0);
  floatUp->additive = true;
  auto hop = BasicAnimation::make("position.y", 0.0, 4.0, 1.0);
  hop->additive = true;
  layer->addAnimation(floatUp, "float");
  layer->addAnimation(hop, "hop");
  const double t = clock.now() + 0.5;
  EXPECT_DOUBLE_EQ(y(*layer, t), 107);
  EXPECT_DOUBLE_EQ(valueAs<QPointF>(layer->presentationValue("position", t), {}).x(), 5);

  auto pin = BasicAnimation::make("position", QPointF(0, 0), QPointF(0, 0), 1.0);
  layer->addAnimation(pin, "pin");  // added last: replaces everything before it
  EXPECT_DOUBLE_EQ(y(*layer, t), 0);
  layer->removeAnimation("pin");

  auto grow = BasicAnimation::make("transform.scale", 0.0, 1.0, 1.0);
  grow->additive = true;
  layer->addAnimation(grow, "grow");
  auto turn = BasicAnimation::make("transform.rotation.z", 0.0, 1.0, 1.0);
  layer->addAnimation(turn, "turn");
  const LayerTransform m = transform(*layer, t);
  EXPECT_DOUBLE_EQ(m.sx, -0.5);  // each factor moves by the offset
  EXPECT_DOUBLE_EQ(m.sy, 1.5);
  EXPECT_DOUBLE_EQ(m.rotation, 0.5);

  auto whole = BasicAnimation::make("transform", LayerTransform{0, 0, 0, -2, 1},
                                    LayerTransform{10, 0, 1, -2, 1}, 1.0);
  layer->addAnimation(whole, "whole");
  EXPECT_DOUBLE_EQ(transform(*layer, t).sx, -2);  // no decomposition: the sign survives
  EXPECT_DOUBLE_EQ(transform(*layer, t).tx, 5);

  layer->addAnimation(BasicAnimation::make("opacity", 0.0, 1.0, 1), "behavior");
  layer->addAnimation(BasicAnimation::make("opacity", 0.0, 1.0, 1), "behavior2");
  layer->removeAnimations("behavior");
  EXPECT_EQ(layer->animationKeys(),
            (std::vector<std::string>{"float", "hop", "grow", "turn", "whole"}));
  layer->removeAllAnimations();
  EXPECT_TRUE(layer->animationKeys().empty());
}

TEST(KeyframeAnimationTest, KeyTimesDiscreteAndPacedModes) {
  ManualClock clock(0);
  auto layer = Layer::make();
  auto hop = KeyframeAnimation::numbers("position.y", {0, 10, 0, 0, 10, 0},
                                        {0, 0.225, 0.5, 0.5, 0.725, 1}, 0.84);
  layer->addAnimation(hop, "state");
  EXPECT_NEAR(y(*layer, 0.225 * 0.84), 10, 1e-9);
  EXPECT_NEAR(y(*layer, 0.42), 0, 1e-9);
  EXPECT_NEAR(y(*layer, 0.6125 * 0.84), 5, 1e-9);

  auto bad = KeyframeAnimation::numbers("opacity", {0, 1, 0}, {0, 0.9, 0.2}, 1);  // unordered
  EXPECT_EQ(bad->effectiveKeyTimes(), (std::vector<double>{0, 0.5, 1}));
  auto discrete = KeyframeAnimation::numbers("opacity", {0.1, 0.2, 0.3, 0.4}, {}, 1);
  discrete->calculationMode = CalculationMode::discrete;
  layer->addAnimation(discrete, "d");
  EXPECT_DOUBLE_EQ(opacity(*layer, 0.2), 0.1);
  EXPECT_DOUBLE_EQ(opacity(*layer, 0.3), 0.2);
  EXPECT_DOUBLE_EQ(opacity(*layer, 0.99), 0.4);

  auto paced = KeyframeAnimation::make("position", {QPointF(0, 0), QPointF(30, 0), QPointF(30, 10)},
                                       {0, 0.5, 1}, 4);
  paced->calculationMode = CalculationMode::paced;
  EXPECT_EQ(paced->effectiveKeyTimes(), (std::vector<double>{0, 0.75, 1}));
  layer->addAnimation(paced, "p");
  EXPECT_DOUBLE_EQ(valueAs<QPointF>(layer->presentationValue("position", 2), {}).x(), 20);
}

TEST(AnimationGroupTest, ChildrenRunInGroupTimeWarpedByTheGroupTiming) {
  ManualClock clock(0);
  auto layer = Layer::make();
  auto fade = KeyframeAnimation::numbers("opacity", {0, 1, 1, 0}, {0, 0.25, 0.75, 1}, 0);
  auto move = BasicAnimation::make("position.y", 0.0, 10.0, 1.0);
  move->beginTime = 1.0;  // second half of the group only
  auto group = AnimationGroup::make({fade, move}, 2.0);
  group->beginTime = 5;
  group->fillMode = FillMode::backwards;
  layer->addAnimation(group, "spark");
  EXPECT_DOUBLE_EQ(opacity(*layer, 4), 0);  // filled backwards before it begins
  EXPECT_DOUBLE_EQ(opacity(*layer, 5.25), 0.5);
  EXPECT_DOUBLE_EQ(y(*layer, 5.5), 0);  // child not begun, no fill
  EXPECT_DOUBLE_EQ(y(*layer, 6.5), 5);
  EXPECT_DOUBLE_EQ(opacity(*layer, 8), 1);  // ended, nothing applies

  auto warped = AnimationGroup::make({BasicAnimation::make("opacity", 0.0, 1.0, 0)}, 1.0);
  warped->timingFunction = TimingFunction::easeIn();
  layer->addAnimation(warped, "w");
  EXPECT_NEAR(opacity(*layer, 0.5), TimingFunction::easeIn()(0.5), 1e-9);
}

TEST(TransactionTest, ImplicitAnimationStartsAtThePresentationValue) {
  ManualClock clock(0);
  auto layer = Layer::make();
  layer->setOpacity(0);
  EXPECT_TRUE(layer->animationKeys().empty());  // no transaction: jumps
  {
    TransactionScope t(1.0, TimingFunction::linear());
    layer->setOpacity(1);
  }
  EXPECT_DOUBLE_EQ(layer->opacity(), 1);
  EXPECT_DOUBLE_EQ(opacity(*layer, 0.5), 0.5);
  clock.advance(0.5);
  {
    TransactionScope t(1.0, TimingFunction::linear());
    layer->setOpacity(0);  // turns back from where it is on screen
  }
  EXPECT_DOUBLE_EQ(opacity(*layer, 0.5), 0.5);
  EXPECT_DOUBLE_EQ(opacity(*layer, 1.0), 0.25);

  layer->disableActions({"position"});
  {
    TransactionScope t(1.0);
    layer->setPosition({3, 3});
    layer->setBounds({4, 4});
  }
  EXPECT_EQ(layer->animationForKey("position"), nullptr);
  EXPECT_NE(layer->animationForKey("bounds"), nullptr);
  {
    ActionsDisabled quiet;
    layer->setValue("transform.rotation.z", 1.0);
  }
  EXPECT_EQ(layer->animationForKey("transform"), nullptr);
  {
    TransactionScope t(0.0);
    layer->setValue("transform.rotation.z", 2.0);
  }
  EXPECT_EQ(layer->animationForKey("transform"), nullptr);
}

TEST(TransactionTest, CompletionWaitsForEveryAnimationAddedInside) {
  ManualClock clock(0);
  auto layer = Layer::make();
  int done = 0;
  Transaction::begin();
  Transaction::setCompletion([&] { ++done; });
  layer->addAnimation(BasicAnimation::make("opacity", 0.0, 1.0, 1.0), "a");
  layer->addAnimation(BasicAnimation::make("opacity", 0.0, 1.0, 3.0), "b");
  Transaction::commit();
  clock.advance(1.5);
  EXPECT_EQ(done, 0);
  layer->removeAnimation("b");  // removal counts as the end
  EXPECT_EQ(done, 1);

  Transaction::begin();
  Transaction::setCompletion([&] { ++done; });
  Transaction::commit();  // nothing added: at commit
  EXPECT_EQ(done, 2);

  // An outer transaction also waits for what a nested one added.
  Transaction::begin();
  Transaction::setAnimationDuration(2);
  Transaction::setCompletion([&] { ++done; });
  Transaction::begin();
  EXPECT_DOUBLE_EQ(Transaction::animationDuration(), 2);
  layer->setOpacity(0.3);
  Transaction::commit();
  Transaction::commit();
  EXPECT_EQ(done, 2);
  clock.advance(2);
  EXPECT_EQ(done, 3);

  // A layer that goes away takes its animations with it.
  auto doomed = Layer::make();
  Transaction::begin();
  Transaction::setCompletion([&] { ++done; });
  doomed->addAnimation(BasicAnimation::make("opacity", 0.0, 1.0, 5.0), "x");
  Transaction::commit();
  doomed.reset();
  EXPECT_EQ(done, 4);
  EXPECT_EQ(Transaction::openCount(), 0);
}

TEST(FadeTransitionTest, ContentsCrossFadeFromTheOldImage) {
  ManualClock clock(0);
  auto root = Layer::make();
  root->setBounds({4, 4});
  root->setAnchorPoint({0, 0});
  QImage red(4, 4, QImage::Format_ARGB32_Premultiplied);
  red.fill(Qt::red);
  QImage blue(4, 4, QImage::Format_ARGB32_Premultiplied);
  blue.fill(Qt::blue);
  root->setContents(red);
  root->addAnimation(FadeTransition::make(1.0), "swap");
  {
    ActionsDisabled quiet;
    root->setContents(blue);
  }
  auto pixelAt = [&](double t) {
    QImage out(4, 4, QImage::Format_ARGB32_Premultiplied);
    out.fill(Qt::transparent);
    QPainter p(&out);
    root->paint(p, t);
    p.end();
    return QColor(out.pixel(2, 2));
  };
  const QColor mid = pixelAt(0.5);
  EXPECT_GT(mid.red(), 60);
  EXPECT_GT(mid.blue(), 100);
  EXPECT_EQ(pixelAt(1.5), QColor(Qt::blue));
}

TEST(ValueInterpolation, PathsMorphOnlyWithTheSameStructure) {
  ManualClock clock(0);
  auto shape = ShapeLayer::make();
  QPainterPath a;
  a.moveTo(0, 0);
  a.lineTo(10, 0);
  QPainterPath b;
  b.moveTo(0, 10);
  b.lineTo(20, 10);
  QPainterPath c;
  c.moveTo(0, 0);
  c.cubicTo(1, 1, 2, 2, 3, 3);
  shape->addAnimation(BasicAnimation::make("path", a, b, 1.0), "morph");
  const auto mid = valueAs<QPainterPath>(shape->presentationValue("path", 0.5), {});
  EXPECT_EQ(mid.elementAt(1).x, 15);
  EXPECT_EQ(mid.elementAt(1).y, 5);
  shape->addAnimation(BasicAnimation::make("path", a, c, 1.0), "morph");
  EXPECT_EQ(valueAs<QPainterPath>(shape->presentationValue("path", 0.4), {}), a);
  EXPECT_EQ(valueAs<QPainterPath>(shape->presentationValue("path", 0.6), {}), c);
  shape->addAnimation(
      BasicAnimation::make("fillColor", QColor(0, 0, 0), QColor(255, 255, 255), 1.0), "tint");
  EXPECT_NEAR(valueAs<QColor>(shape->presentationValue("fillColor", 0.5), {}).redF(), 0.5, 0.01);
}

TEST(FrameDriverTest, PaintsAtTheNeededRateAndStopsWhenNothingMoves) {
  ManualClock clock(0);
  auto root = Layer::make();
  auto child = Layer::make();
  root->addSublayer(child);
  int paints = 0;
  FrameDriver driver(root, [&] { ++paints; });
  clock.advance(1);
  EXPECT_EQ(paints, 1);  // the first frame
  EXPECT_FALSE(driver.isScheduled());

  auto slow = BasicAnimation::make("opacity", 0.0, 1.0, 2.0);
  slow->repeatCount = Animation::kForever;
  slow->frameRate = 20;
  child->addAnimation(slow, "breathe");
  paints = 0;
  clock.advance(10);
  EXPECT_NEAR(paints, 200, 2);

  auto fast = BasicAnimation::make("position.y", 0.0, 1.0, 1.0);
  fast->frameRate = 240;  // capped at 60
  child->addAnimation(fast, "hop");
  paints = 0;
  clock.advance(1);
  EXPECT_NEAR(paints, 60, 2);

  child->removeAllAnimations();
  clock.advance(0.1);
  paints = 0;
  clock.advance(30);
  EXPECT_EQ(paints, 0);
  EXPECT_FALSE(driver.isScheduled());

  // A delayed start wakes the driver at its begin time and not before.
  auto later = BasicAnimation::make("opacity", 0.0, 1.0, 0.5);
  later->beginTime = clock.now() + 5;
  later->frameRate = 10;
  child->addAnimation(later, "later");
  clock.advance(0.1);
  paints = 0;
  clock.advance(4.8);
  EXPECT_EQ(paints, 0);
  clock.advance(1.0);
  EXPECT_NEAR(paints, 7, 1);
  EXPECT_FALSE(driver.isScheduled());

  driver.setEnabled(false);
  child->setOpacity(0.5);
  paints = 0;
  clock.advance(1);
  EXPECT_EQ(paints, 0);
  driver.setEnabled(true);
  clock.advance(1);
  EXPECT_EQ(paints, 1);
}

}  // namespace
}  // namespace pimble

namespace pimble {
namespace {

TEST(QtSchedulerTest, RunsOnTheEventLoopAndCancelledWorkNeverRuns) {
  QtScheduler scheduler;
  int ran = 0;
  int cancelledRan = 0;
  int ticks = 0;
  scheduler.after(0.01, [&] { ++ran; });
  auto cancelled = scheduler.after(0.01, [&] { ++cancelledRan; });
  cancelled.cancel();
  auto repeating = scheduler.every(0.005, [&] { ++ticks; });
  EXPECT_EQ(ran, 0);  // never from inside the call
  EXPECT_TRUE(QTest::qWaitFor([&] { return ran == 1 && ticks >= 3; }, 2000));
  repeating.cancel();
  const int seen = ticks;
  QTest::qWait(30);
  EXPECT_EQ(ticks, seen);
  EXPECT_EQ(cancelledRan, 0);
}

}  // namespace
}  // namespace pimble
