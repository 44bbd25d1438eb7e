#include "companion/glimmet_figure.h"

#include "companion/glimmet_artwork.h"
#include "companion/layers/media_clock.h"

namespace pimble {

QPainterPath GlimmetFigure::bodyPath() const {
  return GlimmetArtwork::bodyPath();
}

void GlimmetFigure::renderSprites(double scale) {
  rig_.installSprites(GlimmetArtwork::makeSprites(scale), scale);
}

double GlimmetFigure::mediaTime() const {
  return animation_clock::now();
}

long GlimmetFigure::pictureDraws() const {
  return rig_.poseLayer->rasterDraws() + rig_.cape.back->rasterDraws();
}

}  // namespace pimble
