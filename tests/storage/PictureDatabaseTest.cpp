// CPictureDatabase: opening and creating the pair of files, record operations with their
// index entries (add, thumbnails, copy, keyword change, delete), the CRC of a picture file,
// locating a record in the current list and counting the current range.
#include "storage/PictureDatabase.h"

#include "platform/ByteOrder.h"
#include "storage/Crc16.h"
#include "support/TestSupport.h"

#include <ctime>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using Keywords = CPictureDatabase::Keywords;

std::vector<std::uint8_t> Bytes(const CMemFile& file) {
    return {file.Data().begin(), file.Data().end()};
}

class PictureDatabaseTest : public CTempDirTest {
protected:
    // Adds a picture and returns its head block, found as the callers do: through the entry
    // inserted last.
    static std::int32_t Add(CPictureDatabase& db, std::string_view name,
                            std::span<const std::uint8_t> bytes, const Keywords& keywords = {}) {
        CMemFile source;
        FillMemFile(source, bytes);
        std::string path = "/photos/2020/" + std::string(name);
        if (db.AddRecord(source, UpdateCrc16(0, bytes), path, 1234, 640, 480, keywords) != 1) {
            ADD_FAILURE() << "AddRecord " << name;
            return -1;
        }
        db.Index().GoTo(db.Index().GetLastInserted());
        return db.Index().GetCurrentRecord();
    }
    void Open(CPictureDatabase& db, std::string_view name = "pics.PXM") {
        ASSERT_EQ(db.OpenDatabase(File(name), true), 1);
    }
    // Keys of the live entries of record, in list order.
    static std::vector<std::string> LiveKeys(CPictureDatabase& db, std::int32_t record) {
        std::vector<std::string> keys;
        CIndexEntry entry;
        for (std::int32_t i = 0; i < db.Index().EntryCount(); ++i)
            if (db.Index().ReadEntry(entry, i) == 1 && entry.record == record && !entry.IsDeleted())
                keys.emplace_back(entry.Key());
        std::sort(keys.begin(), keys.end());
        return keys;
    }
};

TEST_F(PictureDatabaseTest, MissingPairIsCreatedSilentlyWhenTheCallerAgreed) {
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics"), true), 1);
    EXPECT_TRUE(db.IsOpen());
    EXPECT_FALSE(db.IsReadOnly());
    EXPECT_EQ(FileLength(File("pics.PXM")), 2048);
    EXPECT_EQ(FileLength(File("pics.PXI")), 32792);
    EXPECT_TRUE(m_prompt.Texts().empty());
}

// A database "pics" holding one record (three index entries).
class PictureDatabaseOpenTest : public PictureDatabaseTest {
protected:
    void SetUp() override {
        CPictureDatabase db;
        Open(db);
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
    EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(PictureDatabaseOpenTest, CompanionNamesMatchExistingFilesWhateverTheirCase) {
    std::filesystem::rename(File("pics.PXM"), File("Pics.pxm"));
    std::filesystem::rename(File("pics.PXI"), File("Pics.pxi"));
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("Pics"), false), 1);
    EXPECT_EQ(db.Index().EntryCount(), 3);
    EXPECT_TRUE(m_prompt.Texts().empty());
    auto files = std::distance(std::filesystem::directory_iterator(m_temp.Path()),
                               std::filesystem::directory_iterator());
    EXPECT_EQ(files, 2) << "no second pair may be created beside the existing one";
}

TEST_F(PictureDatabaseOpenTest, MainWithoutIndexOpensWithANewEmptyIndexOnlyWhenAgreed) {
    std::filesystem::remove(File("pics.PXI"));
    CPictureDatabase refused;
    EXPECT_EQ(refused.OpenDatabase(File("pics.PXM"), false), 0);
    EXPECT_TRUE(m_prompt.Texts().empty());
    EXPECT_FALSE(std::filesystem::exists(File("pics.PXI")));

    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics.PXM"), true), 1);
    EXPECT_EQ(m_prompt.Messages(),
              std::vector<std::string>{"Index file not found. Reconstruct from main."});
    EXPECT_EQ(db.Index().EntryCount(), 0);
    EXPECT_EQ(db.Index().GoFirst(), 0) << "no record is visible";
    EXPECT_EQ(db.Main().BlockCount(), 3) << "the record stays in the main file";
}

