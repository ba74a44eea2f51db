// Counting the records by picture type.
#include "collection/FileProperties.h"

#include "platform/Path.h"
#include "platform/Prompt.h"
#include "storage/PictureDatabase.h"

#include <cstdio>

namespace {

void CountExtension(const std::string& ext, CTypeCounts& counts) {
    if (ext == ".TIFF" || ext == ".TIF")
        ++counts.tiff;
    else if (ext == ".JPEG" || ext == ".JPG")
        ++counts.jpeg; // ".JPE" is shown as JPEG but counted as unknown
    else if (ext == ".GIF")
        ++counts.gif;
    else if (ext == ".BMP")
        ++counts.bmp;
    else
        ++counts.unknown;
}

} // namespace

int CountByType(CPictureDatabase& db, CTypeCounts& counts,
                const std::function<void()>& processPending) {
    counts = {};
    CIndexFile& index = db.Index();
    // What the walk must count, found without the links and the skip table: a walk led
    // astray by damage gives no counts rather than wrong ones.
    const std::int32_t expected = index.CountFamily(IndexFormat::nameFamily, true);
    if (expected <= 0)
        return expected == 0 ? 1 : 0;
    std::int32_t i = index.FindFirstOrBefore(std::string(1, IndexFormat::nameFamily), true);
    for (std::int32_t budget = index.EntryCount(); i != -1 && budget > 0; --budget) {
        if (processPending)
            processPending();
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return 0;
        if (entry.Key().empty() || entry.Key()[0] != IndexFormat::nameFamily)
            break;
        i = entry.next;
        if (entry.IsDeleted())
            continue;
        CRecordHead head;
        if (!db.ReadHead(head, entry.record))
            return 0;
        ++counts.total;
        CountExtension(GetExtensionUpper(head.FileName()), counts);
    }
    if (counts.total < expected) {
        if (index.GetLastError() == 0)
            ShowMessage(FileErrorText(FileCause::generic));
        return 0;
    }
    return 1;
}

std::string FormatPicCount(int count) {
    char text[32];
    std::snprintf(text, sizeof text, "%d pics", count);
    return text;
}
