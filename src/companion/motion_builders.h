#pragma once

// Short-hands for the character's motions: animations built with the
// timing the motion tables use, and the effect glyph layers they animate.

#include <map>
#include <vector>

#include "companion/layers/animation_group.h"
#include "companion/layers/basic_animation.h"
#include "companion/layers/keyframe_animation.h"
#include "companion/layers/layer.h"

namespace pimble::motion {

// Frame rates per kind of motion: slow loops need far fewer frames than
// hops and spins, and the frame driver paints at the fastest running one.
// The slow loops (float, sway, breathing) move a few pixels a second, under
// a pixel a step at a step every 0.15 s. Every frame of a resting character
// costs the window system about as much as drawing it, so the rate is as
// low as still reads as motion. Each rate's steps include the slow rate's,
// so motions of different rates repaint together rather than in between one
// another; the cape's loop periods (3.6, 5.4, 7.2 s) are whole steps.
inline constexpr double kSlowFrameRate = 20.0 / 3;
inline constexpr double kGlyphFrameRate = 20;
// A blink lasts 0.16 s. Begun on a step of 25 a second it shows its
// half-closed, closed and half-closed eyes exactly, in three frames.
inline constexpr double kBlinkFrameRate = 25;

std::shared_ptr<BasicAnimation> basic(const char* key, LayerValue from, LayerValue to,
                                      double duration,
                                      TimingFunction timing = TimingFunction::easeInEaseOut());
std::shared_ptr<KeyframeAnimation> keyframes(
    const char* key, const std::vector<double>& values, std::vector<double> keyTimes,
    double duration, TimingFunction timing = TimingFunction::easeInEaseOut());
std::shared_ptr<KeyframeAnimation> keyframeValues(
    const char* key, std::vector<LayerValue> values, std::vector<double> keyTimes, double duration,
    TimingFunction timing = TimingFunction::easeInEaseOut());

// Repeats forever; returns the animation for chaining.
template <class A>
std::shared_ptr<A> looping(std::shared_ptr<A> a, bool autoreverses = false) {
  a->repeatCount = Animation::kForever;
  a->autoreverses = autoreverses;
  return a;
}
template <class A>
std::shared_ptr<A> additive(std::shared_ptr<A> a) {
  a->additive = true;
  return a;
}
template <class A>
std::shared_ptr<A> slow(std::shared_ptr<A> a) {
  a->frameRate = kSlowFrameRate;
  return a;
}

// A plain layer holding a glyph image, added to `parent`, invisible until
// animated (opacity 0) unless `opacity` says otherwise.
LayerPtr glyph(const LayerPtr& parent, const char* name, const QImage& image, QSizeF size,
               QPointF position, double contentsScale, double opacity = 0);

// The image for a key, or a null image.
template <class K>
QImage imageFor(const std::map<K, QImage>& images, K key) {
  auto it = images.find(key);
  return it == images.end() ? QImage() : it->second;
}

}  // namespace pimble::motion
