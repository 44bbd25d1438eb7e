#pragma once

#include <QString>
#include <cstdint>
#include <optional>

#include "bubbles/bubble_content_widget.h"
#include "bubbles/intention_form.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;

namespace pimble {

// The intention form: which application, how many minutes of active use,
// what for, and where to go back to; or, when the user opened it, one of the
// ready-made session timers. It only hands the choices to the model.
class IntentionFormContent : public BubbleContentWidget {
  Q_OBJECT
 public:
  // The longest purpose, in user-perceived characters.
  static constexpr int purposeLimit = 80;
  static constexpr int minuteChoices[] = {5, 10, 15, 20, 30, 45, 60};

  IntentionFormContent(const IntentionForm& form, BubbleModel& model, QWidget* parent = nullptr);

  const IntentionForm& form() const { return form_; }
  // The application chosen under "Going to", none while the choice names
  // no entry of the form's list.
  std::optional<ReturnTarget> target() const;
  // The application to go back to: none for "Nothing", or when the choice is
  // the target itself or no longer listed.
  std::optional<ReturnTarget> returnTo() const;
  std::int64_t minutes() const { return minutes_; }

  // A prompt leaves the keyboard where it is; a form the user opened puts
  // it in the purpose field.
  void focusFirstField() override;

  // `text` cut to its first `limit` user-perceived characters.
  static QString firstGraphemes(const QString& text, int limit);

 private:
  void start();
  void targetChosen(int index);
  void purposeEdited(const QString& text);
  void fillReturnChoices();
  void refreshStart();

  IntentionForm form_;
  std::string targetID_;
  std::int64_t minutes_ = 0;
  std::string returnID_;
  QComboBox* targetPicker_ = nullptr;
  QComboBox* returnPicker_ = nullptr;
  QLineEdit* purpose_ = nullptr;
  QButtonGroup* segments_ = nullptr;
  QPushButton* start_ = nullptr;
};

}  // namespace pimble
