// The picture kind of a file, decided by its name's extension, and the image class that
// reads and writes it.
#pragma once

#include <memory>
#include <string_view>

class PxImage;

enum ImageType : int {
    imageNone = 0,
    imageJpeg = 1, // ".JPG", ".JPEG", ".JPE"
    imageBmp = 2,  // ".BMP"
    imageGif = 3,  // ".GIF"
    imageTiff = 4, // ".TIF", ".TIFF"
};

// The type code of path: its extension (last component, with the dot) in upper case,
// compared exactly; imageNone for anything else.
int ImageTypeFromPath(std::string_view path);
// A new, empty image object of the class for the type code; null for imageNone, an
// unknown code, or a format whose class is not part of the program yet.
std::unique_ptr<PxImage> CreateImageForType(int type);
