#include "settings/settings_tab_bar.h"

#include <QButtonGroup>
#include <QEvent>
#include <QHBoxLayout>
#include <QToolButton>
#include <algorithm>

#include "bubbles/bubble_look.h"
#include "bubbles/choice_row.h"
#include "bubbles/symbol_image.h"
#include "settings/settings_form.h"

namespace pimble {

namespace {
constexpr int kIconPoints = 22;

int order(SettingsTab tab) {
  return static_cast<int>(std::find(allSettingsTabs.begin(), allSettingsTabs.end(), tab) -
                          allSettingsTabs.begin());
}
}  // namespace

SettingsTabBar::SettingsTabBar(QWidget* parent)
    : QWidget(parent), row_(new QHBoxLayout(this)), group_(new QButtonGroup(this)) {
  setObjectName(QStringLiteral("settingsTabBar"));
  row_->setContentsMargins(8, 0, 8, 4);
  row_->setSpacing(2);
  row_->addStretch(1);
  row_->addStretch(1);
  group_->setExclusive(true);
  connect(group_, &QButtonGroup::idClicked, this,
          [this](int id) { emit picked(static_cast<SettingsTab>(id)); });
}

void SettingsTabBar::addTab(SettingsTab tab) {
  if (button(tab) != nullptr) return;
  auto* b = new QToolButton(this);
  b->setObjectName(form::text(rawValue(tab)) + QStringLiteral("TabButton"));
  b->setText(BubbleLook::literal(label(tab)));
  b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  b->setIconSize(QSize(kIconPoints, kIconPoints));
  b->setCheckable(true);
  b->setAutoRaise(true);
  b->setFocusPolicy(Qt::TabFocus);
  // At least 72 wide, and never narrower than its label.
  b->setMinimumWidth(std::max(72, b->minimumSizeHint().width()));
  group_->addButton(b, static_cast<int>(tab));

  const auto at = std::find_if(tabs_.begin(), tabs_.end(),
                               [tab](SettingsTab t) { return order(t) > order(tab); });
  const auto index = static_cast<int>(at - tabs_.begin());
  tabs_.insert(at, tab);
  // The first stretch stands before the buttons.
  row_->insertWidget(index + 1, b);
  // The bar is one stop for Tab, on the tab in front; the arrow keys go
  // from tab to tab.
  singleTabStop(group_);
  paintIcon(tab);
}

bool SettingsTabBar::setCurrent(SettingsTab tab) {
  QToolButton* b = button(tab);
  if (b == nullptr) return false;
  b->setChecked(true);
  return true;
}

std::optional<SettingsTab> SettingsTabBar::current() const {
  const int id = group_->checkedId();
  if (id < 0) return std::nullopt;
  return static_cast<SettingsTab>(id);
}

QToolButton* SettingsTabBar::button(SettingsTab tab) const {
  return static_cast<QToolButton*>(group_->button(static_cast<int>(tab)));
}

void SettingsTabBar::paintIcon(SettingsTab tab) {
  // The chosen tab's symbol takes the accent colour, the others the text's.
  button(tab)->setIcon(SymbolImage::icon(symbolName(tab), kIconPoints,
                                         palette().color(QPalette::WindowText),
                                         palette().color(QPalette::Highlight)));
}

void SettingsTabBar::paintIcons() {
  for (SettingsTab tab : tabs_) paintIcon(tab);
}

void SettingsTabBar::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) paintIcons();
}

}  // namespace pimble
