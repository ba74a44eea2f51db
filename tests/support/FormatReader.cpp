#include "support/FormatReader.h"

#include "support/FormatWriter.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

namespace {
constexpr std::size_t blockSize = 2048;
constexpr std::int32_t payloadSize = 2032;
constexpr std::size_t headerSize = 32792;
constexpr std::size_t entrySize = 52;
constexpr int skipSlots = 8192;
constexpr int skipStride = 32;
constexpr std::size_t maxProblems = 200;
constexpr std::uint64_t maxFileSize = std::uint64_t(1) << 31;
constexpr char mainFormat[] = "Picdex Main File Ver.1.00.5";
constexpr char indexFormat[12] = "PDX.100.00";
constexpr char passwordKey[] = "K.L.BrennerOstwaldHarbourView";

bool ReadWhole(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        return false;
    const std::streamoff length = file.tellg();
    if (length < 0 || std::uint64_t(length) > maxFileSize)
        return false;
    bytes.resize(std::size_t(length));
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), length);
    return file.good() || length == 0;
}
} // namespace

template <class... Parts> void CFormatReader::Problem(const Parts&... parts) {
    if (m_problems.size() >= maxProblems) {
        ++m_suppressed;
        return;
    }
    std::ostringstream text;
    (text << ... << parts);
    m_problems.push_back(text.str());
}

void CFormatReader::ReadDatabase(const std::string& basePath) {
    ReadFiles(basePath + ".PXM", basePath + ".PXI");
}

void CFormatReader::ReadFiles(const std::string& mainPath, const std::string& indexPath) {
    std::vector<std::uint8_t> mainBytes, indexBytes;
    const bool mainRead = ReadWhole(mainPath, mainBytes);
    const bool indexRead = ReadWhole(indexPath, indexBytes);
    Read(std::move(mainBytes), std::move(indexBytes));
    if (!mainRead)
        m_problems.insert(m_problems.begin(), "main file " + mainPath + " cannot be read");
    if (!indexRead)
        m_problems.insert(m_problems.begin(), "index file " + indexPath + " cannot be read");
}

void CFormatReader::Read(std::vector<std::uint8_t> mainBytes,
                         std::vector<std::uint8_t> indexBytes) {
    *this = CFormatReader();
    m_main = std::move(mainBytes);
    m_index = std::move(indexBytes);
    ReadMainHeader();
    WalkMainFile();
    ResolveThumbnails();
    ReadIndexHeader();
    ReadEntries();
    WalkList();
    CheckRecordEntries();
    if (m_suppressed > 0)
        m_problems.push_back("and " + std::to_string(m_suppressed) + " more problems");
}

std::string CFormatReader::Report(std::size_t limit) const {
    std::string text;
    for (std::size_t i = 0; i < m_problems.size() && i < limit; ++i)
        text += m_problems[i] + "\n";
    if (m_problems.size() > limit)
        text += "(" + std::to_string(m_problems.size() - limit) + " more)\n";
    return text;
}

const CFormatReader::Record* CFormatReader::FindRecord(std::int32_t block) const {
    auto found = std::lower_bound(m_records.begin(), m_records.end(), block,
                                  [](const Record& r, std::int32_t b) { return r.block < b; });
    return found != m_records.end() && found->block == block ? &*found : nullptr;
}

const std::uint8_t* CFormatReader::Block(std::int32_t block) const {
    return m_main.data() + std::size_t(block) * blockSize;
}

void CFormatReader::CheckZero(const std::uint8_t* p, std::size_t from, std::size_t to,
                              const std::string& where) {
    for (std::size_t i = from; i < to; ++i) {
        if (p[i] != 0) {
            Problem(where, ": byte ", i, " is ", int(p[i]), ", expected 0");
            return;
        }
    }
}

std::string CFormatReader::ReadText(const std::uint8_t* field, std::size_t width,
                                    const std::string& where) {
    const void* end = std::memchr(field, 0, width);
    if (!end) {
        Problem(where, ": no NUL inside its ", width, "-byte field");
        return std::string(reinterpret_cast<const char*>(field), width);
    }
    const std::size_t length = std::size_t(static_cast<const std::uint8_t*>(end) - field);
    CheckZero(field, length, width, where + " after its NUL");
    return std::string(reinterpret_cast<const char*>(field), length);
}

