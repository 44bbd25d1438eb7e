#include "companion/render_options.h"

#include "companion/contact_sheet.h"
#include "companion/icon_renderer.h"

namespace pimble::RenderOptions {

std::optional<Request> find(const QStringList& arguments) {
  const std::pair<const char*, Tool> options[] = {{"--render-sheet", Tool::sheet},
                                                  {"--render-web", Tool::web},
                                                  {"--render-capes", Tool::capes},
                                                  {"--render-icon", Tool::icon}};
  for (const auto& [option, tool] : options) {
    const qsizetype at = arguments.indexOf(QString::fromLatin1(option));
    if (at >= 0 && at + 1 < arguments.size()) return Request{tool, arguments[at + 1]};
  }
  return std::nullopt;
}

int run(const Request& request) {
  switch (request.tool) {
    case Tool::sheet:
      return ContactSheet::renderToFiles(request.path);
    case Tool::web:
      return ContactSheet::renderWebToFolder(request.path);
    case Tool::capes:
      return ContactSheet::renderCapesToFile(request.path);
    case Tool::icon:
      return IconRenderer::renderToFolder(request.path);
  }
  return 1;
}

}  // namespace pimble::RenderOptions
