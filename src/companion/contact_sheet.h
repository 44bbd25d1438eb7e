#pragma once

#include <QImage>
#include <QString>
#include <memory>

#include "companion/glimmet_pose.h"
#include "companion/glimmet_rig.h"
#include "models/cape_color.h"

namespace pimble {

// Developer pictures of the character drawn without a window: contact
// sheets of every state, the web images and the strip of cape colours.
// Each writer returns the process exit status (1 when a file failed).
namespace ContactSheet {

// A rig for a still picture: nothing animates, no window.
std::unique_ptr<GlimmetRig> offscreenRig();
// Draws a rig's model values with its canvas's bottom-left at the y-up point
// `origin` of a target `targetHeight` units tall.
void renderRig(QPainter& painter, const GlimmetRig& rig, QPointF origin, double targetHeight);

// One sheet of all states, 1920 × 2832 pixels.
QImage sheet(bool dark);
// The light sheet at `path`, the dark one beside it ("name-dark.png").
int renderToFiles(const QString& path);
QString darkSheetPath(const QString& path);

// One 880 × 1240 picture of a pose in a cape colour.
QImage renderWebImage(const GlimmetSprites& sprites, CapeColor color, const GlimmetPose& pose,
                      bool eyesHidden);
// The web pictures in a folder, then one line on standard output.
int renderWebToFolder(const QString& folder);
// The cape colours side by side with their names, 3080 × 668 pixels.
QImage capeStrip();
int renderCapesToFile(const QString& path);

// The poses of the web pictures.
GlimmetPose squadPose(CapeColor color);
GlimmetPose heroPose();
GlimmetPose happyPose();
GlimmetPose wavePose();
const char* capeLabel(CapeColor color);

}  // namespace ContactSheet
}  // namespace pimble
