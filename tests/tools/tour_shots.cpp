// Writes a PNG of every page of the first-run tour, for reviewers: the real
// tour window on a fresh model, in the light palette, offscreen, with a
// dozen open applications to offer on the awareness page.
//
//   tour_shots OUT_DIR        writes OUT_DIR/tour-<n>-<step>.png, and the
//                             awareness page with awareness on as
//                             tour-3-awareness-on.png
#include <QElapsedTimer>
#include <QThread>

#include "models/memory_persistence.h"
#include "settings/onboarding_view.h"
#include "settings/onboarding_window_controller.h"
#include "state/app_model.h"
#include "system/fake_time_source.h"
#include "tools/review_tool.h"

using namespace pimble;

namespace {

const char* stepName(OnboardingStep step) {
  switch (step) {
    case OnboardingStep::welcome:
      return "welcome";
    case OnboardingStep::goals:
      return "goals";
    case OnboardingStep::personality:
      return "personality";
    case OnboardingStep::awareness:
      return "awareness";
    case OnboardingStep::day:
      return "day";
    case OnboardingStep::tryIt:
      return "try";
    case OnboardingStep::done:
      return "done";
  }
  return "step";
}

// A change of page fades in for a fifth of a second: let it end first.
bool write(const review::ReviewTool& tool, QWidget* window, const QString& name) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < OnboardingView::stepAnimationMs + 100) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
  return tool.save(window, name);
}

}  // namespace

int main(int argc, char** argv) {
  const review::ReviewTool tool(argc, argv, "tour_shots");
  if (tool.failure()) return *tool.failure();
  review::ReviewTool::running({{"org.mozilla.firefox", "Firefox"},
                               {"com.discordapp.Discord", "Discord"},
                               {"org.gnome.Nautilus", "Files"},
                               {"org.libreoffice.LibreOffice.writer", "LibreOffice Writer"},
                               {"org.gimp.GIMP", "GNU Image Manipulation Program"},
                               {"com.slack.Slack", "Slack"},
                               {"com.spotify.Client", "Spotify"},
                               {"org.telegram.desktop", "Telegram"},
                               {"org.gnome.Terminal", "Terminal"},
                               {"com.visualstudio.code", "Visual Studio Code"}});

  MemoryPersistence store;
  FakeTimeSource time(dateFromSeconds(1'800'000'000.0));
  AppModel model(store, time);
  OnboardingWindowController tour(model, OnboardingActions{});
  tour.state().setWantsAwareness(true);
  tour.show();
  for (int raw = 0; raw < onboardingStepCount; ++raw) {
    const OnboardingStep step = *onboardingStep(raw);
    tour.state().setStep(step);
    if (!write(tool, tour.window(),
               QStringLiteral("tour-%1-%2.png").arg(raw).arg(QString::fromLatin1(stepName(step)))))
      return 1;
  }
  // The awareness page with awareness on and one application watched.
  tour.state().setStep(OnboardingStep::awareness);
  AppSettings settings = model.settings();
  settings.awareness.isEnabled = true;
  model.setSettings(settings);
  model.watch({"org.gnome.Nautilus", "Files"});
  if (!write(tool, tour.window(), QStringLiteral("tour-3-awareness-on.png"))) return 1;
  // The day page with the work hours shown.
  tour.state().setStep(OnboardingStep::day);
  settings = model.settings();
  settings.modes.schedule.isEnabled = true;
  model.setSettings(settings);
  if (!write(tool, tour.window(), QStringLiteral("tour-4-day-work-hours.png"))) return 1;
  return 0;
}
