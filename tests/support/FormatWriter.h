// CFormatWriter: an independent writer of a picture database pair (main file ".PXM" and
// index file ".PXI") for the tests. It follows the format description step by step over
// two byte vectors, one block or one entry at a time, without any of the storage layer's
// code, so that the program's files can be compared with it byte for byte.
//
// Records are appended as head and picture chain, thumbnail chains at the end. Keys are
// inserted as the key index does: position found by walking from a skip slot, append or
// insert before, the modification count bumped in the file (not in the cached header),
// header writes that raise the generation, the skip table rebuilt after every append and
// otherwise once the file's modification count reaches 256.
//
// Record and key operations return 1, or 0 for a block that is not a record head or an
// index that would outgrow its skip table; AddRecord returns the head block or -1.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The sizes and fixed texts of the format, shared with CFormatReader.
namespace FormatLayout {
constexpr std::size_t blockSize = 2048, payloadSize = 2032;
constexpr std::size_t headerSize = 32792, entrySize = 52;
constexpr int skipSlots = 8192, skipStride = 32;
constexpr char mainFormat[] = "Picdex Main File Ver.1.00.5";
constexpr char indexFormat[12] = "PDX.100.00";
constexpr char passwordKey[] = "K.L.BrennerOstwaldHarbourView";
} // namespace FormatLayout

// One record as a test describes it. Text fields are cut at their byte limits (file name
// 257 bytes, keywords 31 bytes).
struct CFormatRecord {
    std::string name;
    std::int32_t dateSaved = 0;
    std::int32_t dateImageCreated = 0;
    std::array<std::string, 6> keywords;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint8_t> picture = {};
};

class CFormatWriter {
public:
    using Bytes = std::vector<std::uint8_t>;

    // A new database: main header with creationTime and the empty password, empty index.
    explicit CFormatWriter(std::int32_t creationTime = 0);

    // Appends head and picture chain, then inserts the CRC, date, name and keyword keys.
    std::int32_t AddRecord(const CFormatRecord& record);
    int StoreThumbnail(std::int32_t headBlock, std::span<const std::uint8_t> bytes);
    int UsePictureAsThumbnail(std::int32_t headBlock);
    // Flags the keys of removed keywords, inserts those of new ones, rewrites the head.
    int ChangeKeywords(std::int32_t headBlock, const std::array<std::string, 6>& keywords);
    // Flags every index entry of the record.
    int DeleteRecord(std::int32_t headBlock);
    void SetPassword(std::string_view text);

    // Inserts key (cut to 31 bytes), flags 0, after every entry not greater (lower-cased).
    int InsertKey(std::string_view key, std::int32_t record);
    // Forgets the cached header, as a new opening of the index file does.
    void ReopenIndex();
    std::int32_t GetLastInserted() const { return m_lastInserted; }
    // Skip-table rebuilds started because the modification count reached 256.
    int GetRebuildsByCount() const { return m_rebuildsByCount; }

    // Keys and checksum as the format forms them.
    static std::uint16_t Crc16(std::span<const std::uint8_t> bytes);
    static std::string DateKey(std::int32_t dateSaved);
    static std::string NameKey(std::string_view fileName);
    static std::string CrcKey(std::uint16_t crc);
    static std::string KeywordKey(std::string_view keyword);
    // <0, 0, >0 after folding ASCII A-Z to lower case, bytes compared unsigned.
    static int CompareFolded(std::string_view a, std::string_view b);

    const Bytes& MainBytes() const { return m_main; }
    const Bytes& IndexBytes() const { return m_index; }

private:
    struct Entry {
        std::int32_t previous = -1;
        std::int32_t next = -1;
        std::int32_t flags = 0;
        std::string key;
        std::int32_t record = -1;
    };

    std::uint8_t* Block(std::int32_t block) { return m_main.data() + std::size_t(block) * 2048; }
    std::int32_t BlockCount() const { return std::int32_t(m_main.size() / 2048); }
    bool IsHead(std::int32_t block) const;
    // Appends bytes as a chain; previous links to the block before when linked, else -1.
    void AppendChain(std::span<const std::uint8_t> bytes, bool linked);
    std::array<std::string, 6> HeadKeywords(std::int32_t headBlock);
    // Sets the deleted flag of the entries with key (lower-cased) whose record is record.
    void FlagEntries(std::string_view key, std::int32_t record);

    std::int32_t EntryCount() const;
    Entry ReadEntry(std::int32_t i) const;
    void WriteEntry(const Entry& entry, std::int32_t i);
    std::int32_t Slot(int k) const;
    void SetSlot(int k, std::int32_t entry);
    std::int32_t SkipLength() const;
    void RefreshHeader();
    void WriteHeader(bool resetCount);
    // Last used slot whose entry is below key (strictly when strict), else slot 0.
    int StartSlot(std::string_view key, bool strict) const;
    void Append(Entry entry, std::int32_t n);
    void InsertBefore(Entry entry, std::int32_t p, std::int32_t n);
    bool RebuildSkipTable(bool force);

    Bytes m_main;
    Bytes m_index;
    Bytes m_cachedHeader;
    std::int32_t m_lastInserted = -1;
    int m_rebuildsByCount = 0;
};
