// ExportAs: a picture handed to another format's writer.
#include "imaging/ImageExport.h"

#include "imaging/ImageType.h"
#include "imaging/PxImage.h"

#include <memory>

int ExportAs(const PxImage& image, int type, const std::string& path) {
    std::unique_ptr<PxImage> target = CreateImageForType(type);
    if (!target || !target->CopyFrom(image))
        return 0;
    return target->SaveToPath(path);
}
