#include "companion/glimmet_pose.h"

#include <array>

namespace pimble {
namespace {

constexpr size_t stateCount = 14;
template <class T>
using Column = std::array<T, stateCount>;

using E = EyeStyle;
using M = MouthStyle;
using P = GlimmetProp;
using H = HandStyle;

// One column per field, one row per state in declaration order. The hands
// share a vertical offset and mirror their horizontal one.
constexpr Column<E> eyeColumn = {E::open, E::happy, E::open, E::happy, E::calm, E::calm, E::sleepy,
                                 E::open, E::happy, E::open, E::open,  E::calm, E::open, E::happy};
constexpr Column<M> mouthColumn = {M::smile, M::grin, M::smile, M::oval, M::calm,
                                   M::calm,  M::oval, M::grin,  M::grin, M::smile,
                                   M::smile, M::calm, M::oval,  M::smile};
constexpr Column<double> handX = {0, 4, 7, 44, 0, 0, 26, 6, 70, 0, 0, 16, 27, 0};
constexpr Column<double> handY = {0, -8, 15, -124, 0, 0, -52, -10, -58, 0, 0, 12, 24, 0};
constexpr Column<P> propColumn = {P::none, P::none, P::bottle, P::none, P::none, P::none,  P::none,
                                  P::none, P::none, P::none,   P::none, P::cup,  P::clock, P::none};
constexpr Column<double> tiltColumn = {0, 0, 0, 0, 0.03, -0.15, 0, 0, 0, 0, 0, 0, 0.06, 0};
constexpr Column<double> scaleXColumn = {1, 1, 1, 0.95, 1, 1, 1, 1, 1, 0.97, 1, 1, 1, 1.02};
constexpr Column<double> scaleYColumn = {1, 1, 1, 1.07, 1, 0.97, 1, 1, 1, 1.05, 1, 1, 1, 0.97};
constexpr Column<double> dropColumn = {0, 0, 0, 0, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0};
constexpr Column<double> cheekColumn = {1, 1.18, 1, 1, 1.05, 1, 1, 1, 1.2, 1, 1, 1.05, 1.05, 1.32};
constexpr Column<bool> armColumn = {false, false, false, true,  false, false, false,
                                    false, true,  false, false, false, false, false};
constexpr Column<H> handStyleColumn = {H::mitten, H::mitten, H::mitten, H::open,  H::mitten,
                                       H::mitten, H::mitten, H::open,   H::open,  H::mitten,
                                       H::mitten, H::mitten, H::mitten, H::mitten};
constexpr Column<double> bulgeColumn = {24, 24, 24, 44, 24, 24, 24, 24, 22, 24, 24, 24, 24, 24};

}  // namespace

GlimmetPose GlimmetPose::forState(GlimmetState state) {
  const auto i = static_cast<size_t>(state);
  if (i >= stateCount) return initial();
  GlimmetPose pose;
  pose.eyes = eyeColumn[i];
  pose.mouth = mouthColumn[i];
  pose.handL = QPointF(-handX[i], handY[i]);
  pose.handR = QPointF(handX[i], handY[i]);
  pose.prop = propColumn[i];
  pose.tilt = tiltColumn[i];
  pose.scaleX = scaleXColumn[i];
  pose.scaleY = scaleYColumn[i];
  pose.drop = dropColumn[i];
  pose.cheekScale = cheekColumn[i];
  pose.showArms = armColumn[i];
  pose.handStyle = handStyleColumn[i];
  pose.armBulge = bulgeColumn[i];
  return pose;
}

}  // namespace pimble
