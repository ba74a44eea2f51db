// CPictureDatabase: opening and creating the pair of files, copying a record between
// databases, the CRC of a picture file, locating a record in the current list and counting
// the current range. What records and their entries look like in the files is checked
// against the format writer in FormatInteropTest.
#include "storage/PictureDatabase.h"

#include "platform/ByteOrder.h"
#include "storage/Crc16.h"
#include "support/AddPicture.h"
#include "support/TestSupport.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Keywords = CPictureDatabase::Keywords;

std::int32_t Add(CPictureDatabase& db, std::string_view name, std::span<const std::uint8_t> bytes,
                 const Keywords& keywords = {}) {
    return AddPicture(db, "/photos/2020/" + std::string(name), bytes, keywords, 1234);
}

class PictureDatabaseTest : public CTempDirTest {};

TEST_F(PictureDatabaseTest, MissingPairIsCreatedSilentlyWhenTheCallerAgreed) {
    const std::int32_t before = std::int32_t(std::time(nullptr));
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics"), true), 1);
    EXPECT_FALSE(db.IsReadOnly());
    EXPECT_EQ(FileLength(File("pics.PXI")), 32792);
    CRecordHead head;
    ASSERT_EQ(db.ReadHead(head, Add(db, "a.jpg", PatternBytes(10))), 1);
    const std::int32_t after = std::int32_t(std::time(nullptr));
    EXPECT_TRUE(head.DateSaved() >= before && head.DateSaved() <= after) << head.DateSaved();
    const std::int32_t created = GetLe32(ReadFileBytes(File("pics.PXM")).data() + 272);
    EXPECT_TRUE(created >= before && created <= after) << created;
    EXPECT_TRUE(m_prompt.Texts().empty());
}

// A database "pics" holding one record (three index entries).
class PictureDatabaseOpenTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("pics.PXM"), true), 1);
        Add(db, "a.jpg", PatternBytes(100));
    }
};

TEST_F(PictureDatabaseOpenTest, IndexNameMainNameAndBareBaseOpenTheSamePair) {
    for (const char* name : {"pics.PXI", "pics.PXM", "pics", "pics.jpg"}) {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File(name), false), 1) << name;
        EXPECT_EQ(db.GetMainPath(), File("pics.PXM")) << name;
        EXPECT_EQ(db.Index().EntryCount(), 3) << name;
    }
    // Companion names find existing files whatever their letter case.
    std::filesystem::rename(File("pics.PXM"), File("Pics.pxm"));
    std::filesystem::rename(File("pics.PXI"), File("Pics.pxi"));
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("Pics"), false), 1);
    EXPECT_EQ(db.Index().EntryCount(), 3);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_temp.Path()), {}), 2);
    EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(PictureDatabaseOpenTest, MainWithoutIndexOpensWithANewEmptyIndexOnlyWhenAgreed) {
    std::filesystem::remove(File("pics.PXI"));
    CPictureDatabase refused;
    EXPECT_EQ(refused.OpenDatabase(File("pics.PXM"), false), 0);
    EXPECT_FALSE(std::filesystem::exists(File("pics.PXI")));
    EXPECT_TRUE(m_prompt.Texts().empty());

    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics.PXM"), true), 1);
    EXPECT_EQ(m_prompt.Texts(),
              std::vector<std::string>{"Index file not found. Reconstruct from main."});
    EXPECT_EQ(db.Index().GoFirst(), 0) << "no record is visible";
    EXPECT_EQ(db.Main().BlockCount(), 3) << "the record stays in the main file";
}

TEST_F(PictureDatabaseOpenTest, IndexWithoutMainAsksBeforeCreatingTheMainFile) {
    std::filesystem::remove(File("pics.PXM"));
    CPictureDatabase refused;
    EXPECT_EQ(refused.OpenDatabase(File("pics.PXI"), false), 0);
    EXPECT_FALSE(std::filesystem::exists(File("pics.PXM")));

    m_prompt.PushAnswer(true);
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics.PXI"), false), 1);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>(2, "File not found. Create?"));
    EXPECT_EQ(FileLength(File("pics.PXM")), 2048);
    EXPECT_EQ(db.Index().EntryCount(), 3) << "the old index is opened with the new main file";
}

