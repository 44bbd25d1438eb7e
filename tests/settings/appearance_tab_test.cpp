// The Appearance tab on the real model: every picker and switch writes its
// own field, the cape colour row, the tiny-messages text and the preview
// grids.

#include "settings/appearance_settings_view.h"
#include "settings/button_grid.h"
#include "settings/cape_swatches.h"
#include "settings/segmented_control.h"
#include "settings/settings_fixture.h"

namespace pimble {
namespace {

using testing::click;
using testing::SettingsWrites;

class AppearanceTabTest : public testing::ViewFixture<AppearanceSettingsView> {};

TEST_F(AppearanceTabTest, EachControlWritesItsOwnFieldAndModelChangesShowWithoutEcho) {
  view();
  const std::pair<const char*, std::function<void(AppSettings&)>> switches[] = {
      {"followCursor", [](AppSettings& s) { s.followCursor = false; }},
      {"petting", [](AppSettings& s) { s.petting = false; }},
      {"surprises", [](AppSettings& s) { s.surprises = false; }},
      {"soundEffects", [](AppSettings& s) { s.soundEffects = false; }},
      {"showCape", [](AppSettings& s) { s.showCape = false; }}};
  for (const auto& [name, edit] : switches)
    expectEdit([&, n = name] { click(find<QCheckBox>(n)); }, edit);
  const std::tuple<const char*, int, std::function<void(AppSettings&)>> pickers[] = {
      {"companionSize", 0, [](AppSettings& s) { s.companionSize = CompanionSize::small; }},
      {"animationIntensity", 1,
       [](AppSettings& s) { s.animationIntensity = AnimationIntensity::reduced; }},
      {"liveliness", 0, [](AppSettings& s) { s.liveliness = Liveliness::calm; }},
      {"bubbleStyle", 2, [](AppSettings& s) { s.bubbleStyle = BubbleStyle::solid; }},
      {"tinyMessages", 2,
       [](AppSettings& s) { s.tinyMessages = TinyMessages::greetingsAndNudges; }}};
  for (const auto& [name, segment, edit] : pickers) {
    auto* picker = find<SegmentedControl>(name);
    expectEdit([&, i = segment] { click(picker->segment(i)); }, edit);
    EXPECT_EQ(picker->currentIndex(), segment) << name;
  }

  // The cape row goes with the switch and keeps its colour.
  auto* swatches = find<CapeSwatches>("capeColor");
  auto* footnote = find<QLabel>("capeFootnote");
  EXPECT_FALSE(swatches->isVisible());
  expectEdit(
      [&] {
        click(find<QCheckBox>("showCape"));
        click(swatches->swatch(CapeColor::gold));
      },
      [](AppSettings& s) {
        s.showCape = true;
        s.capeColor = CapeColor::gold;
      },
      2);
  EXPECT_TRUE(footnote->text().startsWith("Golden.")) << footnote->text().toStdString();
  EXPECT_TRUE(swatches->swatch(CapeColor::gold)->isChecked());

  SettingsWrites writes(model());
  changeSettings([](AppSettings& s) {
    s.companionSize = CompanionSize::large;
    s.animationIntensity = AnimationIntensity::off;
    s.capeColor = CapeColor::midnight;
    s.petting = true;
    s.bubbleStyle = BubbleStyle::glass;
  });
  EXPECT_EQ(find<SegmentedControl>("companionSize")->currentIndex(), 2);
  EXPECT_EQ(find<SegmentedControl>("animationIntensity")->currentIndex(), 2);
  EXPECT_EQ(find<SegmentedControl>("bubbleStyle")->currentIndex(), 1);
  EXPECT_TRUE(find<QCheckBox>("petting")->isChecked());
  EXPECT_TRUE(swatches->swatch(CapeColor::midnight)->isChecked());
  EXPECT_FALSE(swatches->swatch(CapeColor::gold)->isChecked());
  EXPECT_FALSE(footnote->text().startsWith("Golden."));
  EXPECT_EQ(writes.count(), 1);
}

TEST_F(AppearanceTabTest, TinyMessagesDescribeTheChoiceAndGateThePreview) {
  changeSettings([](AppSettings& s) { s.tinyMessages = TinyMessages::off; });
  auto* description = find<QLabel>("tinyMessagesDescription");
  auto* preview = find<QPushButton>("previewGreeting");
  const QString off = description->text();
  EXPECT_FALSE(preview->isEnabled());
  QTest::mouseClick(preview, Qt::LeftButton);
  EXPECT_TRUE(calls.empty());

  click(find<SegmentedControl>("tinyMessages")->segment(1));
  EXPECT_NE(description->text(), off);
  click(preview);
  EXPECT_EQ(calls, std::vector<std::string>{"previewGreeting"});
}

TEST_F(AppearanceTabTest, PreviewGridsOfferEveryBehaviourAndTheStatesWorthSeeing) {
  auto* behaviors = find<ButtonGrid>("behaviorPreviews");
  auto* animations = find<ButtonGrid>("animationPreviews");
  ASSERT_EQ(behaviors->buttons().size(), 11u);
  ASSERT_EQ(animations->buttons().size(), 12u);
  for (QPushButton* b : animations->buttons()) {
    EXPECT_NE(b->text(), "Time check");
    EXPECT_NE(b->text(), "Petted");
  }
  expectEdit(
      [&] {
        click(behaviors->buttons()[10]);
        click(behaviors->buttons()[10]);
        click(animations->buttons()[4]);
        click(animations->buttons()[11]);
      },
      [](AppSettings&) {}, 0);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"previewBehavior whirlwind", "previewBehavior whirlwind",
                                      "preview eyeRest", "preview rest"}));
  // The window's width gives columns of at least the least width.
  EXPECT_GE(behaviors->columnCount(), 4);
  for (QPushButton* b : behaviors->buttons()) EXPECT_GE(b->width(), ButtonGrid::minimumColumnWidth);
}

}  // namespace
}  // namespace pimble
