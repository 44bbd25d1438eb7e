#pragma once

#include <QImage>
#include <QString>
#include <utility>
#include <vector>

namespace pimble {

// The application icon: the character on a rounded peach-to-periwinkle tile.
namespace IconRenderer {

struct IconEntry {
  const char* name;
  int pixels;
};
const std::vector<IconEntry>& iconEntries();

// The sprite scale used for an icon of `pixels`, never below 1.
double spriteScale(int pixels);
QImage render(int pixels);
// Every icon size as PNG in the folder, plus its Contents.json.
int renderToFolder(const QString& folder);
QString contentsJson();

}  // namespace IconRenderer
}  // namespace pimble
