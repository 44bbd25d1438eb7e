#pragma once

#include <memory>

#include "companion/hosted_figure.h"

namespace pimble {

// The figure the demo shows.
std::unique_ptr<HostedFigure> makeDemoFigure();

}  // namespace pimble
