// The bubbles' text styles in each rounded family the program takes. Qt reads
// the installed fonts once per process, so each family is tried in a copy
// of this test program whose fontconfig offers DejaVu Sans and that family
// only.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QHash>
#include <QPushButton>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ostream>

#include "bubble_samples.h"
#include "bubbles/bubble_model.h"
#include "bubbles/bubble_view.h"
#include "settings/tour_look.h"
#include "support/desktop_peers.h"

namespace pimble {
namespace {

using BubbleLook::TextStyle;

struct Fonts {
  const char* design;  // the family name every face the bubbles use starts with
  QStringList families;
  int body;  // the weight of the body's face: medium where the design has it
};
void PrintTo(const Fonts& fonts, std::ostream* out) {
  *out << fonts.design;
}

// The weight of the face a font is drawn in; QFontInfo::weight() gives the
// weight asked for, even where no face has it.
int faceWeight(const QFont& font) {
  const QFontInfo info(font);
  return QFontDatabase::weight(info.family(), info.styleName());
}

// Mean width in pixels of the strokes crossed along the rows of `area`. Ink
// is what differs from the area's most common grey, counted by how far it
// goes toward the strongest ink there, so the text's tone does not matter.
double strokeWidth(const QImage& shot, const QRect& area) {
  QHash<int, int> greys;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) ++greys[qGray(shot.pixel(x, y))];
  const int ground = std::max_element(greys.begin(), greys.end()).key();
  int strongest = 1;
  for (auto g = greys.begin(); g != greys.end(); ++g)
    strongest = std::max(strongest, std::abs(g.key() - ground));
  double ink = 0;
  int strokes = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    bool inStroke = false;
    for (int x = area.left(); x <= area.right(); ++x) {
      const double cover = std::abs(qGray(shot.pixel(x, y)) - ground) / double(strongest);
      ink += cover;
      if (cover > 0.5 && !inStroke) ++strokes;
      inStroke = cover > 0.5;
    }
  }
  return strokes == 0 ? 0 : ink / strokes;
}

void checkStyles(const Fonts& fonts) {
  const QString design = QString::fromLatin1(fonts.design);
  if (!QFontDatabase::families().contains(design)) GTEST_SKIP() << fonts.design << " not installed";
  const int body = faceWeight(BubbleLook::font(TextStyle::body));
  EXPECT_EQ(body, fonts.body);
  for (auto [style, weight] : {std::pair{TextStyle::headline, 600},
                               {TextStyle::body, 400},
                               {TextStyle::callout, 400},
                               {TextStyle::subheadline, 400},
                               {TextStyle::caption, 400},
                               {TextStyle::caption2, 400}}) {
    const QFont font = BubbleLook::font(style);
    EXPECT_TRUE(QFontInfo(font).family().startsWith(design))
        << QFontInfo(font).family().toStdString();
    EXPECT_GE(faceWeight(font), weight) << int(style);
  }
  EXPECT_GT(faceWeight(BubbleLook::font(TextStyle::headline)), body);
  EXPECT_GE(faceWeight(tour::rounded(13, QFont::Bold)), 700);

  BubbleModel model;
  model.setContent(BubbleContent::reminder(samples::water()));
  BubbleView view(model);
  view.finishAppearance();
  view.setAttribute(Qt::WA_DontShowOnScreen);
  view.show();
  view.resize(BubbleView::fixedWidth, std::max(90, view.fittingHeight()));
  QApplication::sendPostedEvents();
  auto* done = samples::child<QPushButton>(view.contentWidget(), "done");
  ASSERT_NE(done, nullptr);
  EXPECT_GT(faceWeight(done->font()), body);
  // Drawn, the title and Done show heavier strokes than the message.
  const QImage shot = view.grab().toImage();
  auto stroke = [&](const char* name, int inset) {
    QWidget* w = samples::child(view.contentWidget(), name);
    return strokeWidth(shot,
                       QRect(w->mapTo(&view, QPoint()), w->size()).adjusted(inset, 3, -inset, -3));
  };
  const double message = stroke("message", 0);
  const double title = stroke("title", 0) / message, doneLabel = stroke("done", 7) / message;
  std::printf("%s: title %.2f, Done %.2f, Snooze %.2f of the message's stroke width\n",
              fonts.design, title, doneLabel, stroke("snooze", 7) / message);
  EXPECT_GT(title, 1.1);
  EXPECT_GT(doneLabel, 1.1);
}

class BubbleFonts : public ::testing::TestWithParam<Fonts> {};

TEST_P(BubbleFonts, EachTextStyleGetsAFaceOfItsWeight) {
  if (qEnvironmentVariableIsSet("PIMBLE_TEST_FONTS")) return checkStyles(GetParam());
  QTemporaryDir dir;
  const QString config =
      testing::fontsOnly(dir.path(), QStringList{"DejaVu Sans"} + GetParam().families);
  ASSERT_FALSE(config.isEmpty());
  // Without CI: the copy's skip of a family not installed is this case's.
  const testing::CopyRun copy = testing::runThisTestInACopy(
      {"PIMBLE_TEST_FONTS=1", "QT_QPA_PLATFORM=offscreen", "FONTCONFIG_FILE=" + config, "CI"},
      std::chrono::seconds(60));
  const QByteArray& output = copy.output;
  std::fputs(output.constData(), stdout);
  ASSERT_TRUE(copy.finished);
  if (output.contains("[  SKIPPED ]")) GTEST_SKIP() << GetParam().design << " not installed";
  EXPECT_EQ(copy.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Families, BubbleFonts,
    ::testing::Values(
        Fonts{"Nunito", {"Nunito", "Nunito Light", "Nunito Medium", "Nunito SemiBold"}, 500},
        Fonts{"Quicksand", {"Quicksand", "Quicksand Light", "Quicksand Medium"}, 500},
        Fonts{"Comfortaa", {"Comfortaa"}, 400}, Fonts{"DejaVu Sans", {}, 400}),
    [](const auto& info) {
      return QString::fromLatin1(info.param.design).remove(' ').toStdString();
    });

}  // namespace
}  // namespace pimble