// ---------------------------------------------------------------- main file

void CFormatReader::ReadMainHeader() {
    if (m_main.size() % blockSize != 0)
        Problem("main file length ", m_main.size(), " is not a multiple of 2048");
    m_blockCount = std::int32_t(m_main.size() / blockSize);
    if (m_blockCount == 0) {
        Problem("main file has no header block");
        return;
    }
    const std::uint8_t* p = Block(0);
    CheckZero(p, 0, 8, "main header");
    if (GetLe32(p + 8) != 1)
        Problem("main header: kind ", GetLe32(p + 8), ", expected 1");
    CheckZero(p, 12, 14, "main header");
    if (std::memcmp(p + 14, mainFormat, sizeof mainFormat) != 0)
        Problem("main header: format string differs from \"", mainFormat, "\" and its NUL");
    CheckZero(p, 14 + sizeof mainFormat, 272, "main header");
    m_creationTime = GetLe32(p + 272);
    CheckZero(p, 276, 280, "main header");

    std::uint8_t plain[12];
    for (int i = 0; i < 12; ++i)
        plain[i] = std::uint8_t(p[280 + i] + std::uint8_t(passwordKey[i]));
    const void* end = std::memchr(plain, 0, sizeof plain);
    const std::size_t length =
        end ? std::size_t(static_cast<const std::uint8_t*>(end) - plain) : 12;
    m_password.assign(reinterpret_cast<const char*>(plain), length);
    CheckZero(plain, length, 12, "password (unscrambled)");
    CheckZero(p, 292, blockSize, "main header");
}

void CFormatReader::WalkMainFile() {
    std::int32_t b = 1;
    while (b < m_blockCount) {
        const std::uint8_t* p = Block(b);
        if (GetLe32(p + 8) == 1) {
            b = ReadRecord(b);
        } else if (GetLe32(p + 8) == 0 && GetLe32(p) == -1) {
            Chain chain;
            chain.first = b;
            b = ReadChain(b, false, chain.bytes, "chain at block " + std::to_string(b));
            m_chains.push_back(std::move(chain));
        } else {
            Problem("main block ", b, " belongs to no record or thumbnail chain (previous ",
                    GetLe32(p), ", kind ", GetLe32(p + 8), ")");
            ++b;
        }
    }
}

std::int32_t CFormatReader::ReadRecord(std::int32_t h) {
    const std::uint8_t* p = Block(h);
    const std::string where = "record head " + std::to_string(h);
    Record record;
    record.block = h;
    record.previous = GetLe32(p);
    record.next = GetLe32(p + 4);
    record.kind = GetLe32(p + 8);
    record.crc = GetLe16(p + 12);
    record.fileName = ReadText(p + 14, 258, where + " file name");
    record.dateSaved = GetLe32(p + 272);
    record.dateImageCreated = GetLe32(p + 276);
    for (int slot = 0; slot < 6; ++slot) {
        record.keywords[slot] =
            ReadText(p + 280 + 32 * slot, 32, where + " keyword " + std::to_string(slot + 1));
    }
    record.dataSize = GetLeU32(p + 472);
    record.thumbnailBlock = GetLe32(p + 476);
    record.width = GetLeU32(p + 480);
    record.height = GetLeU32(p + 484);
    CheckZero(p, 488, blockSize, where);
    if (record.previous != -1)
        Problem(where, ": previous ", record.previous, ", expected -1");
    if (record.next != h + 1)
        Problem(where, ": next ", record.next, ", expected ", h + 1);

    const std::int32_t after = ReadChain(h + 1, true, record.picture, where + " picture chain");
    if (record.dataSize != 0 && record.dataSize != record.picture.size())
        Problem(where, ": data size ", record.dataSize, ", picture chain holds ",
                record.picture.size());
    const std::uint16_t crc = CFormatWriter::Crc16(record.picture);
    if (crc != record.crc)
        Problem(where, ": CRC ", record.crc, ", picture bytes give ", crc);
    const std::int32_t t = record.thumbnailBlock;
    if (t != 0 && t != h + 1 && (t <= h || t >= m_blockCount))
        Problem(where, ": thumbnail block ", t, " lies outside the blocks after the head");
    if (t == h + 1)
        record.thumbnail = record.picture;
    m_records.push_back(std::move(record));
    return after;
}

