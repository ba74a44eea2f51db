// CFormatReader: an independent reading of a picture database pair (main file ".PXM" and
// index file ".PXI") for the tests. It checks every byte against the format and lists each
// deviation as a readable problem; an empty list means the pair is clean. It uses none of
// the storage layer's code.
//
// Main file: the header block; every record found by walking the blocks from block 1 (head,
// linked picture chain with byte counts and zero padding, CRC, data size, thumbnail
// reference); other blocks only as unlinked thumbnail chains. Index file: length, header,
// entry fields, one doubly linked list through every entry in key order (ASCII lower-cased),
// the skip table, and per record: either every entry deleted, or live entries that are
// exactly its CRC, date, name and keyword keys.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CFormatReader {
public:
    struct Record {
        std::int32_t block = -1;
        std::uint16_t crc = 0;
        std::string fileName;
        std::int32_t dateSaved = 0;
        std::array<std::string, 6> keywords;
        std::int32_t thumbnailBlock = 0;
        std::vector<std::uint8_t> picture;
        std::vector<std::uint8_t> thumbnail; // empty when the record has none
    };

    struct Entry {
        std::int32_t number = -1;
        std::int32_t previous = -1;
        std::int32_t next = -1;
        std::int32_t flags = 0;
        std::string key;
        std::int32_t record = -1;
        bool IsDeleted() const { return (flags & 1) != 0; }
    };

    // The main file's and the index file's bytes (a file that cannot be read is empty).
    void Read(std::vector<std::uint8_t> mainBytes, std::vector<std::uint8_t> indexBytes);

    bool IsClean() const { return m_problems.empty(); }
    // The problems, one a line.
    std::string Report() const;

    // Records in block order; FindRecord gives nullptr when block is not a record head.
    const std::vector<Record>& Records() const { return m_records; }
    const Record* FindRecord(std::int32_t block) const;
    const std::string& Password() const { return m_password; }
    // Entries in list order, as far as the links lead.
    const std::vector<Entry>& Entries() const { return m_list; }

private:
    struct Chain {
        std::int32_t first = -1;
        std::vector<std::uint8_t> bytes;
    };

    template <class... Parts> void Problem(const Parts&... parts);
    const std::uint8_t* Block(std::int32_t block) const;
    void CheckZero(const std::uint8_t* p, std::size_t from, std::size_t to,
                   const std::string& where);
    std::string ReadText(const std::uint8_t* field, std::size_t width, const std::string& where);

    void ReadMainFile();
    std::int32_t ReadRecord(std::int32_t h);
    // Reads the chain from first on into bytes; returns the block after its last block.
    std::int32_t ReadChain(std::int32_t first, bool linked, std::vector<std::uint8_t>& bytes,
                           const std::string& what);
    void ReadIndexFile();
    void WalkList();
    void CheckSkipTable(const std::vector<std::int32_t>& positions);
    void CheckRecordEntries();

    std::vector<std::uint8_t> m_main;
    std::vector<std::uint8_t> m_index;
    std::int32_t m_blockCount = 0;
    std::vector<std::string> m_problems;
    std::vector<Record> m_records;
    std::vector<Chain> m_chains;
    std::string m_password;
    std::vector<Entry> m_entries; // by entry number
    std::vector<Entry> m_list;
    std::int32_t m_modificationCount = 0;
    std::int32_t m_skipLength = 0;
    std::vector<std::int32_t> m_skip;
};
