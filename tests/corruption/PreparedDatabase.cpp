#include "corruption/PreparedDatabase.h"

#include "collection/PicdexDoc.h"
#include "platform/ByteOrder.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "support/TestSupport.h"

namespace {

struct Source {
    const char* file;
    const char* name;
    CPictureDatabase::Keywords keywords;
};

// testorig.jpg takes three data blocks and gets a stored thumbnail; cat.gif takes seven;
// treescap.gif (40 x 40) serves as its own thumbnail; copy.jpg duplicates testorig.jpg.
// The fourth one is deleted.
const Source sources[] = {
    {"jpeg/testorig.jpg", "testorig.jpg", {"tree", "Sky"}},
    {"gif/cat.gif", "cat.gif", {"cat", "animal"}},
    {"gif/porsche.gif", "porsche.gif", {"car"}},
    {"jpeg/jpg-size-17x17.jpg", "tiny.jpg", {"tiny", "tree"}},
    {"gif/treescap.gif", "treescap.gif", {"tree"}},
    {"jpeg/testorig.jpg", "copy.jpg", {}},
    {"jpeg/testimgp.jpg", "testimgp.jpg", {"sky", "animal"}},
};

std::int32_t BlocksFor(std::size_t bytes) {
    return static_cast<std::int32_t>(bytes / MainFormat::payloadSize) + 1;
}

} // namespace

std::int64_t PreparedRecord::Begin() const {
    return std::int64_t{head} * MainFormat::blockSize;
}

std::int64_t PreparedRecord::End() const {
    return std::int64_t{head + 1 + chainBlocks} * MainFormat::blockSize;
}

bool CPreparedDatabase::Build(const std::string& base, const std::string& corpus,
                              std::string_view password) {
    m_password = password;
    auto fail = [](const auto&... what) {
        ::testing::Message message;
        ADD_FAILURE() << (message << ... << what);
        return false;
    };
    CPicdexDoc doc;
    CPictureDatabase& db = doc.Database();
    if (!db.OpenDatabase(base, true) || (!password.empty() && !db.SetPassword(password)))
        return fail("cannot create ", base);
    for (const Source& source : sources) {
        PreparedRecord record;
        record.name = source.name;
        record.keywords = source.keywords;
        record.bytes = ReadFileBytes(corpus + source.file);
        record.kind = CPicdexDoc::PictureKindOf(record.name);
        CMemFile file;
        FillMemFile(file, record.bytes);
        if (record.bytes.empty() || !doc.LoadPicture(record.name, file))
            return fail("cannot decode ", corpus, source.file);
        const PxImage* picture = doc.GetCurrentPicture();
        FillMemFile(file, record.bytes);
        CIndexEntry entry;
        if (!db.AddRecord(file, UpdateCrc16(0, record.bytes), record.name, 0, picture->GetWidth(),
                          picture->GetHeight(), record.keywords) ||
            !db.Index().ReadEntry(entry, db.Index().GetLastInserted()))
            return fail("cannot add ", record.name);
        record.head = entry.record;
        // Showing the record once makes its thumbnail, as the program does.
        CRecordHead head;
        if (!doc.LoadRecord(record.head, head))
            return fail("cannot show ", record.name);
        m_records.push_back(std::move(record));
    }
    PreparedRecord& deleted = m_records[3];
    CRecordHead head;
    if (!db.ReadHead(head, deleted.head) || !db.DeleteRecord(deleted.head, head))
        return fail("cannot delete ", deleted.name);
    deleted.deleted = true;
    db.Close();

    m_extra = ReadFileBytes(corpus + "gif/gifgrid.gif");
    m_main = ReadFileBytes(base + ".PXM");
    m_index = ReadFileBytes(base + ".PXI");
    CFormatReader reader;
    reader.Read(m_main, m_index);
    EXPECT_TRUE(reader.IsClean()) << reader.Report();
    for (PreparedRecord& record : m_records) {
        const CFormatReader::Record* read = reader.FindRecord(record.head);
        if (!read || read->picture != record.bytes)
            return fail(record.name, " does not read back");
        record.chainBlocks = BlocksFor(record.bytes.size());
        record.thumbnail = read->thumbnailBlock;
        if (record.HasStoredThumbnail())
            record.thumbnailBlocks = BlocksFor(read->thumbnail.size());
    }
    m_list = reader.Entries();
    // The places the damage cases aim at must exist.
    const bool layout = Record("testorig.jpg").HasStoredThumbnail() &&
                        Record("treescap.gif").thumbnail == Record("treescap.gif").head + 1 &&
                        Record("cat.gif").chainBlocks >= 5 && m_list.size() >= 20 &&
                        !m_extra.empty();
    EXPECT_TRUE(layout) << "the prepared database lacks a place to damage";
    return layout && !::testing::Test::HasFailure();
}

const PreparedRecord& CPreparedDatabase::Record(std::string_view name) const {
    for (const PreparedRecord& record : m_records)
        if (record.name == name)
            return record;
    static const PreparedRecord none;
    ADD_FAILURE() << "no record " << name;
    return none;
}

int CPreparedDatabase::LiveCount() const {
    int count = 0;
    for (const PreparedRecord& record : m_records)
        count += !record.deleted;
    return count;
}

std::int32_t CPreparedDatabase::SkipLength() const {
    return m_index.size() >= 24 ? GetLe32(&m_index[20]) : 0;
}

std::int32_t CPreparedDatabase::EntryNumber(std::string_view key) const {
    for (const CFormatReader::Entry& entry : m_list)
        if (entry.key == key)
            return entry.number;
    ADD_FAILURE() << "no entry " << key;
    return -1;
}
