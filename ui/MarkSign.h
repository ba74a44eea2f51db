// The mark sign: the 16 × 16 picture the view copies onto the top-left corner of a marked
// record's picture, in logical units so that it grows and shrinks with the zoom.
#pragma once

class CBitmap;

inline constexpr int markSignSize = 16;

// Draws the sign into bitmap (created 16 × 16): a red disc with a white check mark on a
// white square. False when the bitmap cannot be created.
bool BuildMarkSign(CBitmap& bitmap);