TEST_F(PictureDatabaseOpenTest, IndexWithoutMainAsksBeforeCreatingTheMainFile) {
    std::filesystem::remove(File("pics.PXM"));
    CPictureDatabase refused;
    m_prompt.PushAnswer(false);
    EXPECT_EQ(refused.OpenDatabase(File("pics.PXI"), false), 0);
    EXPECT_FALSE(std::filesystem::exists(File("pics.PXM")));

    m_prompt.PushAnswer(true);
    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(File("pics.PXI"), false), 1);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>(2, "File not found. Create?"));
    EXPECT_EQ(FileLength(File("pics.PXM")), 2048);
    EXPECT_EQ(db.Index().EntryCount(), 3) << "the old index is opened with the new main file";
}

TEST_F(PictureDatabaseTest, WrongMainHeaderIsRefused) {
    WriteFileBytes(File("pics.PXM"), PatternBytes(4096));
    CPictureDatabase db;
    EXPECT_EQ(db.OpenDatabase(File("pics.PXM"), true), 0);
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(m_prompt.Saw("Wrong file version or broken file header"));
}

TEST_F(PictureDatabaseTest, DocumentOpenFailureSaysSoAfterTheCause) {
    CPictureDatabase db;
    CScriptedPasswordDialog dialog;
    EXPECT_EQ(db.OpenForDocument(File("no/such/folder/pics.PXM"), dialog), 0);
    ASSERT_GE(m_prompt.Messages().size(), 2u);
    EXPECT_EQ(m_prompt.Messages().front(), "File not found");
    EXPECT_EQ(m_prompt.Messages().back(), "Failed to open the file");
    EXPECT_EQ(dialog.AskCount(), 0);
}

TEST_F(PictureDatabaseTest, FirstRecordOfANewDatabase) {
    CPictureDatabase db;
    Open(db);
    std::vector<std::uint8_t> picture = PatternBytes(3000);
    std::int32_t before = static_cast<std::int32_t>(std::time(nullptr));
    Keywords keywords = {"Sea", "", std::string(40, 'k'), "", "", ""};
    std::int32_t head = Add(db, "sunset.jpg", picture, keywords);
    ASSERT_EQ(head, 1);

    CRecordHead read;
    CMemFile bytes;
    ASSERT_EQ(db.ReadPicture(bytes, head, read), 1);
    EXPECT_EQ(Bytes(bytes), picture);
    EXPECT_EQ(read.FileName(), "sunset.jpg");
    EXPECT_EQ(read.Crc(), UpdateCrc16(0, picture));
    EXPECT_GE(read.DateSaved(), before);
    EXPECT_LE(read.DateSaved(), static_cast<std::int32_t>(std::time(nullptr)));
    EXPECT_EQ(read.DateImageCreated(), 1234);
    EXPECT_EQ(read.Keyword(0), "Sea");
    EXPECT_FALSE(read.HasKeyword(1));
    EXPECT_EQ(read.Keyword(2), std::string(31, 'k'));
    EXPECT_EQ(read.DataSize(), 3000u);
    EXPECT_EQ(read.ThumbnailBlock(), 0);
    EXPECT_EQ(read.Width(), 640u);
    EXPECT_EQ(read.Height(), 480u);

    // Entries in the order CRC, date saved, file name, keywords.
    CIndexEntry entry;
    std::vector<std::string> keys;
    for (std::int32_t i = 0; i < db.Index().EntryCount(); ++i) {
        ASSERT_EQ(db.Index().ReadEntry(entry, i), 1);
        EXPECT_EQ(entry.record, head);
        EXPECT_EQ(entry.flags, 0);
        keys.emplace_back(entry.Key());
    }
    std::vector<std::string> expected = {MakeCrcKey(read.Crc()), MakeDateKey(read.DateSaved()),
                                         "!sunset.jpg", "@Sea", "@" + std::string(30, 'k')};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(db.Index().GetLastInserted(), 4);
    EXPECT_EQ(db.Index().GetHeader().skipLength, 2);

    // Without keywords the file-name entry is the last inserted.
    Add(db, "plain.gif", PatternBytes(10));
    ASSERT_EQ(db.Index().ReadEntry(entry, db.Index().GetLastInserted()), 1);
    EXPECT_EQ(entry.Key(), "!plain.gif");
}

