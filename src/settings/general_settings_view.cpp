#include "settings/general_settings_view.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "models/companion_corner.h"
#include "models/companion_size.h"
#include "settings/segmented_control.h"
#include "settings/settings_form.h"
#include "state/app_model.h"

namespace pimble {

namespace {
// The autostart folder, or the nearest folder above it that exists, so the
// file manager opens somewhere useful even when the folder could not be made.
QString nearestExistingFolder(const QString& file) {
  QString folder = QFileInfo(file).absolutePath();
  while (!QFileInfo(folder).isDir()) {
    const QString parent = QFileInfo(folder).path();
    if (parent == folder) break;
    folder = parent;
  }
  return folder;
}
}  // namespace

QString GeneralSettingsView::statusText(LaunchAtLogin::Status status) {
  switch (status) {
    case LaunchAtLogin::Status::enabled:
      return QStringLiteral("On. Pimble opens when you log in.");
    case LaunchAtLogin::Status::notRegistered:
      return QStringLiteral("Off");
  }
  return QStringLiteral("Unknown");
}

GeneralSettingsView::GeneralSettingsView(AppModel& model, QWidget* parent)
    : QWidget(parent), openUrl(&QDesktopServices::openUrl), model_(model) {
  setObjectName(QStringLiteral("generalTab"));
  auto* page = new QVBoxLayout(this);

  // Companion
  QGroupBox* companion = form::section(QStringLiteral("Companion"), this);
  QVBoxLayout* c = form::sectionLayout(companion);
  showCompanion_ = form::toggle(QStringLiteral("Show companion"), "showCompanion", companion);
  alwaysOnTop_ = form::toggle(QStringLiteral("Keep above other windows"), "alwaysOnTop", companion);
  size_ = form::sizePicker(model_, companion);
  c->addWidget(showCompanion_);
  c->addWidget(alwaysOnTop_);
  c->addLayout(form::labelled(QStringLiteral("Size"), size_, companion));
  page->addWidget(companion);

  form::onToggled(showCompanion_, model_, [](AppSettings& s, bool on) { s.showCompanion = on; });
  form::onToggled(alwaysOnTop_, model_, [](AppSettings& s, bool on) { s.alwaysOnTop = on; });

  // Position
  QGroupBox* position = form::section(QStringLiteral("Position"), this);
  QVBoxLayout* p = form::sectionLayout(position);
  auto* corners = form::row({new QLabel(QStringLiteral("Move to"), position), nullptr});
  for (CompanionCorner corner : allCases<CompanionCorner>()) {
    auto* b = new QPushButton(form::cornerLabel(corner), position);
    b->setObjectName(QStringLiteral("corner-") + form::text(enumName(corner)));
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this,
            [this, corner] { model_.actions.moveToCorner(corner); });
    corners->addWidget(b);
  }
  p->addLayout(corners);
  auto* reset = form::button(QStringLiteral("Reset position"), "resetPosition", position);
  connect(reset, &QPushButton::clicked, this, [this] { model_.actions.resetPosition(); });
  p->addLayout(form::textRow(
      form::footnote(QStringLiteral("You can also drag the glimmet anywhere, on any display. It "
                                    "remembers where you left it."),
                     position),
      reset));
  page->addWidget(position);

  // Welcome
  QGroupBox* welcome = form::section(QStringLiteral("Welcome"), this);
  auto* tour = form::button(QStringLiteral("Show welcome tour"), "showWelcomeTour", welcome);
  connect(tour, &QPushButton::clicked, this, [this] { model_.actions.startOnboarding(); });
  form::sectionLayout(welcome)->addLayout(
      form::textRow(form::footnote(QStringLiteral("Take the one-minute tour again: goals, "
                                                  "personality, Awareness and a test reminder."),
                                   welcome),
                    tour));
  page->addWidget(welcome);

