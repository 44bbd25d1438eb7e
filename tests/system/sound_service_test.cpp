// Sounds into the private PulseAudio null sink of tests/desktop-env.sh, and
// with no sound server at all.
#include <gtest/gtest.h>

#include <unistd.h>
#include <QCoreApplication>

#include "support/desktop_peers.h"
#include "system/sound_service.h"

namespace pimble {
namespace {

using namespace pimble::testing;
using Effect = SoundService::Effect;

// Our own streams on the sound server, as `pactl list sink-inputs` shows them.
int ourSinkInputs(QString* listing = nullptr) {
  const QString text = runTool("pactl", {"list", "sink-inputs"}).value_or("");
  if (listing) *listing = text;
  return static_cast<int>(text.count(QString("application.process.id = \"%1\"").arg(::getpid())));
}

TEST(SoundService, PlaysIntoTheSoundServerAndARepeatStartsOver) {
  if (auto why = missingPulse()) GTEST_SKIP() << *why;
  if (auto why = missingProgram("pactl")) GTEST_SKIP() << *why;
  SoundService sounds;
  std::vector<std::pair<Effect, bool>> played;
  sounds.onPlayed = [&](Effect e, bool ok) { played.emplace_back(e, ok); };
  sounds.playAlways(Effect::done);
  ASSERT_TRUE(waitUntil([&] { return played.size() == 1; }));
  if (!played[0].second)
    GTEST_SKIP() << "canberra cannot reach the sound server (libcanberra-pulse?)";
  QString listing;
  ASSERT_TRUE(waitUntil([&] { return ourSinkInputs(&listing) == 1; }));
  EXPECT_TRUE(listing.contains("application.name = \"Pimble Glimmet\""));
  EXPECT_TRUE(listing.contains("event.id = \"complete\""));  // "Hero"
  EXPECT_TRUE(listing.contains("-6.00 dB")) << listing.toStdString();

  // The same effect again replaces the one still sounding.
  sounds.playAlways(Effect::done);
  sounds.playAlways(Effect::done);
  ASSERT_TRUE(waitUntil([&] { return played.size() == 3; }));
  EXPECT_TRUE(played[2].second);
  waitUntil([] { return false; }, std::chrono::milliseconds(200));
  EXPECT_EQ(ourSinkInputs(), 1);
}

TEST(SoundService, FailsQuietlyWithoutASoundServer) {
  const QByteArray saved = qgetenv("PULSE_SERVER");
  qputenv("PULSE_SERVER", "unix:/nonexistent/pimble-test/pulse.sock");
  {
    SoundService sounds;
    std::vector<bool> results;
    sounds.onPlayed = [&](Effect, bool ok) { results.push_back(ok); };
    sounds.playAlways(Effect::click);
    sounds.playAlways(Effect::snooze);
    EXPECT_TRUE(waitUntil([&] { return results.size() == 2; }));
    EXPECT_EQ(results, (std::vector<bool>{false, false}));
  }
  if (saved.isEmpty())
    qunsetenv("PULSE_SERVER");
  else
    qputenv("PULSE_SERVER", saved);
}

}  // namespace
}  // namespace pimble
