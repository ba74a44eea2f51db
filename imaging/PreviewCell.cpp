#include "imaging/PreviewCell.h"

#include "imaging/ImageType.h"
#include "imaging/PxJpeg.h"
#include "imaging/Thumbnail.h"

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
    if (!image)
        return 0;
    // A photograph is shown in a cell of 92 x 92 pixels: it need not be decoded whole.
    auto* jpeg = type == imageJpeg ? static_cast<PxJpeg*>(image.get()) : nullptr;
    if (jpeg)
        jpeg->SetReducedDecode(ThumbnailSize::limit);
    if (!image->LoadFromPath(path))
        return 0;
    char text[32];
    const std::uint32_t width = jpeg ? jpeg->GetSourceWidth() : image->GetWidth();
    const std::uint32_t height = jpeg ? jpeg->GetSourceHeight() : image->GetHeight();
    std::snprintf(text, sizeof text, "%d x %d", static_cast<int>(width), static_cast<int>(height));
    m_sizeText = text;
    m_image = std::move(image);
    m_type = type;
    return 1;
}