std::int32_t CFormatReader::ReadChain(std::int32_t first, bool linked,
                                      std::vector<std::uint8_t>& bytes, const std::string& what) {
    std::int32_t expectedPrevious = linked ? first - 1 : -1;
    for (std::int32_t b = first;; ++b) {
        if (b >= m_blockCount) {
            Problem(what, ": runs past the end of the file at block ", b);
            return b;
        }
        const std::uint8_t* p = Block(b);
        const std::string where = what + " block " + std::to_string(b);
        const std::int32_t previous = GetLe32(p), next = GetLe32(p + 4);
        std::int32_t count = GetLe32(p + 12);
        if (GetLe32(p + 8) != 0)
            Problem(where, ": kind ", GetLe32(p + 8), ", expected 0");
        if (previous != expectedPrevious)
            Problem(where, ": previous ", previous, ", expected ", expectedPrevious);
        if (count < 0 || count > payloadSize) {
            Problem(where, ": byte count ", count, " outside 0..2032");
            count = std::clamp(count, 0, payloadSize);
        }
        CheckZero(p, 16 + std::size_t(count), blockSize, where + " padding");
        bytes.insert(bytes.end(), p + 16, p + 16 + count);
        if (next == -1)
            return b + 1;
        if (count != payloadSize)
            Problem(where, ": byte count ", count, " but the chain goes on");
        if (next != b + 1) {
            Problem(where, ": next ", next, ", expected ", b + 1, " or -1");
            return b + 1;
        }
        expectedPrevious = linked ? b : -1;
    }
}

void CFormatReader::ResolveThumbnails() {
    for (Record& record : m_records) {
        const std::int32_t t = record.thumbnailBlock;
        if (t == 0 || t == record.next)
            continue;
        auto chain = std::find_if(m_chains.begin(), m_chains.end(),
                                  [t](const Chain& c) { return c.first == t; });
        if (chain == m_chains.end()) {
            Problem("record head ", record.block, ": thumbnail block ", t,
                    " does not start a thumbnail chain");
        } else if (chain->referenced) {
            Problem("record head ", record.block, ": thumbnail chain ", t,
                    " is named by another head too");
        } else {
            chain->referenced = true;
            record.thumbnail = chain->bytes;
        }
    }
    m_unreferencedChains = int(std::count_if(m_chains.begin(), m_chains.end(),
                                             [](const Chain& c) { return !c.referenced; }));
}

// ---------------------------------------------------------------- index file

void CFormatReader::ReadIndexHeader() {
    if (m_index.size() < headerSize) {
        Problem("index file is ", m_index.size(), " bytes, shorter than its 32792-byte header");
        return;
    }
    if ((m_index.size() - headerSize) % entrySize != 0)
        Problem("index file length ", m_index.size(), " is not 32792 + 52 x n");
    const std::uint8_t* p = m_index.data();
    m_generation = GetLe32(p);
    m_modificationCount = GetLe32(p + 4);
    if (m_generation < 0)
        Problem("index header: generation ", m_generation, " is negative");
    if (m_modificationCount < 0 || m_modificationCount > 255)
        Problem("index header: modification count ", m_modificationCount, " outside 0..255");
    if (std::memcmp(p + 8, indexFormat, sizeof indexFormat) != 0)
        Problem("index header: format field is not \"PDX.100.00\" with two zero bytes");
    m_skipLength = GetLe32(p + 20);
    if (m_skipLength < 0 || m_skipLength > skipSlots) {
        Problem("index header: skip table length ", m_skipLength, " outside 0..8192");
        m_skipLength = std::clamp(m_skipLength, 0, skipSlots);
    }
    m_skip.resize(skipSlots);
    for (int k = 0; k < skipSlots; ++k)
        m_skip[k] = GetLe32(p + 24 + 4 * k);
}

