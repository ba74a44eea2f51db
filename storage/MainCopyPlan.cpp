#include "storage/MainCopyPlan.h"

#include "platform/FileException.h"
#include "storage/PictureDatabase.h"

#include <algorithm>
#include <unordered_map>

using namespace IndexFormat;

namespace {

bool HasFamily(std::string_view key) {
    if (key.empty())
        return false;
    return key[0] == dateFamily || key[0] == nameFamily || key[0] == crcFamily ||
           key[0] == keywordFamily;
}

// What a record's entries say about it.
struct RecordEntries {
    bool liveCrcOrDate = false;
    bool liveName = false;
};

} // namespace

int PlanMainCopy(CPictureDatabase& db, std::vector<std::int32_t>& copies,
                 std::vector<bool>& named) {
    copies.clear();
    const std::int32_t blocks = db.Main().BlockCount();
    named.assign(static_cast<std::size_t>(std::max(blocks, 0)), false);
    CIndexFile& index = db.Index();
    const std::int32_t count = index.EntryCount();
    // An index cut short (inside its header or an entry) or an entry the index refuses to
    // read (flags it does not know) is damage; another file error is a failure.
    auto readFailed = [&] {
        const int cause = index.GetLastError();
        return cause == FileCause::endOfFile || cause == FileCause::generic ? 0 : -1;
    };
    if (count < 0 || !index.RefreshHeader())
        return readFailed();
    // A cut file keeps slots that name entries past its end.
    const CIndexHeader& header = index.GetHeader();
    if (header.skipLength < 0 || header.skipLength > skipSlots)
        return 0;
    for (int k = 0; k < header.skipLength; ++k) {
        const std::int32_t slot = header.skip[static_cast<std::size_t>(k)];
        if (slot < 0 || slot >= count)
            return 0;
    }

    auto inFile = [&](std::int32_t link) { return link >= -1 && link < count; };
    std::unordered_map<std::int32_t, RecordEntries> records;
    copies.assign(static_cast<std::size_t>(count), -1);
    for (std::int32_t i = 0; i < count; ++i) {
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return readFailed();
        const std::string_view key = entry.Key();
        if (!HasFamily(key) || !inFile(entry.previous) || !inFile(entry.next) ||
            (entry.flags & ~flagDeleted) != 0 || entry.record < 1 || entry.record >= blocks)
            return 0;
        named[static_cast<std::size_t>(entry.record)] = true;
        if (entry.IsDeleted())
            continue;
        RecordEntries& of = records[entry.record];
        if (key[0] == nameFamily) {
            of.liveName = true;
            copies[static_cast<std::size_t>(i)] = entry.record;
        } else if (key[0] == crcFamily || key[0] == dateFamily) {
            of.liveCrcOrDate = true;
        }
    }
    // A record's entries go in checksum, date, name order and are flagged with the name
    // last: a live checksum or date without a live name is a name entry damaged (its flag,
    // its key or its record), or an add that did not finish. Either way the index cannot
    // tell whether the record is live.
    for (const auto& [record, of] : records) {
        if (of.liveCrcOrDate && !of.liveName)
            return 0;
    }
    return 1;
}
