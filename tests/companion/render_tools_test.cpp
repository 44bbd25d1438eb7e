#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <utility>
#include <vector>

#include "companion/contact_sheet.h"
#include "companion/glimmet_artwork.h"
#include "companion/icon_renderer.h"
#include "companion/render_options.h"

namespace pimble {
namespace {

using RenderOptions::Tool;

TEST(RenderOptions, FirstOptionWithAnArgumentWinsInFixedOrder) {
  const auto find = [](QStringList args) {
    args.prepend(QStringLiteral("pimble"));
    return RenderOptions::find(args);
  };
  EXPECT_FALSE(find({}).has_value());
  EXPECT_FALSE(find({"--render-sheet"}).has_value());
  auto r = find({"--render-web", "w", "--render-sheet", "s.png"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->tool, Tool::sheet);
  EXPECT_EQ(r->path, "s.png");
  r = find({"--render-web", "dir", "--render-sheet"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->tool, Tool::web);
  EXPECT_EQ(r->path, "dir");
  r = find({"--render-icon", "icons"});
  ASSERT_TRUE(r);
  EXPECT_EQ(r->tool, Tool::icon);
}

TEST(RenderTools, DarkSheetGoesBesideTheLightOne) {
  EXPECT_EQ(ContactSheet::darkSheetPath("out/sheet.png"), "out/sheet-dark.png");
  EXPECT_EQ(ContactSheet::darkSheetPath("out/sheet"), "out/sheet-dark.png");
  EXPECT_EQ(ContactSheet::darkSheetPath("a.b/sheet.v2.png"), "a.b/sheet.v2-dark.png");
}

TEST(RenderTools, IconSetListsTenEntries) {
  const QStringList lines = IconRenderer::contentsJson().split('\n');
  ASSERT_EQ(lines.size(), 15);
  EXPECT_EQ(lines[1], R"(  "images" : [)");
  EXPECT_EQ(
      lines[2],
      R"(    { "filename" : "icon_16x16.png", "idiom" : "mac", "scale" : "1x", "size" : "16x16" },)");
  EXPECT_EQ(
      lines[11],
      R"(    { "filename" : "icon_512x512@2x.png", "idiom" : "mac", "scale" : "2x", "size" : "512x512" })");
  EXPECT_EQ(lines[13], R"(  "info" : { "author" : "xcode", "version" : 1 })");
  EXPECT_EQ(lines[14], "}");
  EXPECT_EQ(IconRenderer::spriteScale(16), 1.0);
  EXPECT_NEAR(IconRenderer::spriteScale(1024), 10.0, 0.01);
  const QImage icon = IconRenderer::render(64);
  EXPECT_EQ(icon.size(), QSize(64, 64));
  EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);                // outside the rounded tile
  EXPECT_EQ(qAlpha(icon.pixel(8, 32)), 255);             // the tile
  EXPECT_GT(icon.pixelColor(32, 20).lightnessF(), 0.9);  // the pale head
}

TEST(RenderTools, WebImageHidesTheEyesOnRequest) {
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(4);
  const QImage shown =
      ContactSheet::renderWebImage(sprites, CapeColor::blue, ContactSheet::heroPose(), false);
  const QImage hidden =
      ContactSheet::renderWebImage(sprites, CapeColor::blue, ContactSheet::heroPose(), true);
  EXPECT_EQ(shown.size(), QSize(880, 1240));
  EXPECT_LT(shown.pixelColor(4 * 83, 4 * 128).lightnessF(), 0.2);
  EXPECT_GT(hidden.pixelColor(4 * 83, 4 * 128).lightnessF(), 0.9);
  // The blue cape shows at the lower left of the figure.
  const QColor cape = shown.pixelColor(4 * 50, 4 * 230);
  EXPECT_GT(cape.blueF(), cape.redF() + 0.3);
}

struct Outcome {
  int status;
  QString err;
};

Outcome runPimble(const QStringList& args) {
  QProcess process;
  process.start(QStringLiteral(PIMBLE_BINARY_DIR "/src/pimble"), args);
  process.waitForFinished(120000);
  return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(RenderTools, SheetWritesBothSheetsAndFailuresExitOne) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString light = dir.filePath("out/a.png");
  const Outcome ok = runPimble({"--render-sheet", light});
  EXPECT_EQ(ok.status, 0) << ok.err.toStdString();
  const QImage sheet(light, "PNG");
  EXPECT_EQ(sheet.size(), QSize(1920, 2832));
  EXPECT_EQ(QImage(dir.filePath("out/a-dark.png")).size(), QSize(1920, 2832));
  EXPECT_EQ(sheet.pixelColor(2, 2).rgb(), QColor::fromRgbF(0.80f, 0.85f, 0.93f).rgb());

  // A file where a folder should be: nothing can be written below it.
  QFile blocker(dir.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  const Outcome failed = runPimble({"--render-capes", dir.filePath("blocker/strip.jpg")});
  EXPECT_EQ(failed.status, 1);
  // One line for the file (Qt may add its own warnings).
  EXPECT_EQ(failed.err.count("pimble: could not write"), 1) << failed.err.toStdString();
  EXPECT_TRUE(failed.err.contains("blocker/strip.jpg"));

  // No render option announces what it could not write.
  for (const auto& [option, target] :
       std::vector<std::pair<const char*, const char*>>{{"--render-web", "blocker/web"},
                                                        {"--render-icon", "blocker/Icon.iconset"},
                                                        {"--render-sheet", "blocker/sheet.png"},
                                                        {"--render-capes", "blocker/capes.png"}}) {
    QProcess process;
    process.start(QStringLiteral(PIMBLE_BINARY_DIR "/src/pimble"), {option, dir.filePath(target)});
    ASSERT_TRUE(process.waitForFinished(120000)) << option;
    EXPECT_EQ(process.exitCode(), 1) << option;
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray()) << option;
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    EXPECT_TRUE(err.contains("pimble: could not write " + dir.filePath("blocker/")))
        << option << err.toStdString();
    // A folder that cannot be made is one failure, not one per file.
    if (QString(option) == "--render-web" || QString(option) == "--render-icon") {
      EXPECT_EQ(err.count("pimble: could not write"), 1) << option << err.toStdString();
    }
  }

  // Whatever the suffix, the file is PNG.
  const Outcome strip = runPimble({"--render-capes", dir.filePath("strip.jpg")});
  EXPECT_EQ(strip.status, 0);
  QFile file(dir.filePath("strip.jpg"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_TRUE(file.read(8).startsWith("\x89PNG"));
  EXPECT_EQ(QImage(dir.filePath("strip.jpg"), "PNG").size(), QSize(3080, 668));
}

}  // namespace
}  // namespace pimble

namespace pimble {
namespace {

TEST(RenderTools, WebAndIconFoldersHoldEveryFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString web = dir.filePath("web");
  QProcess process;
  process.start(QStringLiteral(PIMBLE_BINARY_DIR "/src/pimble"), {"--render-web", web});
  ASSERT_TRUE(process.waitForFinished(240000));
  EXPECT_EQ(process.exitCode(), 0);
  EXPECT_EQ(QString::fromLocal8Bit(process.readAllStandardOutput()),
            "web renders written to " + web + "\n");
  const QStringList files = QDir(web).entryList(QDir::Files);
  EXPECT_EQ(files.size(), 37);
  for (const char* name : {"squad-red.png", "hero-gold.png", "wave-midnight.png",
                           "pose-checkIn.png", "pose-posture.png"}) {
    EXPECT_EQ(QImage(web + "/" + name).size(), QSize(880, 1240)) << name;
  }
  EXPECT_EQ(QImage(web + "/eye-open.png").size(), QSize(112, 136));

  const QString icons = dir.filePath("Icon.iconset");
  process.start(QStringLiteral(PIMBLE_BINARY_DIR "/src/pimble"), {"--render-icon", icons});
  ASSERT_TRUE(process.waitForFinished(240000));
  EXPECT_EQ(process.exitCode(), 0);
  for (const auto& entry : IconRenderer::iconEntries()) {
    const QImage icon(icons + "/" + entry.name + ".png");
    EXPECT_EQ(icon.size(), QSize(entry.pixels, entry.pixels)) << entry.name;
  }
  QFile contents(icons + "/Contents.json");
  ASSERT_TRUE(contents.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(contents.readAll()), IconRenderer::contentsJson());
}

}  // namespace
}  // namespace pimble
