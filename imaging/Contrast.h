// The contrast step of the picture window. It shows nothing and does not throw.
#pragma once

class PxImage;

// One contrast step: step > 0 raises contrast, step <= 0 lowers it. 4- and 8-bit images
// change the colour-table entries they use (and get a new palette), 24-bit images and
// uncompressed 32-bit ones their pixels (blue, green and red bytes); other depths stay as
// they are.
void AdjustContrast(PxImage& image, int step);
