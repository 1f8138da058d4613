#pragma once

// Registers the pictures, icons and cursor under ":/quillon/". They live in a
// static library, whose registration object the linker would otherwise drop:
// call this once, before the first window is built.
void QuillonInitResources();

// The hand cursor's hot spot: the tip of the index finger in cursors/hand.png.
inline constexpr int kHandHotSpotX = 6;
inline constexpr int kHandHotSpotY = 0;
