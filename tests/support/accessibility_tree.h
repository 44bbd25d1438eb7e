#pragma once

// Where a control of a running program stands on its screen, as the
// program lays it out in the fonts it draws with: read from the
// accessibility tree a screen reader reads (AT-SPI), so that a click finds
// its control whatever the fonts make of the rows around it.

#include <QDBusConnection>
#include <QDBusMessage>
#include <QObject>
#include <QRect>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/desktop_peers.h"

namespace pimble::testing {

// The elements the bus announced as shown: a popup menu is no child of
// its program's tree, and found only from here.
class ShownElements : public QObject {
  Q_OBJECT
 public:
  std::vector<std::pair<QString, QString>> shown;  // bus name, object path
 public slots:
  void stateChanged(const QDBusMessage& message);
};

// The accessibility bus of the session bus in DBUS_SESSION_BUS_ADDRESS, as a
// desktop with a screen reader runs it (at-spi-bus-launcher). Start it
// before the program, which is given programEnvironment().
class AccessibilityBus {
 public:
  AccessibilityBus();
  ~AccessibilityBus();
  AccessibilityBus(const AccessibilityBus&) = delete;
  AccessibilityBus& operator=(const AccessibilityBus&) = delete;

  // Why it did not come up, or nothing.
  const std::optional<std::string>& missing() const { return missing_; }
  // Qt exposes a program's widgets only where a screen reader is wanted.
  static QString programEnvironment() {
    return QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1");
  }

  // The screen rectangle of the first element of the program `pid` shown
  // with that role ("push button", "spin box", "menu item", ...) and name;
  // nothing when none shows within the time.
  std::optional<QRect> place(qint64 pid, const QString& role, const QString& name,
                             std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
  // A click on the middle of that element; false when none shows.
  bool press(qint64 pid, const QString& role, const QString& name) const;
  // The text that element shows now (a field's, also typed and not yet
  // entered); nothing when none shows within the time.
  std::optional<QString> text(qint64 pid, const QString& role, const QString& name,
                              std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;

 private:
  struct Element {
    QString connection;  // the program's, on the accessibility bus
    QString path;
    QRect place;
  };
  std::optional<Element> find(qint64 pid, const QString& role, const QString& name,
                              std::chrono::milliseconds timeout) const;
  std::optional<std::string> missing_;
  std::unique_ptr<ScopedProcess> launcher_;
  QString connectionName_;
  qint64 registryPid_ = 0;
  std::unique_ptr<ShownElements> shown_ = std::make_unique<ShownElements>();
};

// A click of the first button at a point of the screen.
bool clickAt(QPoint at);

}  // namespace pimble::testing