TEST_F(PictureDatabaseTest, ThumbnailIsOwnPictureStoredChainOrNone) {
    CPictureDatabase db;
    Open(db);
    std::vector<std::uint8_t> picture = PatternBytes(2500);
    std::int32_t own = Add(db, "small.gif", picture);
    std::int32_t stored = Add(db, "big.jpg", PatternBytes(9000, 2));
    std::int32_t none = Add(db, "new.jpg", PatternBytes(10, 3));

    ASSERT_EQ(db.SetThumbnail(nullptr, own, false), 1);
    CMemFile thumbnail;
    std::vector<std::uint8_t> thumbnailBytes = PatternBytes(700, 4);
    FillMemFile(thumbnail, thumbnailBytes);
    std::int32_t end = db.Main().BlockCount();
    ASSERT_EQ(db.SetThumbnail(&thumbnail, stored, true), 1);

    CRecordHead head;
    CMemFile read;
    ASSERT_EQ(db.ReadHead(head, own), 1);
    EXPECT_EQ(head.ThumbnailBlock(), head.Next());
    ASSERT_EQ(db.ReadThumbnail(read, head), 1);
    EXPECT_EQ(Bytes(read), picture);
    EXPECT_EQ(read.GetPosition(), 0);

    ASSERT_EQ(db.ReadHead(head, stored), 1);
    EXPECT_EQ(head.ThumbnailBlock(), end);
    ASSERT_EQ(db.ReadThumbnail(read, head), 1);
    EXPECT_EQ(Bytes(read), thumbnailBytes);
    EXPECT_EQ(read.GetPosition(), 0);

    ASSERT_EQ(db.ReadHead(head, none), 1);
    EXPECT_EQ(db.ReadThumbnail(read, head), 0);
    EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(PictureDatabaseTest, CopyRecordCarriesPictureFieldsAndThumbnail) {
    CPictureDatabase source;
    CPictureDatabase target;
    Open(source, "source");
    Open(target, "target");
    Add(target, "already.jpg", PatternBytes(5000, 9));

    Keywords keywords = {"a", "b", "", "", "", "z"};
    std::int32_t own = Add(source, "own.gif", PatternBytes(300, 1), keywords);
    std::int32_t stored = Add(source, "stored.jpg", PatternBytes(4100, 2));
    std::int32_t none = Add(source, "none.bmp", PatternBytes(50, 3));
    ASSERT_EQ(source.SetThumbnail(nullptr, own, false), 1);
    CMemFile thumbnail;
    FillMemFile(thumbnail, PatternBytes(2100, 4));
    ASSERT_EQ(source.SetThumbnail(&thumbnail, stored, true), 1);

    for (std::int32_t record : {own, stored, none}) {
        SCOPED_TRACE(record);
        std::int32_t before = target.Main().BlockCount();
        ASSERT_EQ(source.CopyRecord(record, target), 1);
        target.Index().GoTo(target.Index().GetLastInserted());
        std::int32_t copy = target.Index().GetCurrentRecord();
        EXPECT_EQ(copy, before);

        CRecordHead original, copied;
        CMemFile originalBytes, copiedBytes;
        ASSERT_EQ(source.ReadPicture(originalBytes, record, original), 1);
        ASSERT_EQ(target.ReadPicture(copiedBytes, copy, copied), 1);
        EXPECT_EQ(Bytes(copiedBytes), Bytes(originalBytes));
        EXPECT_EQ(copied.FileName(), original.FileName());
        EXPECT_EQ(copied.Crc(), original.Crc());
        EXPECT_EQ(copied.DateImageCreated(), original.DateImageCreated());
        EXPECT_EQ(copied.Width(), original.Width());
        for (int k = 0; k < 6; ++k)
            EXPECT_EQ(copied.Keyword(k), original.Keyword(k));
        EXPECT_EQ(target.Index().FindExact(MakeNameKey(original.FileName()), true),
                  target.Index().GetLastInserted() - (record == own ? 3 : 0));

        if (record == own) {
            EXPECT_EQ(copied.ThumbnailBlock(), copied.Next());
        } else if (record == none) {
            EXPECT_EQ(copied.ThumbnailBlock(), 0);
        } else {
            std::int32_t pictureBlocks = static_cast<std::int32_t>(copied.DataSize() / 2032 + 1);
            EXPECT_EQ(copied.ThumbnailBlock(), copy + 1 + pictureBlocks) << "at the end";
            CMemFile a, b;
            ASSERT_EQ(source.ReadThumbnail(a, original), 1);
            ASSERT_EQ(target.ReadThumbnail(b, copied), 1);
            EXPECT_EQ(Bytes(a), Bytes(b));
        }
    }
}

TEST_F(PictureDatabaseTest, ChangeKeywordsReplacesOnlyTheChangedEntries) {
    CPictureDatabase db;
    Open(db);
    std::int32_t other = Add(db, "other.jpg", PatternBytes(10, 1), {"sea", "", "", "", "", ""});
    std::int32_t head = Add(db, "pic.jpg", PatternBytes(10, 2), {"sea", "sky", "Sun", "", "", ""});
    std::int32_t entries = db.Index().EntryCount();

    CRecordHead oldHead, newHead;
    ASSERT_EQ(db.ReadHead(oldHead, head), 1);
    newHead = oldHead;
    newHead.SetKeyword(0, "");
    newHead.SetKeyword(2, "sun");
    newHead.SetKeyword(4, "cloud");
    ASSERT_EQ(db.ChangeKeywords(head, oldHead, newHead), 1);

    std::string crc = MakeCrcKey(oldHead.Crc());
    std::string date = MakeDateKey(oldHead.DateSaved());
    std::vector<std::string> expected = {date, "!pic.jpg", crc, "@cloud", "@sky", "@sun"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(LiveKeys(db, head), expected);
    EXPECT_EQ(db.Index().EntryCount(), entries + 2) << "only the new keywords are inserted";
    EXPECT_EQ(LiveKeys(db, other).size(), 4u) << "another record's equal keyword stays";

    CRecordHead written;
    ASSERT_EQ(db.ReadHead(written, head), 1);
    EXPECT_EQ(written, newHead);
}

TEST_F(PictureDatabaseTest, DeleteRecordFlagsItsEntriesOnlyAndLeavesTheMainFile) {
    CPictureDatabase db;
    Open(db);
    std::vector<std::uint8_t> same = PatternBytes(100);
    std::int32_t first = Add(db, "same.jpg", same, {"kw", "", "", "", "", ""});
    std::int32_t second = Add(db, "same.jpg", same, {"kw", "", "", "", "", ""});
    std::int32_t entries = db.Index().EntryCount();
    std::vector<std::uint8_t> main = ReadFileBytes(File("pics.PXM"));

    CRecordHead head;
    ASSERT_EQ(db.ReadHead(head, first), 1);
    ASSERT_EQ(db.DeleteRecord(first, head), 1);
    EXPECT_TRUE(LiveKeys(db, first).empty());
    EXPECT_EQ(LiveKeys(db, second).size(), 4u);
    EXPECT_EQ(db.Index().EntryCount(), entries);
    EXPECT_EQ(ReadFileBytes(File("pics.PXM")), main);
}

TEST_F(PictureDatabaseTest, ComputeCrcLoadsTheFileAndFoldsEveryByte) {
    CMemFile destination;
    std::uint16_t crc = 1;
    WriteFileBytes(File("check.txt"), "123456789");
    ASSERT_EQ(CPictureDatabase::ComputeCrc(destination, File("check.txt"), crc), 1);
    EXPECT_EQ(crc, 0x31C3);
    EXPECT_EQ(destination.GetLength(), 9);

    // Piece boundaries: exactly one piece, and several pieces with a short last one.
    for (std::size_t size : {std::size_t{0}, std::size_t{16384}, std::size_t{40000}}) {
        std::vector<std::uint8_t> bytes = PatternBytes(size, 8);
        WriteFileBytes(File("p.bin"), bytes);
        CMemFile loaded;
        ASSERT_EQ(CPictureDatabase::ComputeCrc(loaded, File("p.bin"), crc), 1) << size;
        EXPECT_EQ(Bytes(loaded), bytes) << size;
        EXPECT_EQ(crc, UpdateCrc16(0, bytes)) << size;
    }
    EXPECT_EQ(CPictureDatabase::ComputeCrc(destination, File("missing.jpg"), crc), 0);
}

class PictureDatabaseListTest : public PictureDatabaseTest {
protected:
    void SetUp() override {
        Open(m_db);
        m_a = Add(m_db, "a.jpg", PatternBytes(10, 1), {"kw", "", "", "", "", ""});
        m_b = Add(m_db, "b.jpg", PatternBytes(10, 2), {"kw", "", "", "", "", ""});
        m_c = Add(m_db, "c.jpg", PatternBytes(10, 3), {"", "KW", "", "", "", ""});
        m_d = Add(m_db, "b.jpg", PatternBytes(10, 4), {"other", "", "", "", "", ""});
    }
    CPictureDatabase m_db;
    std::int32_t m_a = -1, m_b = -1, m_c = -1, m_d = -1;
};

TEST_F(PictureDatabaseListTest, LocateRecordFindsTheRecordsEntryInTheCurrentList) {
    m_db.Index().SetOrder(OrderFamily::fileName);
    ASSERT_EQ(m_db.LocateRecord(m_d), 1);
    EXPECT_EQ(m_db.Index().GetCurrentRecord(), m_d);
    EXPECT_EQ(m_db.Index().Current().Key(), "!b.jpg");
    ASSERT_EQ(m_db.LocateRecord(m_b), 1);
    EXPECT_EQ(m_db.Index().GetCurrentRecord(), m_b) << "the right one of equal keys";

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
    CRecordHead head;
    ASSERT_EQ(m_db.ReadHead(head, m_b), 1);
    ASSERT_EQ(m_db.DeleteRecord(m_b, head), 1);

    m_db.Index().SetOrder(OrderFamily::fileName);
    ASSERT_EQ(m_db.LocateRecord(m_c), 1);
    int position = -1;
    EXPECT_EQ(m_db.CountRange(position, false), 3);
    EXPECT_EQ(position, 2) << "a.jpg and the live b.jpg come before c.jpg";
    EXPECT_FALSE(m_db.Marks().Exists());

    EXPECT_EQ(m_db.CountRange(position, true), 3);
    EXPECT_EQ(m_db.Marks().Count(), 3);
    for (std::int32_t record : {m_a, m_c, m_d})
        EXPECT_TRUE(m_db.Marks().IsMarked(record)) << record;
    EXPECT_FALSE(m_db.Marks().IsMarked(m_b));

    m_db.Marks().UnmarkAll();
    m_db.SetSearch("@kw", -1, -1);
    m_db.Index().SetOrder(OrderFamily::keyword);
    ASSERT_EQ(m_db.LocateRecord(m_c), 1);
    EXPECT_EQ(m_db.CountRange(position, true), 2) << "kw of a and KW of c; b is deleted";
    EXPECT_EQ(position, 1);
    EXPECT_EQ(m_db.Marks().Count(), 2);
    EXPECT_FALSE(m_db.Marks().IsMarked(m_d));
}

} // namespace
