#include "storage/IndexBuilder.h"

#include "platform/ByteOrder.h"
#include "platform/File.h"
#include "platform/Prompt.h"
#include "platform/Text.h"
#include "storage/IndexEntry.h"
#include "storage/IndexHeader.h"

#include <algorithm>
#include <numeric>

using namespace IndexFormat;

namespace {
// The skip table is rebuilt once this many insertions have been counted in the file.
constexpr std::int32_t rebuildThreshold = 256;

// What inserting one key at a time does to the header: generation and the two
// modification counts (the cached one and the one in the file), and which step saw the
// last rebuild of the skip table.
struct HeaderHistory {
    std::int32_t generation = 0;
    std::int32_t cachedCount = 0;
    std::int32_t fileCount = 0;
    std::int32_t lastRebuild = -1; // entries 0..lastRebuild were in the list then
    std::int32_t firstSlot = -1;   // a new first entry set into slot 0 after that rebuild

    void WriteHeader(bool reset) {
        generation = WrapIncrement(generation);
        cachedCount = WrapIncrement(cachedCount);
        if (reset)
            cachedCount = 0;
        fileCount = cachedCount;
    }
    void Rebuild(std::int32_t step) {
        WriteHeader(true);
        lastRebuild = step;
        firstSlot = -1;
    }
};
} // namespace

void CIndexBuilder::Add(std::string_view key, std::int32_t record) {
    CIndexEntry entry;
    entry.SetKey(key); // the stored form, cut to 31 bytes
    m_keys.emplace_back(entry.Key());
    m_folded.push_back(FoldLower(entry.Key()));
    m_records.push_back(record);
}

std::vector<std::uint8_t> CIndexBuilder::Build() const {
    const auto n = static_cast<std::int32_t>(m_keys.size());
    auto less = [&](std::int32_t a, std::int32_t b) {
        return CompareKeys(m_folded[static_cast<std::size_t>(a)],
                           m_folded[static_cast<std::size_t>(b)], false) < 0;
    };

    // Every insertion lands after the entries whose keys are not greater, so the finished
    // list is the keys sorted stably in insertion order. An insertion appends when no key
    // is greater, and becomes the new first entry when it is below the first key.
    HeaderHistory history;
    std::int32_t first = 0, last = 0;
    for (std::int32_t t = 0; t < n; ++t) {
        if (t == 0 || !less(t, last)) {
            history.WriteHeader(false);
            history.Rebuild(t);
            last = t;
        } else if (less(t, first)) {
            history.WriteHeader(false);
            history.firstSlot = t;
            first = t;
            if (history.fileCount >= rebuildThreshold)
                history.Rebuild(t);
        } else if (++history.fileCount >= rebuildThreshold) {
            history.Rebuild(t);
        }
    }

    std::vector<std::int32_t> order(static_cast<std::size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), less);

    CIndexHeader header = CIndexHeader::Empty();
    header.generation = history.generation;
    header.modificationCount = history.fileCount;
    if (history.lastRebuild >= 0) {
        // The slots as the last rebuild found the list: the same order restricted to the
        // entries that existed then.
        const std::int32_t stride = SkipStrideFor(history.lastRebuild + 1);
        int used = 0;
        std::int32_t position = 0, lastThen = -1;
        for (std::int32_t i : order) {
            if (i > history.lastRebuild)
                continue;
            if (position % stride == 0 && used < skipSlots - 1)
                header.skip[static_cast<std::size_t>(used++)] = i;
            lastThen = i;
            ++position;
        }
        header.skip[static_cast<std::size_t>(used++)] = lastThen;
        header.skipLength = used;
        if (history.firstSlot >= 0)
            header.skip[0] = history.firstSlot;
    }

    std::vector<std::uint8_t> bytes(headerSize + static_cast<std::size_t>(n) * entrySize);
    EncodeIndexHeader(header, bytes.data());
    for (std::size_t k = 0; k < order.size(); ++k) {
        CIndexEntry entry;
        const std::int32_t i = order[k];
        entry.previous = k == 0 ? -1 : order[k - 1];
        entry.next = k + 1 == order.size() ? -1 : order[k + 1];
        entry.number = i;
        entry.flags = 0;
        entry.SetKey(m_keys[static_cast<std::size_t>(i)]);
        entry.record = m_records[static_cast<std::size_t>(i)];
        entry.Encode(bytes.data() + headerSize + static_cast<std::size_t>(i) * entrySize);
    }
    return bytes;
}

int CIndexBuilder::Write(const std::string& path) const {
    std::vector<std::uint8_t> bytes = Build();
    CFile file;
    CFileException error;
    if (!file.Open(path, CFile::modeReadWrite | CFile::shareDenyWrite | CFile::modeCreate,
                   &error)) {
        ShowMessage(FileErrorText(error.Cause()));
        return 0;
    }
    try {
        file.WriteAt(bytes.data(), bytes.size(), 0);
        // On stable storage before anything can rename the file into place.
        file.Flush();
        file.Close();
    } catch (const CFileException& e) {
        ShowMessage(FileErrorText(e.Cause()));
        return 0;
    }
    return 1;
}