void CFormatReader::ReadEntries() {
    if (m_index.size() < headerSize)
        return;
    const std::int32_t n = std::int32_t((m_index.size() - headerSize) / entrySize);
    m_entries.resize(std::size_t(n));
    for (std::int32_t i = 0; i < n; ++i) {
        const std::uint8_t* p = m_index.data() + headerSize + std::size_t(i) * entrySize;
        const std::string where = "index entry " + std::to_string(i);
        Entry& entry = m_entries[i];
        entry.number = i;
        entry.previous = GetLe32(p);
        entry.next = GetLe32(p + 4);
        entry.ownNumber = GetLe32(p + 8);
        entry.flags = GetLe32(p + 12);
        entry.key = ReadText(p + 16, 32, where + " key");
        entry.record = GetLe32(p + 48);
        if (entry.ownNumber != i)
            Problem(where, ": own number ", entry.ownNumber);
        if (entry.flags != 0 && entry.flags != 1)
            Problem(where, ": flags ", entry.flags, ", only bit 0 may be set");
        if (entry.key.empty() || std::string_view(" !#@").find(entry.key[0]) == std::string::npos)
            Problem(where, ": key \"", entry.key, "\" has no family character");
        if (entry.previous < -1 || entry.previous >= n || entry.next < -1 || entry.next >= n)
            Problem(where, ": link outside the file (previous ", entry.previous, ", next ",
                    entry.next, ")");
        if (!FindRecord(entry.record))
            Problem(where, ": record ", entry.record, " is not a record head");
    }
}

void CFormatReader::WalkList() {
    const std::int32_t n = std::int32_t(m_entries.size());
    std::vector<std::int32_t> firsts;
    for (const Entry& entry : m_entries) {
        if (entry.previous == -1)
            firsts.push_back(entry.number);
    }
    if (n > 0 && firsts.size() != 1)
        Problem("index: ", firsts.size(), " entries have no previous entry, expected 1");
    std::vector<std::int32_t> positions(std::size_t(n), -1);
    for (std::int32_t i = firsts.empty() ? -1 : firsts[0]; i != -1;) {
        if (positions[i] != -1) {
            Problem("index entry ", i, ": the list runs in a loop");
            break;
        }
        positions[i] = std::int32_t(m_list.size());
        m_list.push_back(m_entries[i]);
        const std::int32_t next = m_entries[i].next;
        if (next < -1 || next >= n)
            break;
        if (next != -1 && m_entries[next].previous != i)
            Problem("index entry ", next, ": previous ", m_entries[next].previous, ", but entry ",
                    i, " comes before it");
        i = next;
    }
    if (m_list.size() != m_entries.size())
        Problem("index: ", m_entries.size() - m_list.size(), " entries are not on the list");
    for (std::size_t k = 1; k < m_list.size(); ++k) {
        if (CFormatWriter::CompareFolded(m_list[k - 1].key, m_list[k].key) > 0)
            Problem("index entry ", m_list[k].number, " (\"", m_list[k].key, "\") comes after \"",
                    m_list[k - 1].key, "\", out of order");
    }
    if (m_index.size() >= headerSize)
        CheckSkipTable(positions);
}

void CFormatReader::CheckSkipTable(const std::vector<std::int32_t>& positions) {
    const std::int32_t n = std::int32_t(positions.size());
    for (int k = m_skipLength; k < skipSlots; ++k) {
        if (m_skip[k] != -1) {
            Problem("skip slot ", k, ": ", m_skip[k], " beyond the length ", m_skipLength,
                    ", expected -1");
            break;
        }
    }
    if (m_list.empty()) {
        if (m_skipLength != 0)
            Problem("skip table length ", m_skipLength, " for an empty list");
        return;
    }
    if (m_skipLength < 2) {
        Problem("skip table length ", m_skipLength, " for a list of ", m_list.size(), " entries");
        return;
    }
    std::int32_t lastPosition = 0;
    for (int k = 0; k < m_skipLength; ++k) {
        const std::int32_t slot = m_skip[k];
        if (slot < 0 || slot >= n || positions[slot] == -1) {
            Problem("skip slot ", k, ": ", slot, " is not an entry of the list");
            return;
        }
        if (positions[slot] < lastPosition)
            Problem("skip slot ", k, ": entry ", slot, " lies before the entry of slot ", k - 1);
        lastPosition = positions[slot];
    }
    if (m_skip[0] != m_list.front().number)
        Problem("skip slot 0: ", m_skip[0], ", the first entry is ", m_list.front().number);
    if (m_skip[m_skipLength - 1] != m_list.back().number)
        Problem("skip slot ", m_skipLength - 1, ": ", m_skip[m_skipLength - 1],
                ", the last entry is ", m_list.back().number);
    // Right after a rebuild (count 0) every slot is exact: position 32 x k, then the last.
    if (m_modificationCount != 0)
        return;
    std::vector<std::int32_t> exact;
    for (std::size_t position = 0; position < m_list.size(); position += skipStride)
        exact.push_back(m_list[position].number);
    exact.push_back(m_list.back().number);
    if (exact.size() != std::size_t(m_skipLength) ||
        !std::equal(exact.begin(), exact.end(), m_skip.begin()))
        Problem("skip table: modification count 0 but the slots are not every 32nd entry and the "
                "last (length ",
                m_skipLength, ", expected ", exact.size(), ")");
}

