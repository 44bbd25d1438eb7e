#include "settings/appearance_settings_view.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "companion/idle_behavior.h"
#include "settings/button_grid.h"
#include "settings/cape_swatches.h"
#include "settings/segmented_control.h"
#include "settings/settings_form.h"
#include "state/app_model.h"

namespace pimble {

namespace {
QString intensityLabel(AnimationIntensity v) {
  switch (v) {
    case AnimationIntensity::normal:
      return QStringLiteral("Normal");
    case AnimationIntensity::reduced:
      return QStringLiteral("Reduced");
    case AnimationIntensity::off:
      return QStringLiteral("Off");
  }
  return {};
}

QString bubbleStyleLabel(BubbleStyle v) {
  switch (v) {
    case BubbleStyle::soft:
      return QStringLiteral("Soft");
    case BubbleStyle::glass:
      return QStringLiteral("Glass");
    case BubbleStyle::solid:
      return QStringLiteral("Solid");
  }
  return {};
}

QString tinyMessagesLabel(TinyMessages v) {
  switch (v) {
    case TinyMessages::off:
      return QStringLiteral("Off");
    case TinyMessages::greetings:
      return QStringLiteral("Greetings");
    case TinyMessages::greetingsAndNudges:
      return QStringLiteral("Greetings + nudges");
  }
  return {};
}

}  // namespace

QString AppearanceSettingsView::tinyMessagesDescription(TinyMessages choice) {
  switch (choice) {
    case TinyMessages::off:
      return QStringLiteral("Pimble stays quiet unless a reminder is due.");
    case TinyMessages::greetings:
      return QStringLiteral(
          "A short hello now and then, like \"Good morning ☀️\" or \"Welcome back!\". At most "
          "one "
          "every couple of hours, never during calls, fullscreen or quiet hours.");
    case TinyMessages::greetingsAndNudges:
      return QStringLiteral(
          "Hellos, plus a gentle heads-up before a break (\"Water soon? 💧\") and a little cheer "
          "after one. Still at most one every couple of hours.");
  }
  return {};
}

QString AppearanceSettingsView::capeFootnote(CapeColor color) {
  return form::text(displayName(color)) +
         QStringLiteral(
             ". Drag Pimble around and it flies, cape streaming behind. Every colour "
             "is included.");
}

AppearanceSettingsView::AppearanceSettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), model_(model) {
  setObjectName(QStringLiteral("appearanceTab"));
  auto* page = new QVBoxLayout(this);

  // Character
  QGroupBox* character = form::section(QStringLiteral("Character"), this);
  QVBoxLayout* c = form::sectionLayout(character);
  size_ = form::sizePicker(model_, character);
  animation_ =
      new SegmentedControl(form::caseLabels<AnimationIntensity>(intensityLabel), character);
  animation_->setObjectName(QStringLiteral("animationIntensity"));
  c->addLayout(form::labelled(QStringLiteral("Size"), size_, character));
  c->addLayout(form::labelled(QStringLiteral("Animation"), animation_, character));
  c->addWidget(form::footnote(
      QStringLiteral("Reduced keeps a gentle float and blinking; Off holds still. Your desktop's "
                     "reduce-motion setting is respected too."),
      character));
  showCape_ = form::toggle(QStringLiteral("Superhero cape"), "showCape", character);
  c->addWidget(showCape_);
  capeRow_ = new QWidget(character);
  auto* cape = new QVBoxLayout(capeRow_);
  cape->setContentsMargins(0, 0, 0, 0);
  swatches_ = new CapeSwatches(capeRow_);
  swatches_->setObjectName(QStringLiteral("capeColor"));
  cape->addLayout(form::labelled(QStringLiteral("Cape colour"), swatches_, capeRow_));
  capeFootnote_ = form::footnote(QString(), capeRow_);
  capeFootnote_->setObjectName(QStringLiteral("capeFootnote"));
  cape->addWidget(capeFootnote_);
  c->addWidget(capeRow_);
  page->addWidget(character);

  form::onCasePicked<AnimationIntensity>(
      animation_, model_, [](AppSettings& s, AnimationIntensity v) { s.animationIntensity = v; });
  form::onToggled(showCape_, model_, [](AppSettings& s, bool on) { s.showCape = on; });
  connect(swatches_, &CapeSwatches::colorPicked, this, [this](CapeColor color) {
    form::editSettings(model_, [color](AppSettings& s) { s.capeColor = color; });
  });

  // Interactions
  QGroupBox* interactions = form::section(QStringLiteral("Interactions"), this);
  QVBoxLayout* i = form::sectionLayout(interactions);
  followCursor_ =
      form::toggle(QStringLiteral("Eyes follow your cursor"), "followCursor", interactions);
  petting_ = form::toggle(QStringLiteral("Petting: rub Pimble's head and it gets happy"), "petting",
                          interactions);
  liveliness_ = new SegmentedControl(form::caseNames<Liveliness>(), interactions);
  liveliness_->setObjectName(QStringLiteral("liveliness"));
  surprises_ = form::toggle(QStringLiteral("Little surprises (rare twirls, sneezes, peekaboo…)"),
                            "surprises", interactions);
  i->addWidget(followCursor_);
  i->addWidget(petting_);
  i->addLayout(form::labelled(QStringLiteral("Liveliness"), liveliness_, interactions));
  i->addWidget(surprises_);
  i->addWidget(form::footnote(
      QStringLiteral("Both are subtle and stay out of the way: Pimble only looks when the cursor "
                     "is nearby, and clicks still pass through everywhere except Pimble itself."),
      interactions));
  page->addWidget(interactions);

  form::onToggled(followCursor_, model_, [](AppSettings& s, bool on) { s.followCursor = on; });
  form::onToggled(petting_, model_, [](AppSettings& s, bool on) { s.petting = on; });
  form::onCasePicked<Liveliness>(liveliness_, model_,
                                 [](AppSettings& s, Liveliness v) { s.liveliness = v; });
  form::onToggled(surprises_, model_, [](AppSettings& s, bool on) { s.surprises = on; });

  // Speech bubble
  QGroupBox* bubble = form::section(QStringLiteral("Speech bubble"), this);
  QVBoxLayout* b = form::sectionLayout(bubble);
  bubbleStyle_ = new SegmentedControl(form::caseLabels<BubbleStyle>(bubbleStyleLabel), bubble);
  bubbleStyle_->setObjectName(QStringLiteral("bubbleStyle"));
  soundEffects_ = form::toggle(QStringLiteral("Sound effects"), "soundEffects", bubble);
  b->addLayout(form::labelled(QStringLiteral("Style"), bubbleStyle_, bubble));
  b->addWidget(soundEffects_);
  page->addWidget(bubble);

  form::onCasePicked<BubbleStyle>(bubbleStyle_, model_,
                                  [](AppSettings& s, BubbleStyle v) { s.bubbleStyle = v; });
  form::onToggled(soundEffects_, model_, [](AppSettings& s, bool on) { s.soundEffects = on; });

  // Tiny messages
  QGroupBox* tiny = form::section(QStringLiteral("Tiny messages"), this);
  QVBoxLayout* t = form::sectionLayout(tiny);
  tinyMessages_ = new SegmentedControl(form::caseLabels<TinyMessages>(tinyMessagesLabel), tiny);
  tinyMessages_->setObjectName(QStringLiteral("tinyMessages"));
  t->addLayout(form::labelled(QStringLiteral("Above Pimble's head"), tinyMessages_, tiny));
  tinyDescription_ = form::footnote(QString(), tiny);
  tinyDescription_->setObjectName(QStringLiteral("tinyMessagesDescription"));
  previewGreeting_ = form::button(QStringLiteral("Preview"), "previewGreeting", tiny);
  t->addLayout(form::textRow(tinyDescription_, previewGreeting_));
  page->addWidget(tiny);

  form::onCasePicked<TinyMessages>(tinyMessages_, model_,
                                   [](AppSettings& s, TinyMessages v) { s.tinyMessages = v; });
  connect(previewGreeting_, &QPushButton::clicked, this,
          [this] { model_.actions.previewGreeting(); });

  // Preview little moments
  QGroupBox* moments = form::section(QStringLiteral("Preview little moments"), this);
  behaviors_ = new ButtonGrid(
      form::caseLabels<IdleBehavior>([](IdleBehavior v) { return form::text(displayName(v)); }),
      moments);
  behaviors_->setObjectName(QStringLiteral("behaviorPreviews"));
  connect(behaviors_, &ButtonGrid::pressed, this, [this](int index) {
    model_.actions.previewBehavior(allIdleBehaviors.at(static_cast<size_t>(index)));
  });
  form::sectionLayout(moments)->addWidget(behaviors_);
  form::sectionLayout(moments)->addWidget(form::footnote(
      QStringLiteral("Pimble does these on its own: something small every couple of minutes, a "
                     "surprise every 12–25 minutes. Only while you're there to see it, never "
                     "during reminders, calls or Night mode."),
      moments));
  page->addWidget(moments);

  // Preview animations
  QGroupBox* animations = form::section(QStringLiteral("Preview animations"), this);
  QStringList stateLabels;
  for (GlimmetState state : previewStates) stateLabels << form::text(displayName(state));
  animations_ = new ButtonGrid(stateLabels, animations);
  animations_->setObjectName(QStringLiteral("animationPreviews"));
  connect(animations_, &ButtonGrid::pressed, this, [this](int index) {
    model_.actions.preview(previewStates.at(static_cast<size_t>(index)));
  });
  form::sectionLayout(animations)->addWidget(animations_);
  page->addWidget(animations);
  page->addStretch(1);

  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &AppearanceSettingsView::showSettings);
}

