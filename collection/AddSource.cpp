#include "collection/AddSource.h"

#include "platform/FileSystem.h"
#include "platform/PathInfo.h"
#include "storage/RecordHead.h"

#include <algorithm>
#include <cstdint>
#include <limits>

AddSource CheckAddSource(const std::string& path) {
    const PathInfo info = GetPathInfo(path);
    if (info.kind == PathKind::missing)
        return AddSource::readable;
    if (info.kind != PathKind::regular)
        return AddSource::unreadable;
    if (info.size >= MainFormat::maxPictureSize)
        return AddSource::tooLarge;
    return AddSource::readable;
}

bool HasRoomToAdd(const std::string& mainPath, const std::string& path) {
    const std::int64_t size = std::max<std::int64_t>(GetFileSize(path), 0);
    const std::uint64_t limit = std::numeric_limits<std::uint64_t>::max() / 3;
    const std::uint64_t needed = std::uint64_t(size) > limit
                                     ? std::numeric_limits<std::uint64_t>::max()
                                     : 3 * std::uint64_t(size);
    return CheckFreeSpace(mainPath, needed);
}
