#include "imaging/ImageType.h"

#include "imaging/PxDib.h"
#include "imaging/PxGif.h"
#include "imaging/PxJpeg.h"
#include "imaging/PxTiff.h"
#include "platform/Path.h"

#include <string>

int ImageTypeFromPath(std::string_view path) {
    const std::string ext = GetExtensionUpper(path);
    if (ext == ".JPG" || ext == ".JPEG" || ext == ".JPE")
        return imageJpeg;
    if (ext == ".GIF")
        return imageGif;
    if (ext == ".BMP")
        return imageBmp;
    if (ext == ".TIF" || ext == ".TIFF")
        return imageTiff;
    return imageNone;
}

std::unique_ptr<PxImage> CreateImageForType(int type) {
    switch (type) {
    case imageBmp:
        return std::make_unique<PxDib>();
    case imageGif:
        return std::make_unique<PxGif>();
    case imageJpeg:
        return std::make_unique<PxJpeg>();
    case imageTiff:
        return std::make_unique<PxTiff>();
    default:
        return nullptr;
    }
}
