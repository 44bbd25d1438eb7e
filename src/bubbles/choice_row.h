#pragma once

class QButtonGroup;

namespace pimble {

// An exclusive group of buttons as one place on the keyboard's way, as a
// row of radio buttons is: Tab enters it on the chosen button (the first
// when none is chosen) and the arrow keys move the choice. Call it again
// after adding buttons to the group.
void singleTabStop(QButtonGroup* group);

}  // namespace pimble
