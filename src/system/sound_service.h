#pragma once

#include <QObject>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string_view>
#include <thread>

namespace pimble {

// Short event sounds of the freedesktop sound theme, played through
// libcanberra on the PulseAudio (or PipeWire-Pulse) server at about −6 dB.
// Playing an effect again cancels the one still sounding and starts over.
// libcanberra waits for the sound server while it connects and starts a
// stream, so those calls run on one worker thread of this service: the main
// thread never waits for a sound server that does not answer.
class SoundService : public QObject {
  Q_OBJECT
 public:
  // The program's sound names, each standing for one theme event.
  enum class Effect { reminder, done, click, snooze };
  static std::string_view name(Effect effect);  // "Glass", "Hero", "Pop", "Tink"
  static std::optional<Effect> effectNamed(std::string_view name);
  static std::string_view eventId(Effect effect);
  static constexpr double volumeDecibels = -6.0;

  explicit SoundService(QObject* parent = nullptr);
  ~SoundService() override;
  SoundService(const SoundService&) = delete;
  SoundService& operator=(const SoundService&) = delete;

  // Whether the interface sounds may play; the owner keeps it and callers
  // test it before asking for a sound.
  bool effectsEnabled = true;
  // Told on the main thread whether each sound started; a failure is
  // otherwise silent.
  std::function<void(Effect, bool)> onPlayed;

  // Plays the effect whatever `effectsEnabled` says.
  void playAlways(Effect effect);

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Effect> queue_;
  bool stopping_ = false;
  std::thread worker_;
};

}  // namespace pimble
