// A small program that shows the character in its window and prints what
// it reports, one line per event, for the desktop tests and for a look by
// hand. Commands on standard input, one a line:
//   size small|medium|large   corner bottomRight|bottomLeft|topRight|topLeft
//   above on|off              restore X Y (y-up points)
//   bubble TITLE              greet TEXT (the greeting bubble)
//   frame                     quit
#include <unistd.h>
#include <QApplication>
#include <QMouseEvent>
#include <QSocketNotifier>
#include <QTextStream>
#include <cstdio>

#include "bubbles/bubble_panel.h"
#include "bubbles/bubble_panel_controller.h"
#include "bubbles/companion_window_anchor.h"
#include "bubbles/greeting_bubble_controller.h"
#include "companion/companion_panel.h"
#include "companion/companion_window_controller.h"
#include "companion/cursor_follower.h"
#include "companion/glimmet_animator.h"
#include "companion/glimmet_host_view.h"
#include "companion/glimmet_rig.h"
#include "system/system_time_source.h"

using namespace pimble;

namespace {

void say(const QString& line);

// Every press that reaches the character's view, on the body or not.
class PressLog : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonPress) {
      const auto* e = static_cast<QMouseEvent*>(event);
      say(QString("press %1 %2").arg(e->position().x()).arg(e->position().y()));
    }
    return QObject::eventFilter(watched, event);
  }
};

void say(const QString& line) {
  std::fputs(qPrintable(line + '\n'), stdout);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setQuitOnLastWindowClosed(false);

  CompanionWindowController window;
  GlimmetHostView& view = window.hostView();
  PressLog pressLog;
  view.installEventFilter(&pressLog);
  view.onClick = [] { say("click"); };
  // The speech bubble beside the character: a double-click shows the quick
  // actions, and they follow the window while it is dragged or flies.
  BubblePanelController bubble(std::make_shared<CompanionWindowAnchor>(window));
  bubble.model().onQuickAction = [](QuickAction a) {
    say(QStringLiteral("quickAction ") + QString::fromLatin1(enumName(a).data()));
  };
  bubble.model().onClose = [&bubble] {
    say("bubbleClosed");
    bubble.hide();
  };
  SystemTimeSource time;
  GreetingBubbleController greeting(std::make_shared<CompanionWindowAnchor>(window), time);
  window.onGeometryChanged = [&bubble, &greeting] {
    bubble.layoutNearCompanion();
    greeting.relayout();
  };
  view.onDoubleClick = [&bubble] {
    say("doubleClick");
    bubble.show(BubbleContent::quickActions(), BubbleStyle::soft);
  };
  view.onRightClick = [](QPoint at) { say(QString("rightClick %1 %2").arg(at.x()).arg(at.y())); };
  GlimmetRig* rig = view.figure().rig();
  GlimmetAnimator* animator = window.animator();
  view.onPet = [animator] {
    say("pet");
    if (animator) animator->react(GlimmetState::petted);
  };
  // The window controller owns the drag callbacks; the demo reports them
  // through its movement reports.
  auto began = view.onDragBegan;
  view.onDragBegan = [began] {
    say("dragBegan");
    began();
  };
  auto ended = view.onDragEnded;
  view.onDragEnded = [ended] {
    say("dragEnded");
    ended();
  };
  window.onMoved = [](const CompanionPosition& p) {
    say(QString("moved %1 %2 %3")
            .arg(p.originX)
            .arg(p.originY)
            .arg(p.displayID ? QString::number(*p.displayID) : QString("none")));
  };
  auto frame = [&window] {
    const QRectF f = window.frame();
    say(QString("frame %1 %2 %3 %4").arg(f.x()).arg(f.y()).arg(f.width()).arg(f.height()));
  };

  window.restore(std::nullopt);
  window.panel().show();
  if (animator) animator->setBase(GlimmetState::idle);

  // The eyes follow the pointer; the point between them sits 128 canvas
  // units below the canvas top.
  CursorFollower follower;
  follower.eyeScreenPoint = [&window]() -> std::optional<QPointF> {
    const QRectF f = window.frame();
    const double s = f.height() / 310.0;
    return QPointF(f.x() + f.width() / 2, f.y() + (310 - 128) * s);
  };
  follower.onLook = [rig](std::optional<QPointF> offset) {
    say(offset ? QString("look %1 %2").arg(offset->x()).arg(offset->y()) : QString("look none"));
    if (rig) rig->look(offset);
  };
  follower.start();
  say(QString("ready %1").arg(window.panel().winId()));

  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&] {
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
      input.setEnabled(false);
      app.quit();
      return;
    }
    static QString pending;
    pending += QString::fromUtf8(buffer, int(n));
    while (pending.contains('\n')) {
      const int end = pending.indexOf('\n');
      const QStringList words = pending.left(end).simplified().split(' ', Qt::SkipEmptyParts);
      pending.remove(0, end + 1);
      if (words.isEmpty()) continue;
      const QString& command = words[0];
      const QString arg = words.value(1);
      if (command == "quit") {
        app.quit();
      } else if (command == "frame") {
        frame();
      } else if (command == "size") {
        window.apply(enumFromName<CompanionSize>(arg.toStdString()).value_or(CompanionSize::medium),
                     false);
        frame();
      } else if (command == "corner") {
        if (auto corner = enumFromName<CompanionCorner>(arg.toStdString())) window.move(*corner);
      } else if (command == "above") {
        window.panel().setAlwaysOnTop(arg == "on");
        say("above " + arg);
      } else if (command == "bubble") {
        bubble.show(BubbleContent::message(words.mid(1).join(' ').toStdString(),
                                           "A message from the demo."),
                    BubbleStyle::soft);
        say(QString("bubble %1").arg(bubble.panel().winId()));
      } else if (command == "greet") {
        greeting.show(words.mid(1).join(' '), BubbleStyle::soft, 60);
        say(QString("greeting %1").arg(greeting.panel().winId()));
      } else if (command == "restore") {
        window.restore(CompanionPosition{words.value(1).toDouble(), words.value(2).toDouble(),
                                         std::nullopt, 2});
        frame();
      }
    }
  });
  return app.exec();
}
