#include "collection/VerifyDatabase.h"

#include "imaging/PxGif.h"
#include "imaging/Thumbnail.h"
#include "platform/ByteOrder.h"
#include "platform/MemFile.h"

bool ThumbnailDecodes(std::span<const std::uint8_t> bytes) {
    constexpr auto limit = static_cast<std::uint32_t>(ThumbnailSize::limit);
    // The logical screen a thumbnail declares is its size, whatever its image covers.
    if (bytes.size() < 10 || GetLe16(bytes.data() + 6) > limit || GetLe16(bytes.data() + 8) > limit)
        return false;
    CMemFile file;
    try {
        if (!bytes.empty())
            file.Write(bytes.data(), bytes.size());
        file.SeekToBegin();
    } catch (const CFileException&) {
        return false;
    }
    PxGif gif;
    if (!gif.LoadFromFile(file))
        return false;
    const std::uint32_t width = gif.GetWidth(), height = gif.GetHeight();
    return width >= 1 && height >= 1 && width <= limit && height <= limit;
}

DatabaseCheckResult VerifyDatabase(const std::string& path, bool quick) {
    return CheckDatabase(path, quick, ThumbnailDecodes);
}
