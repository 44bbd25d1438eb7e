// Renders every bubble content in every style with the tail on either side,
// and the greeting bubble, as PNG files: into $PIMBLE_BUBBLE_RENDER_DIR when
// set (for a person to look at), else into a temporary folder. Each picture
// must show an opaque bubble body and keep the corners outside it clear.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "bubble_samples.h"
#include "bubbles/bubble_model.h"
#include "bubbles/bubble_view.h"
#include "bubbles/greeting_bubble_view.h"

namespace pimble {
namespace {

QString outputDir(QTemporaryDir& temp) {
  const QByteArray dir = qgetenv("PIMBLE_BUBBLE_RENDER_DIR");
  if (!dir.isEmpty()) {
    QDir().mkpath(QString::fromLocal8Bit(dir));
    return QString::fromLocal8Bit(dir);
  }
  return temp.path();
}

TEST(BubbleRender, EveryContentStyleAndTailSide) {
  QTemporaryDir temp;
  const QString dir = outputDir(temp);
  for (const auto& [name, content] : samples::everyContent()) {
    for (BubbleStyle style : allCases<BubbleStyle>()) {
      for (bool leading : {true, false}) {
        BubbleModel model;
        model.setStyle(style);
        model.setTailOnLeading(leading);
        model.setContent(content);
        BubbleView view(model);
        view.finishAppearance();
        view.resize(BubbleView::fixedWidth, std::max(90, view.fittingHeight()));
        const QImage image = view.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const QString file =
            QStringLiteral("%1/bubble-%2-%3-%4.png")
                .arg(dir, QString::fromStdString(name), QString::fromLatin1(enumName(style).data()),
                     leading ? QStringLiteral("left") : QStringLiteral("right"));
        ASSERT_TRUE(image.save(file, "PNG")) << file.toStdString();
        SCOPED_TRACE(file.toStdString());
        EXPECT_EQ(qAlpha(image.pixel(1, 1)), 0);  // outside the body: clear
        const QPoint inside(image.width() / 2, 40);
        EXPECT_GT(qAlpha(image.pixel(inside)), 200);
        // The tail sticks out on its side at 32 to 48 points below the frame top.
        const int tailX = leading ? 9 : image.width() - 10;
        EXPECT_GT(qAlpha(image.pixel(tailX, 8 + 41)), 120);
        EXPECT_LT(qAlpha(image.pixel(tailX, 8 + 70)), 40);
      }
    }
  }
  for (BubbleStyle style : allCases<BubbleStyle>()) {
    for (bool down : {true, false}) {
      GreetingBubbleView view;
      view.set(QStringLiteral("Good morning! Ready when you are."), style, down);
      view.resize(view.fittingSize());
      const QImage image = view.grab().toImage();
      EXPECT_TRUE(image.save(QStringLiteral("%1/greeting-%2-%3.png")
                                 .arg(dir, QString::fromLatin1(enumName(style).data()),
                                      down ? QStringLiteral("down") : QStringLiteral("up")),
                             "PNG"));
    }
  }
}

}  // namespace
}  // namespace pimble
