#pragma once

// Who records from a real input right now, from the sound server (PulseAudio
// or PipeWire's pulse server). One connection stays open; the server's
// subscription events keep a table of recording streams up to date, so a
// question is answered from the table without a round trip. Streams on a
// monitor source (recordings of what is played) are not microphone use.
// When the server is missing or goes away the table is empty and the
// connection is tried again a few seconds later.

#include <sys/types.h>
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "system/pulse_qt_mainloop.h"

struct pa_context;
struct pa_source_info;
struct pa_source_output_info;
class QTimer;

namespace pimble {

class MicrophoneUsers : public QObject {
  Q_OBJECT

 public:
  struct Recorder {
    pid_t pid = 0;     // application.process.id, 0 when not given
    std::string name;  // application.name, may be empty
  };

  explicit MicrophoneUsers(QObject* parent = nullptr);
  ~MicrophoneUsers() override;

  // Streams recording (not corked) from a source that is not a monitor.
  std::vector<Recorder> recorders() const;
  bool isConnected() const { return ready_; }

  // The table changed (for tests and observers).
  std::function<void()> onChange;

 private:
  struct Stream {
    Recorder recorder;
    std::uint32_t source = 0;
    bool corked = false;
  };

  void connectToServer();
  void disconnectFromServer();
  void scheduleReconnect();
  static void stateChanged(pa_context* context, void* self);
  static void subscriptionEvent(pa_context* context, int type, std::uint32_t index, void* self);
  static void sourceInfo(pa_context* context, const pa_source_info* info, int eol, void* self);
  static void streamInfo(pa_context* context, const pa_source_output_info* info, int eol,
                         void* self);
  void changed();

  PulseQtMainloop loop_;
  pa_context* context_ = nullptr;
  bool ready_ = false;
  QTimer* reconnect_ = nullptr;
  std::map<std::uint32_t, bool> sourceIsMonitor_;
  std::map<std::uint32_t, Stream> streams_;
};

}  // namespace pimble
