#include "collection/GifCheck.h"

#include "platform/ByteOrder.h"
#include "platform/File.h"
#include "platform/FileException.h"

#include <array>
#include <cstdint>

namespace {
constexpr std::size_t tailPiece = 4096;
}

GifCheck CheckGifFile(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone))
        return GifCheck::unreadable;
    try {
        std::uint8_t screen[10];
        if (file.ReadAt(screen, sizeof screen, 0) < sizeof screen)
            return GifCheck::no;
        const auto width = static_cast<std::int16_t>(GetLe16(screen + 6));
        const auto height = static_cast<std::int16_t>(GetLe16(screen + 8));
        if (width <= 1 || height <= 1)
            return GifCheck::no;
        // From the end backwards, a piece at a time, to the last byte that is not zero.
        std::array<std::uint8_t, tailPiece> piece;
        for (std::int64_t end = file.GetLength(); end > 0;) {
            const std::int64_t start =
                end > std::int64_t(tailPiece) ? end - std::int64_t(tailPiece) : 0;
            const std::size_t wanted = static_cast<std::size_t>(end - start);
            if (file.ReadAt(piece.data(), wanted, start) < wanted)
                return GifCheck::no; // shrank while read
            for (std::size_t i = wanted; i-- > 0;) {
                if (piece[i] != 0)
                    return piece[i] == ';' ? GifCheck::yes : GifCheck::no;
            }
            end = start;
        }
    } catch (const CFileException&) {
        return GifCheck::unreadable;
    }
    return GifCheck::no;
}