void CFormatReader::CheckRecordEntries() {
    std::map<std::int32_t, std::vector<std::int32_t>> byRecord;
    for (const Entry& entry : m_entries)
        byRecord[entry.record].push_back(entry.number);
    if (m_index.size() < headerSize)
        return;
    for (const Record& record : m_records)
        CheckRecordKeys(record, byRecord[record.block]);
}

void CFormatReader::CheckRecordKeys(const Record& record,
                                    const std::vector<std::int32_t>& numbers) {
    const std::string where = "record head " + std::to_string(record.block);
    if (numbers.size() < 3) {
        Problem(where, ": ", numbers.size(), " index entries, expected CRC, date and name keys");
        return;
    }
    const std::string expected[3] = {CFormatWriter::CrcKey(record.crc),
                                     CFormatWriter::DateKey(record.dateSaved),
                                     CFormatWriter::NameKey(record.fileName)};
    const char* names[3] = {"CRC", "date", "name"};
    for (int k = 0; k < 3; ++k) {
        const Entry& entry = m_entries[numbers[k]];
        if (entry.key != expected[k])
            Problem(where, ": entry ", entry.number, " holds \"", entry.key, "\", expected the ",
                    names[k], " key \"", expected[k], "\"");
        if (numbers[k] != numbers[0] + k)
            Problem(where, ": its CRC, date and name entries are not consecutive");
    }
    std::vector<std::string> liveKeywords, allKeywords;
    int deletedHeads = 0, deletedKeywords = 0;
    for (std::size_t k = 0; k < numbers.size(); ++k) {
        const Entry& entry = m_entries[numbers[k]];
        if (k < 3) {
            deletedHeads += entry.IsDeleted();
            continue;
        }
        if (entry.key.empty() || entry.key[0] != '@')
            Problem(where, ": entry ", entry.number, " (\"", entry.key,
                    "\") after the name entry is not a keyword key");
        deletedKeywords += entry.IsDeleted();
        allKeywords.push_back(entry.key);
        if (!entry.IsDeleted())
            liveKeywords.push_back(entry.key);
    }
    if (deletedHeads == 3) {
        if (!liveKeywords.empty())
            Problem(where, ": deleted record with ", liveKeywords.size(), " live keyword entries");
        return;
    }
    if (deletedHeads != 0)
        Problem(where, ": only ", deletedHeads, " of its CRC, date and name entries are deleted");

    std::vector<std::string> headKeywords;
    for (const std::string& keyword : record.keywords) {
        if (!keyword.empty())
            headKeywords.push_back(CFormatWriter::KeywordKey(keyword));
    }
    const bool asAdded = deletedKeywords == 0 &&
                         numbers.back() == numbers.front() + std::int32_t(numbers.size()) - 1;
    if (asAdded && allKeywords != headKeywords) {
        Problem(where, ": keyword entries do not follow the head's keywords in slot order");
        return;
    }
    std::sort(liveKeywords.begin(), liveKeywords.end());
    std::sort(headKeywords.begin(), headKeywords.end());
    if (liveKeywords != headKeywords)
        Problem(where, ": live keyword entries differ from the head's keywords");
}
