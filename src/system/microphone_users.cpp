#include "system/microphone_users.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/proplist.h>
#include <pulse/subscribe.h>

#include <QTimer>
#include <charconv>
#include <cstring>

namespace pimble {

namespace {
constexpr int kReconnectMs = 5000;

std::string proplistText(const pa_proplist* list, const char* key) {
  if (!list) return {};
  const char* value = pa_proplist_gets(list, key);
  return value ? std::string(value) : std::string();
}

pid_t pidFrom(const std::string& text) {
  long long value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() || value <= 0 ||
      value > 0x7fffffff) {
    return 0;
  }
  return static_cast<pid_t>(value);
}
}  // namespace

MicrophoneUsers::MicrophoneUsers(QObject* parent) : QObject(parent) {
  reconnect_ = new QTimer(this);
  reconnect_->setSingleShot(true);
  connect(reconnect_, &QTimer::timeout, this, [this] { connectToServer(); });
  connectToServer();
}

MicrophoneUsers::~MicrophoneUsers() {
  disconnectFromServer();
}

void MicrophoneUsers::connectToServer() {
  disconnectFromServer();
  pa_proplist* props = pa_proplist_new();
  pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Pimble Glimmet");
  pa_proplist_sets(props, PA_PROP_APPLICATION_ID, "pimble-glimmet");
  context_ = pa_context_new_with_proplist(loop_.api(), "Pimble Glimmet", props);
  pa_proplist_free(props);
  if (!context_) {
    scheduleReconnect();
    return;
  }
  pa_context_set_state_callback(context_, &MicrophoneUsers::stateChanged, this);
  // Connecting never waits: the answer comes through the state callback.
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
    disconnectFromServer();
    scheduleReconnect();
  }
}

void MicrophoneUsers::disconnectFromServer() {
  const bool hadStreams = !streams_.empty();
  ready_ = false;
  streams_.clear();
  sourceIsMonitor_.clear();
  if (context_) {
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_set_subscribe_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
  }
  if (hadStreams) changed();
}

void MicrophoneUsers::scheduleReconnect() {
  if (!reconnect_->isActive()) reconnect_->start(kReconnectMs);
}

void MicrophoneUsers::stateChanged(pa_context* context, void* raw) {
  auto* self = static_cast<MicrophoneUsers*>(raw);
  switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY: {
      self->ready_ = true;
      pa_context_set_subscribe_callback(
          context,
          [](pa_context* c, pa_subscription_event_type_t type, std::uint32_t index, void* s) {
            subscriptionEvent(c, static_cast<int>(type), index, s);
          },
          self);
      pa_operation* op = pa_context_subscribe(
          context,
          static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SOURCE |
                                              PA_SUBSCRIPTION_MASK_SOURCE_OUTPUT),
          nullptr, nullptr);
      if (op) pa_operation_unref(op);
      // The sources first, so that every stream finds its source known.
      if ((op = pa_context_get_source_info_list(context, &MicrophoneUsers::sourceInfo, self))) {
        pa_operation_unref(op);
      }
      if ((op = pa_context_get_source_output_info_list(context, &MicrophoneUsers::streamInfo,
                                                       self))) {
        pa_operation_unref(op);
      }
      break;
    }
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
      // Leave the callback first: the context is released here.
      QMetaObject::invokeMethod(
          self,
          [self] {
            self->disconnectFromServer();
            self->scheduleReconnect();
          },
          Qt::QueuedConnection);
      break;
    default:
      break;
  }
}

void MicrophoneUsers::subscriptionEvent(pa_context* context, int rawType, std::uint32_t index,
                                        void* raw) {
  auto* self = static_cast<MicrophoneUsers*>(raw);
  const auto type = static_cast<pa_subscription_event_type_t>(rawType);
  const auto facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
  const bool removed = (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_REMOVE;
  pa_operation* op = nullptr;
  if (facility == PA_SUBSCRIPTION_EVENT_SOURCE) {
    if (removed) {
      self->sourceIsMonitor_.erase(index);
      self->changed();
    } else {
      op = pa_context_get_source_info_by_index(context, index, &MicrophoneUsers::sourceInfo, self);
    }
  } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE_OUTPUT) {
    if (removed) {
      if (self->streams_.erase(index) != 0) self->changed();
    } else {
      op = pa_context_get_source_output_info(context, index, &MicrophoneUsers::streamInfo, self);
    }
  }
  if (op) pa_operation_unref(op);
}

void MicrophoneUsers::sourceInfo(pa_context*, const pa_source_info* info, int eol, void* raw) {
  if (eol || !info) return;
  auto* self = static_cast<MicrophoneUsers*>(raw);
  self->sourceIsMonitor_[info->index] = info->monitor_of_sink != PA_INVALID_INDEX;
  self->changed();
}

void MicrophoneUsers::streamInfo(pa_context*, const pa_source_output_info* info, int eol,
                                 void* raw) {
  if (eol || !info) return;
  auto* self = static_cast<MicrophoneUsers*>(raw);
  Stream stream;
  stream.recorder.pid = pidFrom(proplistText(info->proplist, PA_PROP_APPLICATION_PROCESS_ID));
  stream.recorder.name = proplistText(info->proplist, PA_PROP_APPLICATION_NAME);
  stream.source = info->source;
  stream.corked = info->corked != 0;
  self->streams_[info->index] = stream;
  self->changed();
}

void MicrophoneUsers::changed() {
  if (onChange) onChange();
}

std::vector<MicrophoneUsers::Recorder> MicrophoneUsers::recorders() const {
  std::vector<Recorder> result;
  for (const auto& [index, stream] : streams_) {
    if (stream.corked) continue;
    const auto source = sourceIsMonitor_.find(stream.source);
    // A stream whose source is not known yet counts as a microphone user.
    if (source != sourceIsMonitor_.end() && source->second) continue;
    result.push_back(stream.recorder);
  }
  return result;
}

}  // namespace pimble
