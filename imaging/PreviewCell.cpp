#include "imaging/PreviewCell.h"

#include "imaging/ImageType.h"
#include "imaging/Thumbnail.h"

#include <cstdio>

void CPreviewCell::Clear() {
    m_image.reset();
    m_type = 0;
    m_sizeText.clear();
}

int CPreviewCell::Load(const std::string& path, std::string& temporaryCopy) {
    Clear();
    const int type = ImageTypeFromPath(path);
    std::unique_ptr<PxImage> image = CreateImageForType(type);
    if (!image)
        return 0;
    // The TIFF reader opens its file itself; it reads a copy, never the user's file.
    if (type == imageTiff) {
        if (!CopyToTemporary(path, temporaryCopy) || !image->LoadFromPath(temporaryCopy))
            return 0;
    } else if (!image->LoadFromPath(path)) {
        return 0;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%d x %d", static_cast<int>(image->GetWidth()),
                  static_cast<int>(image->GetHeight()));
    m_sizeText = text;
    m_image = std::move(image);
    m_type = type;
    return 1;
}
