#pragma once

#include <QStringList>
#include <optional>

namespace pimble {

// The render options of the pimble executable.
namespace RenderOptions {

enum class Tool { sheet, web, capes, icon };

struct Request {
  Tool tool;
  QString path;
};

// The first of "--render-sheet", "--render-web", "--render-capes" and
// "--render-icon" (in this order) that has an argument after it.
std::optional<Request> find(const QStringList& arguments);
// Runs a request; needs a QGuiApplication. Returns the exit status.
int run(const Request& request);

}  // namespace RenderOptions
}  // namespace pimble
