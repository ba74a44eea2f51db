#include "imaging/PreviewCell.h"

#include "imaging/ImageType.h"

#include <cstdio>

void CPreviewCell::Clear() {
    m_image.reset();
    m_type = 0;
    m_sizeText.clear();
}

int CPreviewCell::Load(const std::string& path) {
    Clear();
    const int type = ImageTypeFromPath(path);
    std::unique_ptr<PxImage> image = CreateImageForType(type);
    if (!image || !image->LoadFromPath(path))
        return 0;
    char text[32];
    std::snprintf(text, sizeof text, "%d x %d", static_cast<int>(image->GetWidth()),
                  static_cast<int>(image->GetHeight()));
    m_sizeText = text;
    m_image = std::move(image);
    m_type = type;
    return 1;
}
