#include "settings/onboarding_poses.h"

#include <QPainter>

#include "companion/contact_sheet.h"
#include "companion/glimmet_artwork.h"
#include "companion/glimmet_rig.h"

namespace pimble::OnboardingPoses {

std::map<GlimmetState, QImage> render() {
  constexpr double scale = 2;
  std::map<GlimmetState, QImage> poses;
  const GlimmetSprites sprites = GlimmetArtwork::makeSprites(scale);
  for (GlimmetState state : states) {
    QImage image(int(GlimmetRig::W * scale), int(GlimmetRig::H * scale),
                 QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) continue;
    image.fill(Qt::transparent);
    // A rig of its own for each picture: nothing animates, and the cape is
    // the hero's red whatever the user picked.
    auto rig = ContactSheet::offscreenRig();
    rig->cape.setVisible(true);
    rig->setCapeColor(CapeColor::red);
    rig->installSprites(sprites, scale);
    rig->apply(state);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    ContactSheet::renderRig(painter, *rig, {0, 0}, GlimmetRig::H);
    painter.end();
    image.setDevicePixelRatio(scale);
    poses.emplace(state, std::move(image));
  }
  return poses;
}

}  // namespace pimble::OnboardingPoses
