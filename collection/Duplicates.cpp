#include "collection/Duplicates.h"

#include "collection/PicdexDoc.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"

#include <algorithm>

#include <string>
#include <unordered_map>
#include <vector>

namespace {

// One run of live index entries with the same checksum key.
class CDuplicateGroup {
public:
    explicit CDuplicateGroup(CPictureDatabase& db) : m_db(db) {}

    void Add(std::int32_t record) { m_records.push_back(record); }

    // Marks the members whose pictures equal another member's (same size, same bytes) and
    // empties the group. The result
    // is what marking every equal pair in table order gives: a member's first mark call
    // decides all of its k - 1 calls, since the list never shrinks while it is filled.
    int Close() {
        int count = 0;
        if (m_records.size() >= 2) {
            // Members by size, the sizes in the order of their first member; a head that
            // cannot be read matches nothing.
            std::unordered_map<std::uint32_t, std::size_t> classOfSize;
            std::vector<std::vector<std::int32_t>> classes;
            for (std::int32_t record : m_records) {
                CRecordHead head;
                if (!m_db.ReadHead(head, record))
                    continue;
                auto [it, added] = classOfSize.try_emplace(head.DataSize(), classes.size());
                if (added)
                    classes.emplace_back();
                classes[it->second].push_back(record);
            }
            for (const auto& members : classes) {
                if (members.size() < 2)
                    continue;
                for (const auto& copies : SplitByContent(members)) {
                    if (copies.size() < 2)
                        continue;
                    const int calls = static_cast<int>(copies.size()) - 1;
                    for (std::int32_t record : copies)
                        if (m_db.Marks().Mark(record))
                            count += calls;
                }
            }
        }
        m_records.clear();
        return count;
    }

private:
    // Members whose pictures are byte for byte the same, in the order of their first member.
    // A 16-bit checksum and a size are shared by different pictures often enough that a
    // user deleting what the check marks would lose pictures that were never copies. A
    // picture that cannot be read (damaged) matches nothing.
    std::vector<std::vector<std::int32_t>>
    SplitByContent(const std::vector<std::int32_t>& members) {
        std::vector<std::vector<std::uint8_t>> contents; // one per group: the distinct pictures
        std::vector<std::vector<std::int32_t>> groups;
        for (std::int32_t record : members) {
            CMemFile picture;
            CRecordHead head;
            if (!m_db.ReadPicture(picture, record, head))
                continue;
            const std::span<const std::uint8_t> bytes = picture.Data();
            auto same = std::find_if(contents.begin(), contents.end(), [&](const auto& known) {
                return std::equal(known.begin(), known.end(), bytes.begin(), bytes.end());
            });
            if (same == contents.end()) {
                contents.emplace_back(bytes.begin(), bytes.end());
                groups.emplace_back();
                same = contents.end() - 1;
            }
            groups[static_cast<std::size_t>(same - contents.begin())].push_back(record);
        }
        return groups;
    }

    CPictureDatabase& m_db;
    std::vector<std::int32_t> m_records; // grows with the run: no run can overrun it
};

} // namespace

CDuplicates::CDuplicates(CPicdexDoc& doc, IMarkView& view) : m_doc(doc), m_view(view) {}

int CDuplicates::CheckDuplicates() {
    if (!AskYesNo(markDuplicatesQuestion))
        return -1;
    m_doc.Database().Marks().UnmarkAll();
    m_view.HideMarkBar();
    const int count = MarkDuplicates(m_doc.Database(), m_processPending);
    if (m_beforeShowing)
        m_beforeShowing();
    if (count > 0) {
        m_view.ShowMarkBar();
        m_view.ShowMarkedThumbnails();
    } else {
        ShowMessage(noDuplicatesMessage);
    }
    return count;
}

int CDuplicates::MarkDuplicates(CPictureDatabase& db, const std::function<void()>& processPending) {
    CIndexFile& index = db.Index();
    // The whole checksum family is read: the writer reads its entries in one go.
    index.Preload();
    std::int32_t i = index.FindFirstOrBefore(std::string(1, IndexFormat::crcFamily), false);
    if (i < 0)
        return 0;
    CDuplicateGroup group(db);
    std::string groupKey;
    int count = 0;
    for (std::int32_t budget = index.EntryCount(); i != -1 && budget > 0; --budget) {
        if (processPending)
            processPending();
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            break;
        const std::string_view key = entry.Key();
        if (key.empty() || key[0] != IndexFormat::crcFamily)
            break;
        if (!entry.IsDeleted()) {
            if (key != groupKey) {
                count += group.Close();
                groupKey = key;
            }
            group.Add(entry.record);
        }
        i = entry.next;
    }
    return count + group.Close();
}
