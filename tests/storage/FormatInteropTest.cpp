// The program's database files against the independent reading and writing of the format:
// the program's files equal byte for byte those the literal algorithms write for the same
// operations and read clean, and the program reads what the format writer wrote. (The
// command-line tool's databases are read in CliTest.)
#include "support/FormatReader.h"
#include "support/FormatWriter.h"

#include "platform/ByteOrder.h"
#include "support/AddPicture.h"

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Keywords = CPictureDatabase::Keywords;

// "" when equal, else where the two files first differ.
std::string FirstDifference(const Bytes& expected, const Bytes& actual) {
    if (expected == actual)
        return "";
    const auto offset =
        std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end()).first -
        expected.begin();
    std::ostringstream text;
    text << "lengths " << expected.size() << " and " << actual.size() << ", first difference at "
         << offset << " (main block " << offset / 2048 << ", index entry " << (offset - 32792) / 52
         << ")";
    return text.str();
}

// Every change goes to a CPictureDatabase and to the format writer alike, with the dates the
// program chose; the files must stay equal.
class FormatReplayTest : public CTempDirTest {
protected:
    void SetUp() override {
        ASSERT_EQ(m_db->OpenDatabase(Base(), true), 1);
        m_writer = CFormatWriter(GetLe32(ReadFileBytes(Base() + ".PXM").data() + 272));
    }
    std::string Base() const { return File("pictures"); }

    void Reopen() {
        m_db = std::make_unique<CPictureDatabase>();
        ASSERT_EQ(m_db->OpenDatabase(Base(), true), 1);
        m_writer.ReopenIndex();
    }
    std::int32_t Add(const std::string& name, const Bytes& picture, const Keywords& words = {},
                     std::int32_t created = 0) {
        // name, date saved (the program's, below), date created, keywords, width, height.
        CFormatRecord record{name, 0,      created, words, std::uint32_t(picture.size() % 997),
                             17,   picture};
        const std::int32_t head = m_db->Main().BlockCount();
        CMemFile file;
        FillMemFile(file, picture);
        EXPECT_EQ(m_db->AddRecord(file, CFormatWriter::Crc16(picture), "/photos/" + name, created,
                                  record.width, record.height, words),
                  1);
        CRecordHead added;
        EXPECT_EQ(m_db->ReadHead(added, head), 1);
        record.dateSaved = added.DateSaved();
        EXPECT_EQ(m_writer.AddRecord(record), head);
        return head;
    }
    void OwnThumbnail(std::int32_t head) {
        EXPECT_EQ(m_db->SetThumbnail(nullptr, head, false), 1);
        EXPECT_EQ(m_writer.UsePictureAsThumbnail(head), 1);
    }
    void StoreThumbnail(std::int32_t head, const Bytes& bytes) {
        CMemFile file;
        FillMemFile(file, bytes);
        EXPECT_EQ(m_db->SetThumbnail(&file, head, true), 1);
        EXPECT_EQ(m_writer.StoreThumbnail(head, bytes), 1);
    }
    void ChangeKeywords(std::int32_t head, const Keywords& words) {
        CRecordHead before, after;
        ASSERT_EQ(m_db->ReadHead(before, head), 1);
        after = before;
        for (int slot = 0; slot < 6; ++slot)
            after.SetKeyword(slot, words[slot]);
        EXPECT_EQ(m_db->ChangeKeywords(head, before, after), 1);
        EXPECT_EQ(m_writer.ChangeKeywords(head, words), 1);
    }
    void Delete(std::int32_t head) {
        CRecordHead record;
        ASSERT_EQ(m_db->ReadHead(record, head), 1);
        EXPECT_EQ(m_db->DeleteRecord(head, record), 1);
        EXPECT_EQ(m_writer.DeleteRecord(head), 1);
    }

    std::unique_ptr<CPictureDatabase> m_db = std::make_unique<CPictureDatabase>();
    CFormatWriter m_writer;
};

