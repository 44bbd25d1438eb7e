#include "settings/welcome_page.h"

#include <QLabel>
#include <QVBoxLayout>

#include "settings/tour_look.h"

namespace pimble {

WelcomePage::WelcomePage(std::function<void()> onAppear, QWidget* parent)
    : QWidget(parent), onAppear_(std::move(onAppear)) {
  setObjectName(QStringLiteral("welcomePage"));
  auto* stack = new QVBoxLayout(this);
  stack->setContentsMargins(0, 0, 0, 0);
  stack->setSpacing(10);
  QLabel* hello = tour::sentence(QStringLiteral("Hi! I'm Pimble, your tiny desktop friend."), this);
  hello->setFont(tour::rounded(tour::title3Size));
  stack->addWidget(hello);
  stack->addWidget(tour::secondary(
      QStringLiteral("I float on your desktop, remind you to drink water, stretch and rest your "
                     "eyes. And I know when to stay quiet. I just flew in; you'll find me in the "
                     "corner of your screen."),
      this));
  stack->addWidget(tour::secondary(
      QStringLiteral("No account. Nothing leaves your computer. This takes about a minute."), this,
      true));
}

void WelcomePage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (flew_) return;
  flew_ = true;
  if (onAppear_) onAppear_();
}

}  // namespace pimble
