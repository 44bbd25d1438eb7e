#include "app/status_item.h"

#include <QCursor>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QSystemTrayIcon>
#include <algorithm>
#include <cmath>

#include "app/desktop_services.h"
#include "companion/glimmet_artwork.h"

namespace pimble {
namespace {

// The face in canvas units.
const QRectF leftEye(77, 119, 14, 18);
const QRectF rightEye(129, 119, 14, 18);
const QPointF smileFrom(99, 144), smileControl(110, 158), smileTo(121, 144);
constexpr double smileWidth = 8;

const QColor fill(247, 247, 250);
const QColor outline(38, 38, 46);
constexpr double pausedOpacity = 0.45;

const QPainterPath& silhouette() {
  static const QPainterPath body = GlimmetArtwork::bodyPath();
  return body;
}

// The silhouette with the eyes and the smile cut out.
const QPainterPath& face() {
  static const QPainterPath shape = [] {
    QPainterPath holes;
    holes.addEllipse(leftEye);
    holes.addEllipse(rightEye);
    QPainterPath smile;
    smile.moveTo(smileFrom);
    smile.quadTo(smileControl, smileTo);
    QPainterPathStroker stroker;
    stroker.setWidth(smileWidth);
    stroker.setCapStyle(Qt::RoundCap);
    holes = holes.united(stroker.createStroke(smile));
    return silhouette().subtracted(holes);
  }();
  return shape;
}

void paintFace(QPainter& p, const QRectF& rect) {
  const StatusItem::Placement place = StatusItem::iconPlacement(rect);
  if (!(place.scale > 0)) return;
  const QTransform toRect(place.scale, 0, 0, place.scale, place.offset.x(), place.offset.y());
  const QPainterPath shape = toRect.map(face());
  // About a device pixel at tray sizes, at most two on large ones.
  const double line = std::clamp(std::min(rect.width(), rect.height()) / 24.0, 1.0, 2.0);
  p.save();
  p.setRenderHint(QPainter::Antialiasing);
  // The outline is the shape grown by the line on every side, the holes
  // included: small eyes close into dark dots that read on a light panel.
  p.setPen(QPen(outline, 2 * line, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(outline);
  p.drawPath(shape);
  p.setPen(Qt::NoPen);
  p.setBrush(fill);
  p.drawPath(shape);
  p.restore();
}

}  // namespace

StatusItem::StatusItem(MenuActions& actions, std::function<std::string()> nextSummary,
                       TrayHosts* hosts, QObject* parent)
    : QObject(parent),
      actions_(actions),
      nextSummary_(std::move(nextSummary)),
      hosts_(hosts),
      menu_(std::make_unique<QMenu>()) {
  // Kept up to date through refresh(); rendered again as it opens too, for
  // the texts that change with time (minutes left), in place.
  connect(menu_.get(), &QMenu::aboutToShow, this, [this] { rebuildMenu(); });
  // A first content for hosts that read the menu before opening it.
  rebuildMenu();
  if (!hosts_) return;
  hosts_->onAppeared = [this] { makeTrayIcon(); };
  if (hosts_->isAvailable()) makeTrayIcon();
}

StatusItem::~StatusItem() {
  if (hosts_) hosts_->onAppeared = nullptr;
  // The icon goes before the menu it shows.
  tray_.reset();
}

void StatusItem::makeTrayIcon() {
  if (tray_) return;
  tray_ = std::make_unique<QSystemTrayIcon>(icon(paused_));
  tray_->setToolTip(QString::fromLatin1(name));
  tray_->setContextMenu(menu_.get());
  // A plain click opens the menu too, as a right click does.
  connect(tray_.get(), &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) menu_->popup(QCursor::pos());
          });
  tray_->show();
}

void StatusItem::setPaused(bool paused) {
  if (paused == paused_) return;
  paused_ = paused;
  if (tray_) tray_->setIcon(icon(paused_));
}

MenuTree StatusItem::menuTree() const {
  return MenuBuilder::statusMenu(actions_, nextSummary_ ? nextSummary_() : std::string());
}

void StatusItem::refresh() {
  // Once for a burst of changes, and never inside the action that caused
  // them (it may be one of the menu's own).
  if (refreshPending_) return;
  refreshPending_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        refreshPending_ = false;
        rebuildMenu();
      },
      Qt::QueuedConnection);
}

void StatusItem::rebuildMenu() {
  // A panel draws this menu in its own theme, light or dark.
  MenuBuilder::render(menuTree(), *menu_, MenuBuilder::Symbols::anyMenu);
}

StatusItem::Placement StatusItem::iconPlacement(const QRectF& rect) {
  const QRectF box = silhouette().boundingRect();
  Placement place;
  if (box.isEmpty() || rect.isEmpty()) return place;
  place.scale = 0.94 * std::min(rect.width() / box.width(), rect.height() / box.height());
  place.offset = rect.center() - box.center() * place.scale;
  return place;
}

QPointF StatusItem::leftEyeCentre() {
  return leftEye.center();
}

QPointF StatusItem::rightEyeCentre() {
  return rightEye.center();
}

QPointF StatusItem::smileCentre() {
  // The curve's middle: halfway between the ends and the control point.
  return (smileFrom + smileTo) / 4 + smileControl / 2;
}

void StatusItem::drawIcon(QPainter& painter, const QRectF& rect, bool paused) {
  if (!paused) {
    paintFace(painter, rect);
    return;
  }
  // Faded as a whole, so the outline does not show through the fill.
  const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  QImage layer(QSize(int(std::ceil(rect.width() * ratio)), int(std::ceil(rect.height() * ratio))),
               QImage::Format_ARGB32_Premultiplied);
  if (layer.isNull()) return;
  layer.setDevicePixelRatio(ratio);
  layer.fill(Qt::transparent);
  QPainter p(&layer);
  paintFace(p, QRectF(QPointF(0, 0), rect.size()));
  p.end();
  painter.save();
  painter.setOpacity(painter.opacity() * pausedOpacity);
  painter.drawImage(rect.topLeft(), layer);
  painter.restore();
}

QImage StatusItem::iconImage(QSize size, bool paused) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  if (image.isNull()) return image;
  image.fill(Qt::transparent);
  QPainter p(&image);
  drawIcon(p, QRectF(QPointF(0, 0), QSizeF(size)), paused);
  return image;
}

QIcon StatusItem::icon(bool paused) {
  QIcon icon;
  for (int side : {16, 22, 24, 32, 48, 64})
    icon.addPixmap(QPixmap::fromImage(iconImage(QSize(side, side), paused)));
  return icon;
}

}  // namespace pimble
