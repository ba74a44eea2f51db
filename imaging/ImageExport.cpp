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

namespace {}

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
    CFile original;
    if (!original.Open(source, CFile::modeRead | CFile::shareDenyNone))
        return 0;
    remembered = CopyToTemporaryFile(original, "PXTT");
    return remembered.empty() ? 0 : 1;
}