TEST_F(PictureDatabaseOpenTest, HeaderWhoseFormatStringDiffersIsRefused) {
    const std::vector<std::uint8_t> good = ReadFileBytes(File("pics.PXM"));
    for (std::size_t at : {14, 40, 41}) { // first letter, version digit, terminating NUL
        std::vector<std::uint8_t> bytes = good;
        bytes[at] = 'X';
        WriteFileBytes(File("pics.PXM"), bytes);
        m_prompt.Clear();
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(File("pics.PXM"), true), 0) << at;
        EXPECT_FALSE(db.IsOpen());
        EXPECT_EQ(m_prompt.Texts(),
                  std::vector<std::string>{"Wrong file version or broken file header"});
    }
}

TEST_F(PictureDatabaseTest, CopyRecordCarriesPictureFieldsAndThumbnail) {
    CPictureDatabase source, target;
    ASSERT_EQ(source.OpenDatabase(File("source"), true), 1);
    ASSERT_EQ(target.OpenDatabase(File("target"), true), 1);
    Add(target, "already.jpg", PatternBytes(5000, 9));
    std::int32_t own = Add(source, "own.gif", PatternBytes(300, 1), {"a", "b", "", "", "", "z"});
    std::int32_t stored = Add(source, "stored.jpg", PatternBytes(4100, 2));
    std::int32_t none = Add(source, "none.bmp", PatternBytes(50, 3));
    ASSERT_EQ(source.SetThumbnail(nullptr, own, false), 1);
    ASSERT_EQ(StoreThumbnail(source, stored, PatternBytes(2100, 4)), 1);

    for (std::int32_t record : {own, stored, none}) {
        SCOPED_TRACE(record);
        const std::int32_t copy = target.Main().BlockCount();
        const std::int32_t entries = target.Index().EntryCount();
        ASSERT_EQ(source.CopyRecord(record, target), 1);
        ASSERT_EQ(target.Index().GoTo(target.Index().GetLastInserted()), 1);
        EXPECT_EQ(target.Index().GetCurrentRecord(), copy);

        EXPECT_EQ(target.Index().EntryCount() - entries, record == own ? 6 : 3);
        CRecordHead original, copied;
        CMemFile originalBytes, copiedBytes, originalThumbnail, copiedThumbnail;
        ASSERT_EQ(source.ReadPicture(originalBytes, record, original), 1);
        ASSERT_EQ(target.ReadPicture(copiedBytes, copy, copied), 1);
        EXPECT_EQ(BytesOf(copiedBytes), BytesOf(originalBytes));
        const int hasThumbnail = record == none ? 0 : 1;
        ASSERT_EQ(source.ReadThumbnail(originalThumbnail, original), hasThumbnail);
        ASSERT_EQ(target.ReadThumbnail(copiedThumbnail, copied), hasThumbnail);
        EXPECT_EQ(BytesOf(copiedThumbnail), BytesOf(originalThumbnail));
        EXPECT_EQ(copied.ThumbnailBlock() == copied.Next(), record == own);
        // Apart from its place and its date saved, the head is the original's.
        copied.SetNext(original.Next());
        copied.SetThumbnailBlock(original.ThumbnailBlock());
        copied.SetDateSaved(original.DateSaved());
        EXPECT_TRUE(copied == original);
    }
}

TEST_F(PictureDatabaseTest, ComputeCrcLoadsTheFileAndFoldsEveryByte) {
    // Piece boundaries: nothing, exactly one piece, several pieces with a short last one.
    for (std::size_t size : {std::size_t{0}, std::size_t{16384}, std::size_t{40000}}) {
        std::vector<std::uint8_t> bytes = PatternBytes(size, 8);
        WriteFileBytes(File("p.bin"), bytes);
        CMemFile loaded;
        std::uint16_t crc = 1;
        ASSERT_EQ(CPictureDatabase::ComputeCrc(loaded, File("p.bin"), crc), 1) << size;
        EXPECT_EQ(BytesOf(loaded), bytes) << size;
        EXPECT_EQ(crc, UpdateCrc16(0, bytes)) << size;
    }
    CMemFile destination;
    std::uint16_t crc = 0;
    EXPECT_EQ(CPictureDatabase::ComputeCrc(destination, File("missing.jpg"), crc), 0);
}

