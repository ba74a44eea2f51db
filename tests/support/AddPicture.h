// Records and index entries made straight through the storage layer, as the tests need them.
#pragma once

#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

// Stores bytes as the picture of the file path (the record is named after its last
// component), 8 x 8 pixels, with keywords and the creation time created; the checksum is
// the bytes' own unless crc is given. The record's head block; -1 when the add failed.
inline std::int32_t AddPicture(CPictureDatabase& db, const std::string& path,
                               std::span<const std::uint8_t> bytes,
                               const CPictureDatabase::Keywords& keywords = {},
                               std::int32_t created = 0, std::optional<std::uint16_t> crc = {}) {
    CMemFile file;
    FillMemFile(file, bytes);
    CIndexEntry entry;
    const bool added =
        db.AddRecord(file, crc.value_or(UpdateCrc16(0, bytes)), path, created, 8, 8, keywords) &&
        db.Index().ReadEntry(entry, db.Index().GetLastInserted());
    return added ? entry.record : -1;
}

// Stores bytes as the thumbnail of the record at block; SetThumbnail's result.
inline int StoreThumbnail(CPictureDatabase& db, std::int32_t block,
                          std::span<const std::uint8_t> bytes) {
    CMemFile file;
    FillMemFile(file, bytes);
    return db.SetThumbnail(&file, block, true);
}

// Whether the record at head reads back with exactly bytes as its picture.
inline bool ReadsBack(CPictureDatabase& db, std::int32_t head,
                      const std::vector<std::uint8_t>& bytes) {
    CMemFile read;
    CRecordHead readHead;
    return head >= 0 && db.ReadPicture(read, head, readHead) == 1 && BytesOf(read) == bytes;
}

// Deletes the record whose head is at block; false when it cannot be read or deleted.
inline bool DeletePicture(CPictureDatabase& db, std::int32_t block) {
    CRecordHead head;
    return db.ReadHead(head, block) && db.DeleteRecord(block, head);
}

// A live entry with key for record.
inline CIndexEntry NewEntry(std::string_view key, std::int32_t record) {
    CIndexEntry entry;
    entry.SetKey(key);
    entry.flags = 0;
    entry.record = record;
    return entry;
}

// The live records of the database at path, found through their name entries, as (file
// name, picture bytes) with how often each occurs; empty when the database does not open
// or a live record cannot be read.
using LiveRecords = std::map<std::pair<std::string, std::vector<std::uint8_t>>, int>;
inline LiveRecords LivePictures(const std::string& path) {
    LiveRecords pictures;
    CPictureDatabase db;
    if (db.OpenDatabase(path, false) != 1)
        return pictures;
    for (std::int32_t i = 0; i < db.Index().EntryCount(); ++i) {
        CIndexEntry entry;
        CMemFile bytes;
        CRecordHead head;
        if (!db.Index().ReadEntry(entry, i) || entry.IsDeleted() || !entry.Key().starts_with('!'))
            continue;
        if (db.ReadPicture(bytes, entry.record, head) != 1)
            return {};
        ++pictures[{head.FileName(), BytesOf(bytes)}];
    }
    return pictures;
}
