// Double-line boxes for the interim and closing notices.
#pragma once

#include "console/console.h"

namespace quorvale {

// Draws the frame of a box whose edges lie on columns `left` and `right` and rows `top` and
// `bottom` (all inclusive), in the colour in effect. The inside is left as it is; the cursor ends
// after the last character drawn.
void DrawBox(Console& console, int left, int top, int right, int bottom);

// Makes the screen 100 x 25, fills it with white on green, homes and hides the cursor and sets
// the window title.
void SetUpConsole(Console& console);

}  // namespace quorvale
