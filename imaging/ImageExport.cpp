// ExportAs and the temporary copy of Thumbnail.h: a picture handed to another format's
// writer, and a file copied where the TIFF reader can open it by name.
#include "imaging/ImageType.h"
#include "imaging/PxImage.h"
#include "imaging/Thumbnail.h"
#include "platform/TempFile.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace {
constexpr std::size_t copyChunk = 32768;
}

int ExportAs(const PxImage& image, int type, const std::string& path) {
    std::unique_ptr<PxImage> target = CreateImageForType(type);
    if (!target || !target->CopyFrom(image))
        return 0;
    return target->SaveToPath(path);
}

void DeleteTemporaryCopy(std::string& remembered) {
    if (remembered.empty())
        return;
    std::remove(remembered.c_str());
    remembered.clear();
}

int CopyToTemporary(const std::string& source, std::string& remembered) {
    DeleteTemporaryCopy(remembered);
    std::string name = CreateTemporaryFile("PXTT");
    if (name.empty())
        return 0;
    CFile copy, original;
    bool copied = copy.Open(name, CFile::modeWrite | CFile::modeCreate) &&
                  original.Open(source, CFile::modeRead | CFile::shareDenyNone);
    try {
        // The length at the start bounds the copy, so a device that never ends (or a
        // file that keeps growing) cannot fill the disk.
        std::int64_t remaining = copied ? original.GetLength() : 0;
        std::vector<std::uint8_t> chunk(copied ? copyChunk : 0);
        if (copied)
            original.SeekToBegin();
        while (remaining > 0) {
            const std::size_t wanted =
                static_cast<std::size_t>(std::min<std::int64_t>(remaining, copyChunk));
            const std::size_t n = original.Read(chunk.data(), wanted);
            copy.Write(chunk.data(), n);
            if (n < wanted)
                break;
            remaining -= static_cast<std::int64_t>(n);
        }
        copy.Close();
        original.Close();
    } catch (const CFileException&) {
        copied = false;
    } catch (const std::bad_alloc&) {
        copied = false;
    }
    if (!copied) {
        DeleteTemporaryCopy(name);
        return 0;
    }
    remembered = name;
    return 1;
}
