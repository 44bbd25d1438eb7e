#include "system/sound_service.h"

#include <canberra.h>

#include <array>
#include <cstdio>
#include <string>

namespace pimble {

namespace {
struct Row {
  SoundService::Effect effect;
  std::string_view name;
  std::string_view event;
};
// The one table from our sound names to the theme's event ids.
constexpr std::array<Row, 4> kTable{{
    {SoundService::Effect::reminder, "Glass", "message-new-instant"},
    {SoundService::Effect::done, "Hero", "complete"},
    {SoundService::Effect::click, "Pop", "audio-volume-change"},
    {SoundService::Effect::snooze, "Tink", "message"},
}};

const Row& row(SoundService::Effect effect) {
  for (const Row& r : kTable)
    if (r.effect == effect) return r;
  return kTable[0];
}

// Each effect plays under its own id, so a repeat cancels just that one.
uint32_t playId(SoundService::Effect effect) {
  return static_cast<uint32_t>(effect) + 1;
}
}  // namespace

std::string_view SoundService::name(Effect effect) {
  return row(effect).name;
}
std::string_view SoundService::eventId(Effect effect) {
  return row(effect).event;
}

std::optional<SoundService::Effect> SoundService::effectNamed(std::string_view name) {
  for (const Row& r : kTable)
    if (r.name == name) return r.effect;
  return std::nullopt;
}

SoundService::SoundService(QObject* parent) : QObject(parent), worker_([this] { run(); }) {}

SoundService::~SoundService() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    queue_.clear();
  }
  wake_.notify_one();
  worker_.join();
}

void SoundService::playAlways(Effect effect) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(effect);
  }
  wake_.notify_one();
}

void SoundService::run() {
  ca_context* context = nullptr;
  char volume[16];
  std::snprintf(volume, sizeof volume, "%.1f", volumeDecibels);
  for (;;) {
    Effect effect;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
      if (stopping_) break;
      effect = queue_.front();
      queue_.pop_front();
    }
    // Connect on first use, and again after a failure: the sound server may
    // come up later than we do.
    if (!context && ca_context_create(&context) == CA_SUCCESS) {
      if (ca_context_set_driver(context, "pulse") != CA_SUCCESS ||
          ca_context_change_props(context, CA_PROP_APPLICATION_NAME, "Pimble Glimmet",
                                  CA_PROP_APPLICATION_ID, "pimble-glimmet",
                                  nullptr) != CA_SUCCESS ||
          ca_context_open(context) != CA_SUCCESS) {
        ca_context_destroy(context);
        context = nullptr;
      }
    }
    bool played = false;
    if (context) {
      const std::string event(eventId(effect));
      ca_context_cancel(context, playId(effect));
      played = ca_context_play(context, playId(effect), CA_PROP_EVENT_ID, event.c_str(),
                               CA_PROP_CANBERRA_VOLUME, volume, nullptr) == CA_SUCCESS;
      if (!played) {
        ca_context_destroy(context);
        context = nullptr;
      }
    }
    QMetaObject::invokeMethod(
        this,
        [this, effect, played] {
          if (onPlayed) onPlayed(effect, played);
        },
        Qt::QueuedConnection);
  }
  if (context) ca_context_destroy(context);
}

}  // namespace pimble
