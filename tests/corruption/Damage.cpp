#include "corruption/Damage.h"

#include "corruption/PreparedDatabase.h"
#include "storage/IndexEntry.h"
#include "storage/RecordHead.h"

#include <algorithm>
#include <climits>

namespace {

constexpr std::int64_t zeroedBytes = 512;

// The cases of one place: the fields to flip (offset from base, what, mask), zeroed runs
// and cuts.
struct Field {
    int offset;
    const char* what;
    std::uint8_t mask = 0xFF;
};

class CCaseList {
public:
    CCaseList(DamageRegion region, std::vector<DamageCase>& cases)
        : m_region(region), m_cases(cases) {}

    void Add(DamageKind kind, std::int64_t offset, const std::string& place,
             std::uint8_t mask = 0xFF) {
        m_cases.push_back(DamageCase{m_region, place, kind, offset, mask});
    }
    // Sets the 32-bit field at offset to each of values.
    void Sets(std::int64_t offset, const std::string& place,
              std::initializer_list<std::uint32_t> values, bool keepsPictures) {
        for (std::uint32_t value : values) {
            DamageCase& damage = m_cases.emplace_back(
                DamageCase{m_region, place, DamageKind::set, offset, 0xFF, value});
            damage.keepsPictures = keepsPictures;
        }
    }
    void Flips(std::int64_t base, const std::string& where, std::initializer_list<Field> fields) {
        for (const Field& field : fields)
            Add(DamageKind::flip, base + field.offset, where + ", " + field.what, field.mask);
    }

private:
    DamageRegion m_region;
    std::vector<DamageCase>& m_cases;
};

std::int64_t BlockOffset(std::int32_t block) {
    return std::int64_t{block} * MainFormat::blockSize;
}

std::int64_t EntryOffset(std::int32_t entry) {
    return IndexFormat::headerSize + std::int64_t{IndexFormat::entrySize} * entry;
}

} // namespace

const char* RegionName(DamageRegion region) {
    static const char* const names[] = {"main header",     "record head",  "picture chain",
                                        "thumbnail chain", "index header", "index entries"};
    return names[static_cast<int>(region)];
}

std::string DamageCase::Label() const {
    static const char* const kinds[] = {"flip", "zero 512", "cut", "set"};
    std::string label = kinds[static_cast<int>(kind)];
    if (kind == DamageKind::set)
        label += " " + std::to_string(value);
    return label + ": " + place;
}

void DamageCase::Apply(std::vector<std::uint8_t>& bytes) const {
    const auto size = static_cast<std::int64_t>(bytes.size());
    const std::int64_t at = std::clamp<std::int64_t>(offset, 0, size);
    switch (kind) {
    case DamageKind::flip:
        if (at < size)
            bytes[static_cast<std::size_t>(at)] ^= mask;
        break;
    case DamageKind::zero:
        std::fill(bytes.begin() + at, bytes.begin() + std::min(size, at + zeroedBytes), 0);
        break;
    case DamageKind::truncate:
        bytes.resize(static_cast<std::size_t>(at));
        break;
    case DamageKind::set:
        for (int k = 0; k < 4 && at + k < size; ++k)
            bytes[static_cast<std::size_t>(at + k)] = static_cast<std::uint8_t>(value >> (8 * k));
        break;
    }
}

bool DamageCase::Touches(std::int64_t from, std::int64_t to) const {
    // A cut changes everything from its offset on.
    const std::int64_t changed = kind == DamageKind::flip   ? 1
                                 : kind == DamageKind::zero ? zeroedBytes
                                 : kind == DamageKind::set  ? 4
                                                            : INT64_MAX - offset;
    return offset < to && offset + changed > from;
}

