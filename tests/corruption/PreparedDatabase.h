// CPreparedDatabase: the small picture database that the damage tests start from. Seven
// records of real JPEG and GIF pictures from the shared corpus, with keywords, thumbnails
// (stored chains, and a small GIF that serves as its own), a second copy of one picture
// under another name (a duplicate) and one deleted record; optionally a password. It keeps
// the bytes of both files and where every record, chain and entry lies in them, so that a
// test can damage a chosen place in a fresh copy and knows which records were touched.
#pragma once

#include "storage/PictureDatabase.h"
#include "support/FormatReader.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct PreparedRecord {
    std::string name;
    CPictureDatabase::Keywords keywords;
    std::vector<std::uint8_t> bytes; // the picture file as it was added
    int kind = 0;                    // picture kind of the name's extension
    std::int32_t head = -1;
    std::int32_t chainBlocks = 0;     // the picture chain: head + 1 to head + chainBlocks
    std::int32_t thumbnail = 0;       // 0 none, head + 1 its own picture, else a chain
    std::int32_t thumbnailBlocks = 0; // blocks of a stored thumbnail chain
    bool deleted = false;

    bool HasStoredThumbnail() const { return thumbnail > head + 1; }
    // First byte of the record's head and the byte after its picture chain.
    std::int64_t Begin() const;
    std::int64_t End() const;
};

class CPreparedDatabase {
public:
    // Builds the database at base (".PXM" and ".PXI") from the corpus folder, with password
    // ("" for none). Failures are test failures; false when the database is not complete.
    bool Build(const std::string& base, const std::string& corpus, std::string_view password);

    const std::vector<PreparedRecord>& Records() const { return m_records; }
    const PreparedRecord& Record(std::string_view name) const;
    std::string_view Password() const { return m_password; }
    // The index entries in list order.
    const std::vector<CFormatReader::Entry>& ListOrder() const { return m_list; }
    // A picture of the corpus that is not in the database, to add to it.
    const std::vector<std::uint8_t>& ExtraPicture() const { return m_extra; }
    const std::vector<std::uint8_t>& MainBytes() const { return m_main; }
    const std::vector<std::uint8_t>& IndexBytes() const { return m_index; }
    int LiveCount() const;
    // The number of the entry with key; -1 when there is none.
    std::int32_t EntryNumber(std::string_view key) const;
    // The used length of the index header's skip table.
    std::int32_t SkipLength() const;

private:
    std::vector<PreparedRecord> m_records;
    std::vector<CFormatReader::Entry> m_list;
    std::vector<std::uint8_t> m_main;
    std::vector<std::uint8_t> m_index;
    std::vector<std::uint8_t> m_extra;
    std::string m_password;
};