TEST_F(FormatReplayTest, ProgramFilesEqualTheLiteralWriterAndReadClean) {
    // Sizes around the block payload, names equal after lower-casing, fields cut at their
    // limits, a thumbnail replaced, a deletion and a password.
    const Bytes thumbnail = PatternBytes(300, 90), second = PatternBytes(2100, 91);
    const std::int32_t sea = Add("Beach.jpg", PatternBytes(5000, 1), {"sea", "Holiday"}, 1000);
    const std::int32_t own = Add("beach.JPG", PatternBytes(2032, 2), {"Sea"});
    // A keyword above every other keeps later keyword keys off the end of the list, where
    // each append would rebuild the skip table and reset the count.
    const std::int32_t twice = Add("beach.jpg", PatternBytes(2033, 3), {"zzzz"});
    const std::int32_t empty =
        Add("empty.gif", {}, {"a keyword much longer than thirty-one bytes"});
    Add("a file name that is longer than thirty bytes.tif", PatternBytes(100, 5),
        {"k1", "k2", "k3", "k4", "k5", "k6"}, -1);
    const std::int32_t zebra = Add("zebra.bmp", PatternBytes(4064, 6), {"", "sea"});
    StoreThumbnail(sea, thumbnail);
    OwnThumbnail(own);
    StoreThumbnail(twice, thumbnail);
    StoreThumbnail(twice, second);
    ChangeKeywords(sea, {"Holiday", "beach"});
    Delete(zebra);
    EXPECT_EQ(m_db->SetPassword("secret12"), 1);
    m_writer.SetPassword("secret12");

    // A long session: mostly insertions in the middle of the list, so that the skip table
    // is rebuilt by count, with deletions, keyword changes and a reopening. Words nine
    // apart are equal after lower-casing; a record never gets two of them, since dropping
    // one would flag the other's entry too.
    const std::vector<std::string> words = {"sea",  "forest", "city", "night", "dog",   "cat",
                                            "Alps", "river",  "zoo",  "SEA",   "work",  "home",
                                            "moon", "sun",    "bird", "alps",  "River", "ZEBRA"};
    std::mt19937 random(20240601);
    std::vector<std::int32_t> live;
    for (unsigned i = 0; i < 700; ++i) {
        Keywords keywords;
        for (unsigned k = 0, used = random() % 4, r = random(); k < used; ++k)
            keywords[k] = words[(r + 5 * k) % words.size()];
        const std::string name = (random() % 3 ? "IMG_" : "img_") + std::to_string(random() % 300);
        live.push_back(
            Add(name + ".jpg", PatternBytes(random() % 2600, i), keywords, std::int32_t(random())));
        if (i % 9 == 0)
            OwnThumbnail(live.back());
        if (i % 11 == 0)
            StoreThumbnail(live.back(), PatternBytes(150 + i % 50, i + 7));
        if (i % 17 == 16) {
            const std::size_t victim = random() % live.size();
            Delete(live[victim]);
            live.erase(live.begin() + std::ptrdiff_t(victim));
        }
        if (i % 23 == 22)
            ChangeKeywords(live[random() % live.size()], {words[random() % words.size()], "new"});
        if (i == 350)
            Reopen();
    }
    m_db.reset();
    EXPECT_EQ(FirstDifference(m_writer.IndexBytes(), ReadFileBytes(Base() + ".PXI")), "");
    EXPECT_EQ(FirstDifference(m_writer.MainBytes(), ReadFileBytes(Base() + ".PXM")), "");
    EXPECT_GE(m_writer.GetRebuildsByCount(), 5);
    EXPECT_TRUE(m_prompt.Texts().empty());

    CFormatReader program;
    program.Read(ReadFileBytes(Base() + ".PXM"), ReadFileBytes(Base() + ".PXI"));
    EXPECT_TRUE(program.IsClean()) << program.Report();
    EXPECT_EQ(program.Password(), "secret12");
    EXPECT_EQ(program.FindRecord(sea)->thumbnail, thumbnail);
    EXPECT_EQ(program.FindRecord(own)->thumbnail, PatternBytes(2032, 2));
    EXPECT_EQ(program.FindRecord(twice)->thumbnail, second);
    EXPECT_EQ(program.FindRecord(empty)->keywords[0], "a keyword much longer than thir");
}

class FormatInteropTest : public CTempDirTest {};

// Hundreds of insertions between two entries (each bumps only the file's count, so the skip
// table is rebuilt by count) and a few at the head of the list, which write the cached
// header and with it a count that lags behind the file's, except right after a reopening.
TEST_F(FormatInteropTest, IndexEqualsTheLiteralWriterAfterEveryInsertion) {
    const std::string path = File("keys.PXI");
    auto index = std::make_unique<CIndexFile>();
    ASSERT_EQ(index->Create(path), 1);
    CFormatWriter writer;
    std::mt19937 random(7);
    auto insert = [&](const std::string& key, std::int32_t record) {
        CIndexEntry entry = NewEntry(key, record);
        ASSERT_EQ(index->InsertKey(entry, true), 1);
        ASSERT_EQ(writer.InsertKey(key, record), 1);
        ASSERT_EQ(FirstDifference(writer.IndexBytes(), ReadFileBytes(path)), "") << key;
        EXPECT_EQ(index->GetLastInserted(), writer.GetLastInserted());
    };
    insert("!a", 1);
    insert("!zz", 2);
    for (int i = 0; i < 900 && !HasFatalFailure(); ++i) {
        if (i % 300 == 299)
            insert(" " + std::to_string(5000 - i), 3);
        else
            insert((i % 2 ? "!m" : "!M") + std::to_string(random() % 300), 4 + i);
        if (i == 590) {
            index = std::make_unique<CIndexFile>();
            ASSERT_EQ(index->Open(path), 1);
            writer.ReopenIndex();
        }
    }
    EXPECT_GE(writer.GetRebuildsByCount(), 2);
}