void AppearanceSettingsView::showSettings(const AppSettings& s) {
  const QSignalBlocker b1(size_), b2(animation_), b3(showCape_), b4(swatches_), b5(followCursor_),
      b6(petting_), b7(liveliness_), b8(surprises_), b9(bubbleStyle_), b10(soundEffects_),
      b11(tinyMessages_);
  size_->setCurrentIndex(form::caseIndex(s.companionSize));
  animation_->setCurrentIndex(form::caseIndex(s.animationIntensity));
  showCape_->setChecked(s.showCape);
  capeRow_->setVisible(s.showCape);
  swatches_->setSelection(s.capeColor);
  capeFootnote_->setText(capeFootnote(s.capeColor));
  followCursor_->setChecked(s.followCursor);
  petting_->setChecked(s.petting);
  liveliness_->setCurrentIndex(form::caseIndex(s.liveliness));
  surprises_->setChecked(s.surprises);
  bubbleStyle_->setCurrentIndex(form::caseIndex(s.bubbleStyle));
  soundEffects_->setChecked(s.soundEffects);
  tinyMessages_->setCurrentIndex(form::caseIndex(s.tinyMessages));
  tinyDescription_->setText(tinyMessagesDescription(s.tinyMessages));
  previewGreeting_->setEnabled(s.tinyMessages != TinyMessages::off);
}

}  // namespace pimble
