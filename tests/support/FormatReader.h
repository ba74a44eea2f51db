// CFormatReader: an independent reading of a picture database pair (main file ".PXM" and
// index file ".PXI") for the tests. It reads both files whole, checks every byte against
// the format and lists each deviation as a readable problem; an empty list means the pair
// is clean. It uses none of the storage layer's code.
//
// Main file: the header block; every record found by walking the blocks from block 1
// (head, picture chain h+1.. with its links, byte counts and zero padding, CRC, data size,
// thumbnail reference); blocks outside records only as thumbnail chains (referenced or
// left behind by a replaced thumbnail).
// Index file: length, header, one doubly linked list through every entry, entry fields,
// list order (keys compared after ASCII lower-casing), the skip table, and the entries of
// every head: CRC, date, name keys first (consecutive entry numbers), then keyword keys;
// live keyword keys match the head's keywords, in slot order while the record is as added.
// Two states that keyword changes can leave are reported although the program made them:
// keywords only reordered (the entries keep the old order), and changes among a record's
// keywords that are equal after lower-casing (a removal flags the entries of all of them; a
// keyword given twice keeps as many entries as it had).
//
// The accessors give tests what was read, also when there are problems.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CFormatReader {
public:
    struct Record {
        std::int32_t block = -1;
        std::int32_t previous = 0;
        std::int32_t next = 0;
        std::int32_t kind = 0;
        std::uint16_t crc = 0;
        std::string fileName;
        std::int32_t dateSaved = 0;
        std::int32_t dateImageCreated = 0;
        std::array<std::string, 6> keywords;
        std::uint32_t dataSize = 0;
        std::int32_t thumbnailBlock = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        std::vector<std::uint8_t> picture;
        std::vector<std::uint8_t> thumbnail; // empty when the record has none
    };

    struct Entry {
        std::int32_t number = -1;
        std::int32_t previous = -1;
        std::int32_t next = -1;
        std::int32_t ownNumber = -1; // as stored
        std::int32_t flags = 0;
        std::string key;
        std::int32_t record = -1;
        bool IsDeleted() const { return (flags & 1) != 0; }
    };

    // Reads and checks the pair; a file that cannot be read is a problem.
    void ReadFiles(const std::string& mainPath, const std::string& indexPath);
    // basePath + ".PXM" and basePath + ".PXI".
    void ReadDatabase(const std::string& basePath);
    void Read(std::vector<std::uint8_t> mainBytes, std::vector<std::uint8_t> indexBytes);

    const std::vector<std::string>& Problems() const { return m_problems; }
    bool IsClean() const { return m_problems.empty(); }
    // The first problems, one a line, for test messages.
    std::string Report(std::size_t limit = 20) const;

    // Records in block order; FindRecord gives nullptr when block is not a record head.
    const std::vector<Record>& Records() const { return m_records; }
    const Record* FindRecord(std::int32_t block) const;
    std::int32_t CreationTime() const { return m_creationTime; }
    const std::string& Password() const { return m_password; }
    // Chains outside records that no head names (left behind by replaced thumbnails).
    int UnreferencedChains() const { return m_unreferencedChains; }

    // Entries in list order (as far as the links lead) and by entry number.
    const std::vector<Entry>& Entries() const { return m_list; }
    const std::vector<Entry>& EntriesByNumber() const { return m_entries; }
    std::int32_t Generation() const { return m_generation; }
    std::int32_t ModificationCount() const { return m_modificationCount; }
    std::int32_t SkipLength() const { return m_skipLength; }
    const std::vector<std::int32_t>& SkipTable() const { return m_skip; }

private:
    struct Chain {
        std::int32_t first = -1;
        std::vector<std::uint8_t> bytes;
        bool referenced = false;
    };

    template <class... Parts> void Problem(const Parts&... parts);
    const std::uint8_t* Block(std::int32_t block) const;
    void CheckZero(const std::uint8_t* p, std::size_t from, std::size_t to,
                   const std::string& where);
    std::string ReadText(const std::uint8_t* field, std::size_t width, const std::string& where);

    void ReadMainHeader();
    void WalkMainFile();
    std::int32_t ReadRecord(std::int32_t h);
    // Reads the chain from first on into bytes; returns the block after its last block.
    std::int32_t ReadChain(std::int32_t first, bool linked, std::vector<std::uint8_t>& bytes,
                           const std::string& what);
    void ResolveThumbnails();

    void ReadIndexHeader();
    void ReadEntries();
    void WalkList();
    void CheckSkipTable(const std::vector<std::int32_t>& positions);
    void CheckRecordEntries();
    void CheckRecordKeys(const Record& record, const std::vector<std::int32_t>& numbers);

    std::vector<std::uint8_t> m_main;
    std::vector<std::uint8_t> m_index;
    std::int32_t m_blockCount = 0;
    std::vector<std::string> m_problems;
    std::size_t m_suppressed = 0;

    std::vector<Record> m_records;
    std::vector<Chain> m_chains;
    std::int32_t m_creationTime = 0;
    std::string m_password;
    int m_unreferencedChains = 0;

    std::vector<Entry> m_entries;
    std::vector<Entry> m_list;
    std::int32_t m_generation = 0;
    std::int32_t m_modificationCount = 0;
    std::int32_t m_skipLength = 0;
    std::vector<std::int32_t> m_skip;
};
