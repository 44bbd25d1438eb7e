#pragma once

#include <QWidget>
#include <array>

#include "models/cape_color.h"
#include "models/glimmet_state.h"
#include "models/tiny_messages.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace pimble {

class AppModel;
struct AppSettings;
class ButtonGrid;
class CapeSwatches;
class SegmentedControl;

// The Appearance tab: how the character looks and behaves, the speech
// bubble, sounds, tiny messages, and buttons that preview its little moments
// and its animations on the desktop.
class AppearanceSettingsView : public QWidget {
  Q_OBJECT

 public:
  // The states the animation previews offer, in their order.
  static constexpr std::array<GlimmetState, 12> previewStates = {
      GlimmetState::idle,    GlimmetState::happy,    GlimmetState::water,
      GlimmetState::stretch, GlimmetState::eyeRest,  GlimmetState::sleeping,
      GlimmetState::wakeUp,  GlimmetState::reminder, GlimmetState::celebration,
      GlimmetState::posture, GlimmetState::walk,     GlimmetState::rest};

  explicit AppearanceSettingsView(AppModel& model, QWidget* parent = nullptr);

  // The sentence under the tiny-messages picker for a choice.
  static QString tinyMessagesDescription(TinyMessages choice);
  // The sentence under the cape colours.
  static QString capeFootnote(CapeColor color);

 private:
  void showSettings(const AppSettings& settings);

  AppModel& model_;
  SegmentedControl* size_;
  SegmentedControl* animation_;
  QCheckBox* showCape_;
  QWidget* capeRow_;
  CapeSwatches* swatches_;
  QLabel* capeFootnote_;
  QCheckBox* followCursor_;
  QCheckBox* petting_;
  SegmentedControl* liveliness_;
  QCheckBox* surprises_;
  SegmentedControl* bubbleStyle_;
  QCheckBox* soundEffects_;
  SegmentedControl* tinyMessages_;
  QLabel* tinyDescription_;
  QPushButton* previewGreeting_;
  ButtonGrid* behaviors_;
  ButtonGrid* animations_;
};

}  // namespace pimble