  // Startup
  QGroupBox* startup = form::section(QStringLiteral("Startup"), this);
  QVBoxLayout* s = form::sectionLayout(startup);
  login_ = form::toggle(QStringLiteral("Open Pimble Glimmet at login"), "openAtLogin", startup);
  connect(login_, &QCheckBox::toggled, this, &GeneralSettingsView::changeLoginItem);
  s->addWidget(login_);
  loginStatusLabel_ = form::footnote(QString(), startup);
  loginStatusLabel_->setObjectName(QStringLiteral("loginStatus"));
  loginErrorLabel_ = form::footnote(QString(), startup);
  loginErrorLabel_->setObjectName(QStringLiteral("loginError"));
  // The system's own words, with a file name in them, as they stand.
  loginErrorLabel_->setTextFormat(Qt::PlainText);
  {
    QPalette red = loginErrorLabel_->palette();
    red.setColor(QPalette::WindowText, QColor(0xd7, 0x00, 0x15));
    loginErrorLabel_->setPalette(red);
    loginErrorLabel_->setForegroundRole(QPalette::WindowText);
  }
  openLoginItems_ = form::button(QStringLiteral("Open Login Items…"), "openLoginItems", startup);
  form::makeSmall(openLoginItems_);
  connect(openLoginItems_, &QPushButton::clicked, this, &GeneralSettingsView::openLoginItems);
  auto* statusRow = new QHBoxLayout;
  statusRow->setSpacing(16);
  statusRow->addWidget(loginStatusLabel_, 1, Qt::AlignTop);
  statusRow->addWidget(loginErrorLabel_, 1, Qt::AlignTop);
  statusRow->addWidget(openLoginItems_, 0, Qt::AlignTop);
  s->addLayout(statusRow);
  page->addWidget(startup);
  page->addStretch(1);

  showSettings(model_.settings());
  connect(&model_, &AppModel::settingsChanged, this, &GeneralSettingsView::showSettings);
  refreshLoginStatus();
}

void GeneralSettingsView::showSettings(const AppSettings& settings) {
  const QSignalBlocker a(showCompanion_), b(alwaysOnTop_), c(size_);
  showCompanion_->setChecked(settings.showCompanion);
  alwaysOnTop_->setChecked(settings.alwaysOnTop);
  size_->setCurrentIndex(form::caseIndex(settings.companionSize));
}

void GeneralSettingsView::refreshLoginStatus() {
  const LaunchAtLogin::Status status = LaunchAtLogin::status();
  launchAtLogin_ = status == LaunchAtLogin::Status::enabled;
  loginStatus_ = statusText(status);
  showLoginLine();
}

void GeneralSettingsView::changeLoginItem(bool on) {
  const std::optional<LaunchAtLogin::Error> error = LaunchAtLogin::set(on);
  launchError_ = error ? QString::fromStdString(LaunchAtLogin::describe(*error)) : QString();
  if (error) LaunchAtLogin::logFailure(on, LaunchAtLogin::describe(*error));
  // The switch shows what the autostart entry says now, not what was asked.
  refreshLoginStatus();
}

void GeneralSettingsView::showLoginLine() {
  {
    const QSignalBlocker quiet(login_);
    login_->setChecked(launchAtLogin_);
  }
  const bool failed = !launchError_.isEmpty();
  loginStatusLabel_->setText(loginStatus_);
  loginErrorLabel_->setText(launchError_);
  loginStatusLabel_->setVisible(!failed);
  loginErrorLabel_->setVisible(failed);
  openLoginItems_->setVisible(failed);
}

void GeneralSettingsView::openLoginItems() {
  if (openUrl) openUrl(QUrl::fromLocalFile(nearestExistingFolder(LaunchAtLogin::autostartPath())));
}

void GeneralSettingsView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  refreshLoginStatus();
}

bool GeneralSettingsView::event(QEvent* event) {
  // Qt tells only the window of its activation, but passes WindowActivate
  // on to the widgets shown in it: the user coming back to the settings,
  // maybe from the desktop's own startup settings.
  if (event->type() == QEvent::WindowActivate && isVisible()) refreshLoginStatus();
  return QWidget::event(event);
}

}  // namespace pimble
