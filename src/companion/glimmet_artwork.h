#pragma once

#include <QImage>
#include <QPainterPath>

#include "companion/glimmet_sprites.h"
#include "models/cape_color.h"

namespace pimble {

class ArtContext;

// The character's pictures, drawn procedurally. Every drawing works in its
// own canvas of units with the origin at the top left and y down, and is
// made into a bitmap by ArtContext at a pixel scale. The character's canvas
// is 220 × 310 units.
namespace GlimmetArtwork {

// The body silhouette on the character canvas (y down).
QPainterPath bodyPath();

// Draws the body sprite into a 220 × 310 canvas.
void drawBody(ArtContext& context);
// The scarf band, a 180 × 64 canvas covering x 20…200, y 140…204 of the body.
QImage scarf(double scale, const CapePalette& palette);
// The two scarf tails, a 40 × 44 canvas.
QImage scarfTails(double scale, const CapePalette& palette);

QImage eye(EyeStyle style, double scale);
QImage mouth(MouthStyle style, double scale);
QImage cheek(double scale);
QImage star(StarStyle style, double scale);
QImage hand(HandStyle style, HandSide side, double scale);
QImage bottle(double scale);
QImage cup(double scale);
QImage clock(double scale);
QImage steam(double scale);
QImage zee(double scale);
QImage heart(double scale);
QImage note(double scale);
QImage droplet(double scale);
QImage moon(double scale);
QImage chevron(double scale);
QImage alert(double scale);
QImage groundShadow(double scale);

// Every sprite at one pixel scale; the scarf and its tails in red.
GlimmetSprites makeSprites(double scale);

}  // namespace GlimmetArtwork
}  // namespace pimble
