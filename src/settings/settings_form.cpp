#include "settings/settings_form.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "state/app_model.h"

namespace pimble::form {

QString text(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QGroupBox* section(const QString& title, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(box);
  layout->setSpacing(8);
  return box;
}

QVBoxLayout* sectionLayout(QGroupBox* section) {
  return static_cast<QVBoxLayout*>(section->layout());
}

void makeSmall(QWidget* widget) {
  QFont f = widget->font();
  f.setPointSizeF(f.pointSizeF() * 0.9);
  widget->setFont(f);
}

QLabel* footnote(const QString& sentence, QWidget* parent) {
  auto* label = new QLabel(sentence, parent);
  label->setWordWrap(true);
  label->setForegroundRole(QPalette::PlaceholderText);
  label->setTextInteractionFlags(Qt::NoTextInteraction);
  label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
  makeSmall(label);
  return label;
}

QCheckBox* toggle(const QString& title, const char* objectName, QWidget* parent) {
  auto* box = new QCheckBox(title, parent);
  box->setObjectName(QString::fromLatin1(objectName));
  return box;
}

QHBoxLayout* row(std::initializer_list<QWidget*> items) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  for (QWidget* item : items) {
    if (item == nullptr)
      layout->addStretch(1);
    else
      layout->addWidget(item);
  }
  return layout;
}

void onToggled(QCheckBox* box, AppModel& model, void (*store)(AppSettings&, bool)) {
  QObject::connect(box, &QCheckBox::toggled, box, [&model, store](bool on) {
    editSettings(model, [store, on](AppSettings& s) { store(s, on); });
  });
}

QString capitalized(std::string_view name) {
  QString s = text(name);
  if (!s.isEmpty()) s[0] = s[0].toUpper();
  return s;
}

QHBoxLayout* labelled(const QString& title, QWidget* control, QWidget* parent) {
  auto* label = new QLabel(title, parent);
  label->setBuddy(control);
  if (control->accessibleName().isEmpty()) control->setAccessibleName(title);
  return row({label, nullptr, control});
}

QHBoxLayout* textRow(QWidget* text, QWidget* trailing) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(16);
  layout->addWidget(text, 1, Qt::AlignVCenter);
  if (trailing != nullptr) layout->addWidget(trailing, 0, Qt::AlignVCenter);
  return layout;
}

QString timeFormat() {
  QString format = QLocale().timeFormat(QLocale::ShortFormat);
  // Some locales' short form still carries seconds or the zone.
  static const QRegularExpression seconds(QStringLiteral("[:.]?s+|\\s*t+"));
  format.remove(seconds);
  return format.trimmed();
}

void editSettings(AppModel& model, const std::function<void(AppSettings&)>& edit) {
  AppSettings settings = model.settings();
  edit(settings);
  model.setSettings(std::move(settings));
}

}  // namespace pimble::form