// Records a, b, c and a second "b.jpg" (d); keyword "kw" on a and b, "KW" on c.
class PictureDatabaseListTest : public CTempDirTest {
protected:
    void SetUp() override {
        ASSERT_EQ(m_db.OpenDatabase(File("pics"), true), 1);
        m_a = Add(m_db, "a.jpg", PatternBytes(10, 1), {"kw"});
        m_b = Add(m_db, "b.jpg", PatternBytes(10, 2), {"kw"});
        m_c = Add(m_db, "c.jpg", PatternBytes(10, 3), {"", "KW"});
        m_d = Add(m_db, "b.jpg", PatternBytes(10, 4), {"other"});
    }
    CPictureDatabase m_db;
    std::int32_t m_a = -1, m_b = -1, m_c = -1, m_d = -1;
};

TEST_F(PictureDatabaseListTest, LocateRecordFindsTheRecordsEntryInTheCurrentList) {
    m_db.Index().SetOrder(OrderFamily::fileName);
    ASSERT_EQ(m_db.LocateRecord(m_d), 1);
    EXPECT_EQ(m_db.Index().GetCurrentRecord(), m_d);
    ASSERT_EQ(m_db.LocateRecord(m_b), 1);
    EXPECT_EQ(m_db.Index().GetCurrentRecord(), m_b) << "the right one of equal keys";
    EXPECT_EQ(m_db.Index().Current().Key(), "!b.jpg");

    m_db.Index().SetOrder(OrderFamily::dateSaved);
    ASSERT_EQ(m_db.LocateRecord(m_c), 1);
    EXPECT_EQ(m_db.Index().GetCurrentRecord(), m_c);
    EXPECT_EQ(m_db.Index().Current().Key()[0], ' ');

    m_db.SetSearch("@kw", -1, -1);
    m_db.Index().SetOrder(OrderFamily::keyword);
    ASSERT_EQ(m_db.LocateRecord(m_c), 1);
    EXPECT_EQ(m_db.Index().Current().Key(), "@KW");
    EXPECT_EQ(m_db.LocateRecord(m_d), 0) << "not in the search result";
}

TEST_F(PictureDatabaseListTest, CountRangeCountsLiveEntriesAroundTheCurrentOne) {
    ASSERT_TRUE(DeletePicture(m_db, m_b));

    m_db.Index().SetOrder(OrderFamily::fileName);
    ASSERT_EQ(m_db.LocateRecord(m_c), 1);
    int position = -1;
    EXPECT_EQ(m_db.CountRange(position, false), 3);
    EXPECT_EQ(position, 2) << "a.jpg and the live b.jpg come before c.jpg";
    EXPECT_FALSE(m_db.Marks().Exists());

    EXPECT_EQ(m_db.CountRange(position, true), 3);
    EXPECT_EQ(m_db.Marks().Count(), 3);
    EXPECT_FALSE(m_db.Marks().IsMarked(m_b));

    m_db.Marks().UnmarkAll();
    m_db.SetSearch("@kw", -1, -1);
    m_db.Index().SetOrder(OrderFamily::keyword);
    ASSERT_EQ(m_db.LocateRecord(m_c), 1);
    EXPECT_EQ(m_db.CountRange(position, true), 2) << "kw of a and KW of c; b is deleted";
    EXPECT_EQ(position, 1);
    EXPECT_TRUE(m_db.Marks().IsMarked(m_a) && m_db.Marks().IsMarked(m_c));
    EXPECT_EQ(m_db.Marks().Count(), 2);
}

} // namespace
