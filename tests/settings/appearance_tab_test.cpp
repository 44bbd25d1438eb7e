// The Appearance tab on the real model: every picker and switch writes its
// own field, the cape colour row, the tiny-messages text and the preview
// grids.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "settings/appearance_settings_view.h"
#include "settings/button_grid.h"
#include "settings/cape_swatches.h"
#include "settings/segmented_control.h"
#include "settings/settings_fixture.h"

namespace pimble {
namespace {

using testing::click;
using testing::SettingsWrites;

class AppearanceTabTest : public testing::ViewFixture<AppearanceSettingsView> {
 protected:
  // Picks a segment and checks that only `edit` happened to the settings.
  void pick(const char* picker, int segment, const std::function<void(AppSettings&)>& edit) {
    SettingsWrites writes(model());
    auto* control = find<SegmentedControl>(picker);
    click(control->segment(segment));
    EXPECT_EQ(model().settings(), writes.expected(edit)) << picker;
    EXPECT_EQ(writes.count(), 1) << picker;
    EXPECT_EQ(control->currentIndex(), segment) << picker;
  }
  void flip(const char* name, const std::function<void(AppSettings&)>& edit) {
    SettingsWrites writes(model());
    click(find<QCheckBox>(name));
    EXPECT_EQ(model().settings(), writes.expected(edit)) << name;
    EXPECT_EQ(writes.count(), 1) << name;
  }
};

TEST_F(AppearanceTabTest, EachControlWritesItsOwnFieldOnly) {
  view();
  pick("companionSize", 0, [](AppSettings& s) { s.companionSize = CompanionSize::small; });
  pick("animationIntensity", 1,
       [](AppSettings& s) { s.animationIntensity = AnimationIntensity::reduced; });
  pick("liveliness", 0, [](AppSettings& s) { s.liveliness = Liveliness::calm; });
  pick("bubbleStyle", 2, [](AppSettings& s) { s.bubbleStyle = BubbleStyle::solid; });
  pick("tinyMessages", 2,
       [](AppSettings& s) { s.tinyMessages = TinyMessages::greetingsAndNudges; });
  flip("followCursor", [](AppSettings& s) { s.followCursor = false; });
  flip("petting", [](AppSettings& s) { s.petting = false; });
  flip("surprises", [](AppSettings& s) { s.surprises = false; });
  flip("soundEffects", [](AppSettings& s) { s.soundEffects = false; });
  flip("showCape", [](AppSettings& s) { s.showCape = false; });

  SettingsWrites writes(model());
  flip("showCape", [](AppSettings& s) { s.showCape = true; });
  click(find<CapeSwatches>("capeColor")->swatch(CapeColor::midnight));
  EXPECT_EQ(model().settings(), writes.expected([](AppSettings& s) {
    s.showCape = true;
    s.capeColor = CapeColor::midnight;
  }));
}

TEST_F(AppearanceTabTest, ModelChangesShowWithoutBeingWrittenBack) {
  view();
  SettingsWrites writes(model());
  changeSettings([](AppSettings& s) {
    s.companionSize = CompanionSize::large;
    s.animationIntensity = AnimationIntensity::off;
    s.capeColor = CapeColor::gold;
    s.petting = false;
    s.tinyMessages = TinyMessages::off;
    s.bubbleStyle = BubbleStyle::glass;
  });
  EXPECT_EQ(find<SegmentedControl>("companionSize")->currentIndex(), 2);
  EXPECT_EQ(find<SegmentedControl>("animationIntensity")->currentIndex(), 2);
  EXPECT_EQ(find<SegmentedControl>("bubbleStyle")->currentIndex(), 1);
  EXPECT_FALSE(find<QCheckBox>("petting")->isChecked());
  EXPECT_TRUE(find<CapeSwatches>("capeColor")->swatch(CapeColor::gold)->isChecked());
  EXPECT_FALSE(find<CapeSwatches>("capeColor")->swatch(CapeColor::red)->isChecked());
  EXPECT_TRUE(find<QLabel>("capeFootnote")->text().startsWith("Golden. Drag Pimble around"));
  EXPECT_EQ(writes.count(), 1);
}

TEST_F(AppearanceTabTest, CapeRowFollowsTheSwitchAndKeepsTheColour) {
  view();
  auto* swatches = find<CapeSwatches>("capeColor");
  EXPECT_EQ(find<QLabel>("capeFootnote")->text(),
            "Hero Red. Drag Pimble around and it flies, cape streaming behind. Every colour is "
            "included.");
  click(swatches->swatch(CapeColor::gold));
  EXPECT_TRUE(find<QLabel>("capeFootnote")->text().startsWith("Golden."));
  click(find<QCheckBox>("showCape"));
  EXPECT_FALSE(swatches->isVisible());
  EXPECT_FALSE(find<QLabel>("capeFootnote")->isVisible());
  EXPECT_EQ(model().settings().capeColor, CapeColor::gold);
  click(find<QCheckBox>("showCape"));
  EXPECT_TRUE(swatches->isVisible());
  EXPECT_TRUE(swatches->swatch(CapeColor::gold)->isChecked());
}

TEST_F(AppearanceTabTest, TinyMessagesDescribeTheChoiceAndGateThePreview) {
  view();
  changeSettings([](AppSettings& s) { s.tinyMessages = TinyMessages::off; });
  auto* description = find<QLabel>("tinyMessagesDescription");
  auto* preview = find<QPushButton>("previewGreeting");
  EXPECT_EQ(description->text(), "Pimble stays quiet unless a reminder is due.");
  EXPECT_FALSE(preview->isEnabled());
  QTest::mouseClick(preview, Qt::LeftButton);
  EXPECT_TRUE(calls.empty());

  click(find<SegmentedControl>("tinyMessages")->segment(1));
  EXPECT_TRUE(description->text().startsWith("A short hello now and then"));
  ASSERT_TRUE(preview->isEnabled());
  click(preview);
  EXPECT_EQ(calls, std::vector<std::string>{"previewGreeting"});
  click(find<SegmentedControl>("tinyMessages")->segment(2));
  EXPECT_TRUE(description->text().startsWith("Hellos, plus a gentle heads-up"));
}

TEST_F(AppearanceTabTest, PreviewGridsOfferEveryBehaviourAndTwelveStates) {
  view();
  auto* behaviors = find<ButtonGrid>("behaviorPreviews");
  auto* animations = find<ButtonGrid>("animationPreviews");
  ASSERT_EQ(behaviors->buttons().size(), 11u);
  ASSERT_EQ(animations->buttons().size(), 12u);
  EXPECT_EQ(behaviors->buttons().front()->text(), "Yawn");
  EXPECT_EQ(behaviors->buttons().back()->text(), "Whirlwind");
  EXPECT_EQ(animations->buttons().back()->text(), "Break");
  for (QPushButton* b : animations->buttons()) {
    EXPECT_NE(b->text(), "Time check");
    EXPECT_NE(b->text(), "Petted");
  }
  SettingsWrites writes(model());
  click(behaviors->buttons()[10]);
  click(behaviors->buttons()[10]);
  click(animations->buttons()[4]);
  click(animations->buttons()[11]);
  EXPECT_EQ(calls,
            (std::vector<std::string>{"previewBehavior whirlwind", "previewBehavior whirlwind",
                                      "preview eyeRest", "preview rest"}));
  EXPECT_EQ(writes.count(), 0);
  // The window's width gives columns of at least 110 points.
  EXPECT_EQ(behaviors->columnCount(), ButtonGrid::columnsFor(behaviors->width()));
  EXPECT_GE(behaviors->columnCount(), 4);
  for (QPushButton* b : behaviors->buttons()) EXPECT_GE(b->width(), ButtonGrid::minimumColumnWidth);
}

}  // namespace
}  // namespace pimble