TEST_F(FormatInteropTest, ProgramReadsADatabaseWrittenFromTheFormat) {
    const char* names[] = {"Tree.gif",  "tree.GIF", "apple.jpg",
                           "empty.bmp", "TREE.gif", "a name that runs past thirty bytes.jpg",
                           "exact.tif"};
    const std::size_t sizes[] = {300, 2032, 9000, 0, 2033, 64, 4064};
    // Every third record has no thumbnail, every third its picture, every third its own.
    auto thumbnailOf = [&](std::size_t i) {
        return i % 3 == 0 ? Bytes() : PatternBytes(i % 3 == 1 ? sizes[i] : 100 + i, unsigned(i));
    };
    std::vector<CFormatRecord> records;
    std::vector<std::int32_t> heads;
    CFormatWriter writer(1234567890);
    for (std::size_t i = 0; i < 7; ++i) {
        records.push_back({.name = names[i],
                           .dateSaved = std::int32_t(999999990 + 3 * i),
                           .keywords = {i % 2 ? "odd" : "even", i == 2 ? "Fruit" : ""},
                           .picture = PatternBytes(sizes[i], unsigned(i))});
        heads.push_back(writer.AddRecord(records.back()));
        if (i % 3 == 1)
            writer.UsePictureAsThumbnail(heads.back());
        else if (i % 3 == 2)
            writer.StoreThumbnail(heads.back(), thumbnailOf(i));
    }
    writer.SetPassword("pass1234");
    CFormatReader written;
    written.Read(writer.MainBytes(), writer.IndexBytes());
    ASSERT_TRUE(written.IsClean()) << written.Report();
    WriteFileBytes(File("db.PXM"), writer.MainBytes());
    WriteFileBytes(File("db.PXI"), writer.IndexBytes());

    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("db.PXI"), false), 1);
    EXPECT_TRUE(m_prompt.Texts().empty());
    std::string password;
    EXPECT_TRUE(db.GetPassword(password) == 1 && password == "pass1234");
    for (std::size_t i = 0; i < records.size(); ++i) {
        SCOPED_TRACE(names[i]);
        CMemFile picture, thumbnail;
        FillMemFile(picture, PatternBytes(9000)); // stale content must go
        CRecordHead head;
        ASSERT_EQ(db.ReadPicture(picture, heads[i], head), 1);
        EXPECT_EQ(Bytes(picture.Data().begin(), picture.Data().end()), records[i].picture);
        EXPECT_EQ(head.FileName(), records[i].name);
        EXPECT_EQ(head.DateSaved(), records[i].dateSaved);
        EXPECT_EQ(head.Keyword(0), records[i].keywords[0]);
        ASSERT_EQ(db.ReadThumbnail(thumbnail, head), i % 3 ? 1 : 0);
        EXPECT_EQ(Bytes(thumbnail.Data().begin(), thumbnail.Data().end()), thumbnailOf(i));
    }
    // Searches give the last of the keys equal after lower-casing; walks keep them in the
    // order added.
    CIndexEntry entry;
    ASSERT_EQ(db.Index().ReadEntry(entry, db.Index().FindExact("!tree.gif", true)), 1);
    EXPECT_EQ(entry.record, heads[4]);
    std::vector<std::int32_t> walked;
    bool wrapped = false;
    for (int ok = db.Index().GoFirst(); ok && !wrapped && walked.size() < 9;
         ok = db.Index().GoNext(wrapped))
        walked.push_back(db.Index().GetCurrentRecord());
    EXPECT_EQ(walked, (std::vector<std::int32_t>{heads[5], heads[2], heads[3], heads[6], heads[0],
                                                 heads[1], heads[4]}));
}

// The reader must see damage, or a clean report would prove nothing.
TEST(FormatReaderTest, ReportsDamage) {
    CFormatWriter writer;
    for (unsigned i = 0; i < 3; ++i) {
        const std::int32_t head = writer.AddRecord({.name = "p" + std::to_string(i) + ".jpg",
                                                    .dateSaved = std::int32_t(100 + i),
                                                    .keywords = {"k"},
                                                    .picture = PatternBytes(3000, i)});
        writer.StoreThumbnail(head, PatternBytes(10, 9));
    }
    CFormatReader reader;
    reader.Read(writer.MainBytes(), writer.IndexBytes());
    ASSERT_TRUE(reader.IsClean()) << reader.Report();
    const std::size_t head = std::size_t(reader.Records()[1].block) * 2048;
    const std::size_t first = 32792 + 52 * std::size_t(reader.Entries()[0].number);
    const std::size_t last = 32792 + 52 * std::size_t(reader.Entries().back().number);
    struct Damage {
        bool index;
        std::size_t offset;
        std::uint8_t value;
        const char* expected;
    };
    for (const Damage& d :
         {Damage{false, head + 3 * 2048 - 1, 1, "padding"},
          Damage{false, head + 12, std::uint8_t(~writer.MainBytes()[head + 12]), "CRC"},
          Damage{false, head + 2048 + 4, 0x70, "next 112"},
          Damage{true, first + 17, '~', "out of order"}, Damage{true, 24, 0x70, "skip slot 0"},
          Damage{true, last + 12, 1, "live index keys differ"}}) {
        Bytes main = writer.MainBytes(), index = writer.IndexBytes();
        (d.index ? index : main)[d.offset] = d.value;
        reader.Read(main, index);
        EXPECT_NE(reader.Report().find(d.expected), std::string::npos) << d.expected << ":\n"
                                                                       << reader.Report();
    }
}

} // namespace