std::vector<DamageCase> DamageCases(DamageRegion region, const CPreparedDatabase& db) {
    using namespace MainFormat;
    std::vector<DamageCase> cases;
    CCaseList list(region, cases);
    switch (region) {
    case DamageRegion::mainHeader:
        list.Flips(0, "main header",
                   {{offKind, "kind"},
                    {offFileName + 6, "format text"},
                    {offDateSaved, "creation time"},
                    {passwordOffset + 1, "password"},
                    {1000, "padding"}});
        list.Add(DamageKind::zero, 0, "main header, start");
        list.Add(DamageKind::zero, 256, "main header, password and padding");
        list.Add(DamageKind::truncate, 1000, "main header, inside");
        list.Add(DamageKind::truncate, blockSize, "main header, after it");
        break;
    case DamageRegion::recordHead: {
        const PreparedRecord& cat = db.Record("cat.gif");
        const std::int64_t head = BlockOffset(cat.head);
        list.Flips(head, "cat.gif head",
                   {{offNext, "next link"},
                    {offNext, "next link to a neighbour", 0x03},
                    {offKind, "kind"},
                    {offCrc, "checksum"},
                    {offFileName, "file name"},
                    {offDateSaved, "date saved"},
                    {offKeywords, "keyword"},
                    {offDataSize, "data size"},
                    {offDataSize + 3, "data size, top byte"},
                    {offThumbnail, "thumbnail link"},
                    {offThumbnail + 3, "thumbnail link, top byte"},
                    {offWidth, "width"}});
        // Sizes that disagree with the intact chain, by one byte and far.
        list.Sets(head + offDataSize, "cat.gif head, data size",
                  {static_cast<std::uint32_t>(cat.bytes.size() + 1), 0x7FFFFFFFu, 0x80000000u,
                   0xFFFFFFFFu},
                  true);
        list.Add(DamageKind::zero, head, "cat.gif head, start");
        list.Add(DamageKind::zero, head + offDateSaved, "cat.gif head, fields after the name");
        list.Add(DamageKind::truncate, head, "cat.gif head, at it");
        list.Add(DamageKind::truncate, head + 1024, "cat.gif head, inside");
        break;
    }
    case DamageRegion::pictureChain: {
        const PreparedRecord& cat = db.Record("cat.gif");
        const std::int64_t middle = BlockOffset(cat.head + cat.chainBlocks / 2);
        const std::int64_t last = BlockOffset(cat.head + cat.chainBlocks);
        list.Flips(middle, "cat.gif middle block",
                   {{offPrevious, "previous link"},
                    {offNext, "next link"},
                    {offNext, "next link to a neighbour", 0x01},
                    {offKind, "kind made a head's", 0x01},
                    {offByteCount, "byte count"},
                    {offByteCount + 1, "byte count, high byte"},
                    {offPayload + 700, "picture byte"}});
        list.Flips(last, "cat.gif last block", {{offNext, "end of chain"}});
        // Picture headers: sizes that claim far more pixels than the bytes hold.
        list.Flips(BlockOffset(cat.head + 1), "cat.gif first block",
                   {{offPayload + 7, "GIF screen width"}, {offPayload + 213, "GIF image height"}});
        const PreparedRecord& jpeg = db.Record("testorig.jpg");
        list.Flips(BlockOffset(jpeg.head + 1), "testorig.jpg first block",
                   {{offPayload + 163, "JPEG height"},
                    {offPayload + 165, "JPEG width"},
                    {offPayload + 700, "JPEG scan byte"}});
        list.Sets(middle + offKind, "cat.gif middle block, kind", {1, 2, 0xFFFFFFFFu}, true);
        list.Add(DamageKind::zero, middle, "cat.gif middle block, start");
        list.Add(DamageKind::zero, middle + 1024, "cat.gif middle block, picture bytes");
        list.Add(DamageKind::truncate, middle, "cat.gif middle block, at it");
        list.Add(DamageKind::truncate, middle + 100, "cat.gif middle block, inside");
        break;
    }
    case DamageRegion::thumbnailChain: {
        const std::int64_t first = BlockOffset(db.Record("testorig.jpg").thumbnail);
        list.Flips(first, "testorig.jpg thumbnail",
                   {{offNext, "next link"},
                    {offKind, "kind made a head's", 0x01},
                    {offByteCount, "byte count"},
                    {offPayload + 4, "GIF signature"},
                    {offPayload + 7, "GIF width"},
                    {offPayload + 1500, "image byte"}});
        list.Add(DamageKind::zero, first, "testorig.jpg thumbnail, start");
        list.Add(DamageKind::truncate, first, "testorig.jpg thumbnail, at it");
        list.Add(DamageKind::truncate, first + 600, "testorig.jpg thumbnail, inside");
        break;
    }
    case DamageRegion::indexHeader: {
        const std::int64_t lastSlot = 24 + 4 * std::int64_t{db.SkipLength() - 1};
        list.Flips(0, "index header",
                   {{0, "generation"},
                    {4, "modification count"},
                    {10, "format text"},
                    {20, "skip length"},
                    {20, "skip length, low bits", 0x03},
                    {24, "first slot"},
                    {24, "first slot to a neighbour", 0x01},
                    {28, "second slot"},
                    {static_cast<int>(lastSlot), "last slot"},
                    {static_cast<int>(lastSlot), "last slot to a neighbour", 0x01},
                    {static_cast<int>(lastSlot) + 4, "first unused slot"}});
        // Counters at the top of their range, signed and unsigned.
        list.Sets(0, "index header, generation", {0x7FFFFFFFu, 0xFFFFFFFFu}, false);
        list.Sets(4, "index header, modification count", {0x7FFFFFFFu, 0xFFFFFFFFu}, false);
        list.Add(DamageKind::zero, 0, "index header, start");
        list.Add(DamageKind::zero, 20000, "index header, unused slots");
        list.Add(DamageKind::truncate, 100, "index header, inside");
        list.Add(DamageKind::truncate, IndexFormat::headerSize, "index header, after it");
        break;
    }
    case DamageRegion::indexEntries: {
        const auto& order = db.ListOrder();
        const std::pair<const char*, std::int32_t> places[] = {
            {"first entry", order.front().number},
            {"middle entry", order[order.size() / 2].number},
            {"last entry", order.back().number},
            {"cat.gif name entry", db.EntryNumber(MakeNameKey("cat.gif"))},
        };
        for (const auto& [name, number] : places) {
            const std::int64_t entry = EntryOffset(number);
            const std::string where = name;
            list.Flips(entry, where,
                       {{0, "previous link"},
                        {0, "previous link to a neighbour", 0x01},
                        {4, "next link"},
                        {4, "next link to a neighbour", 0x01},
                        {12, "flags"},
                        {16, "key family"},
                        {18, "key text"},
                        {48, "record"},
                        {48, "record to a neighbour block", 0x01}});
            list.Add(DamageKind::zero, entry, where + ", start");
            list.Add(DamageKind::truncate, entry, where + ", at it");
            list.Add(DamageKind::truncate, entry + 20, where + ", inside");
        }
        break;
    }
    }
    return cases;
}
