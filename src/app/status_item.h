#pragma once

// The program's place in the desktop's tray: an icon drawn from the
// character's silhouette and the status menu behind it, rendered from the
// controller whenever what it shows changes. The icon is made once a tray
// is there to show it, which may be long after start (a panel that comes up
// after the program at login); until then, and on a desktop without any
// tray, the character's own context menu offers the same commands.

#include <QIcon>
#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>
#include <functional>
#include <memory>
#include <string>

#include "app/menu_builder.h"

class QMenu;
class QPainter;
class QSystemTrayIcon;

namespace pimble {

class TrayHosts;

class StatusItem : public QObject {
  Q_OBJECT

 public:
  // `actions` and `hosts` outlive the item; `nextSummary` gives the menu's
  // first line. Without `hosts` no tray icon is ever made.
  StatusItem(MenuActions& actions, std::function<std::string()> nextSummary, TrayHosts* hosts,
             QObject* parent = nullptr);
  ~StatusItem() override;
  StatusItem(const StatusItem&) = delete;
  StatusItem& operator=(const StatusItem&) = delete;

  // The tool tip and accessible name.
  static constexpr const char* name = "Pimble Glimmet";

  // Where the silhouette sits in `rect`: a canvas point p lands on
  // p * scale + offset. The silhouette's box is centred and scaled to 94 %
  // of the largest size that fits.
  struct Placement {
    double scale = 0;
    QPointF offset;
    QPointF map(QPointF canvas) const { return canvas * scale + offset; }
  };
  static Placement iconPlacement(const QRectF& rect);
  // The eyes' and the smile's middles in canvas units.
  static QPointF leftEyeCentre();
  static QPointF rightEyeCentre();
  static QPointF smileCentre();
  // Draws the icon into `rect`: the silhouette in a light fill with a thin
  // dark outline, the eyes and the smile cut through, so that it reads on
  // light and dark panels; faded while reminders are paused.
  static void drawIcon(QPainter& painter, const QRectF& rect, bool paused);
  static QImage iconImage(QSize size, bool paused);
  // The icon at every tray size.
  static QIcon icon(bool paused);

  // Reminders are paused: the icon is drawn faded.
  void setPaused(bool paused);
  bool isPaused() const { return paused_; }

  // The status menu. A panel that draws it over D-Bus lays it out from what
  // it holds before it announces an opening: it is rendered again, in place,
  // soon after each refresh(), and just before it opens.
  QMenu& menu() const { return *menu_; }
  // What the menu shows has changed.
  void refresh();
  // The menu's content as data, as the next opening will show it.
  MenuTree menuTree() const;
  // The tray icon once a tray host was found, else nullptr.
  QSystemTrayIcon* trayIcon() const { return tray_.get(); }

 private:
  void rebuildMenu();
  void makeTrayIcon();

  MenuActions& actions_;
  std::function<std::string()> nextSummary_;
  TrayHosts* hosts_;
  std::unique_ptr<QMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> tray_;
  bool paused_ = false;
  bool refreshPending_ = false;
};

}  // namespace pimble
