// Writes a PNG of every page of the first-run tour, for reviewers: the real
// tour window on a fresh model, in the light palette, offscreen, with a
// dozen open applications to offer on the awareness page.
//
//   tour_shots OUT_DIR        writes OUT_DIR/tour-<n>-<step>.png, and the
//                             awareness page with awareness on as
//                             tour-3-awareness-on.png
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "models/memory_persistence.h"
#include "services/app_catalog.h"
#include "settings/onboarding_view.h"
#include "settings/onboarding_window_controller.h"
#include "state/app_model.h"
#include "system/fake_time_source.h"

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

bool write(QWidget* window, const QDir& out, const QString& name) {
  // A change of page fades in for a fifth of a second.
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < OnboardingView::stepAnimationMs + 100) {
    QApplication::processEvents();
    QThread::msleep(10);
  }
  const QString path = out.filePath(name);
  if (!window->grab().save(path, "PNG")) {
    std::fprintf(stderr, "could not write %s\n", qPrintable(path));
    return false;
  }
  std::printf("%s\n", qPrintable(path));
  if (getenv("TOUR_DEBUG")) {
    auto* view = window->findChild<OnboardingView*>();
    QWidget* page = view->page();
    std::printf("page %d,%d %dx%d hfw %d hint %d\n", page->x(), page->y(), page->width(), page->height(), page->heightForWidth(page->width()), page->sizeHint().height());
    for (QWidget* w : page->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
      std::printf("  %s %d,%d %dx%d hfw %d hint %d\n", w->metaObject()->className(), w->x(), w->y(), w->width(), w->height(), w->heightForWidth(w->width()), w->sizeHint().height());
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QTemporaryDir config;
  setenv("XDG_CONFIG_HOME", config.path().toUtf8().constData(), 1);
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: tour_shots OUT_DIR\n");
    return 2;
  }
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  QApplication::setPalette(QApplication::style()->standardPalette());
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!QDir().mkpath(out.path())) {
    std::fprintf(stderr, "could not make the folder %s\n", qPrintable(out.path()));
    return 1;
  }

  AppCatalog::Platform platform;
  platform.runningApps = [] {
    return std::vector<ReturnTarget>{{"org.mozilla.firefox", "Firefox"},
                                     {"com.discordapp.Discord", "Discord"},
                                     {"org.gnome.Nautilus", "Files"},
                                     {"org.libreoffice.LibreOffice.writer", "LibreOffice Writer"},
                                     {"org.gimp.GIMP", "GNU Image Manipulation Program"},
                                     {"com.slack.Slack", "Slack"},
                                     {"com.spotify.Client", "Spotify"},
                                     {"org.telegram.desktop", "Telegram"},
                                     {"org.gnome.Terminal", "Terminal"},
                                     {"com.visualstudio.code", "Visual Studio Code"}};
  };
  AppCatalog::install(platform);

  MemoryPersistence store;
  FakeTimeSource time(dateFromSeconds(1'800'000'000.0));
  AppModel model(store, time);
  OnboardingWindowController tour(model, OnboardingActions{});
  tour.state().setWantsAwareness(true);
  tour.show();
  for (int raw = 0; raw < onboardingStepCount; ++raw) {
    const OnboardingStep step = *onboardingStep(raw);
    tour.state().setStep(step);
    if (!write(tour.window(), out,
               QStringLiteral("tour-%1-%2.png").arg(raw).arg(QString::fromLatin1(stepName(step)))))
      return 1;
  }
  // The awareness page with awareness on and one application watched.
  tour.state().setStep(OnboardingStep::awareness);
  AppSettings settings = model.settings();
  settings.awareness.isEnabled = true;
  model.setSettings(settings);
  model.watch({"org.gnome.Nautilus", "Files"});
  if (!write(tour.window(), out, QStringLiteral("tour-3-awareness-on.png"))) return 1;
  // The day page with the work hours shown.
  tour.state().setStep(OnboardingStep::day);
  settings = model.settings();
  settings.modes.schedule.isEnabled = true;
  model.setSettings(settings);
  if (!write(tour.window(), out, QStringLiteral("tour-4-day-work-hours.png"))) return 1;
  AppCatalog::install({});
  return 0;
}
