// picdex-cli reconstruct and verify on damaged databases, run as a separate process.
// Reconstruct: no repair loses a picture whose chain the main file still holds whole. A
// main file whose index is missing, foreign or damaged is copied with every record (the
// index rebuilt from the main file first); a head whose size disagrees with its chain, or
// a chain block whose kind is damaged, keeps its record through both reconstructions and
// is reported by verify until the main file is rebuilt; an unreadable record is named and
// left out while every other one is copied (exit 1); a password field no one can type is
// cleared after a Yes.
// Verify: a database made by add (a BMP with a stored GIF thumbnail, a small GIF that is
// its own thumbnail, a deleted record, a password) verifies clean, also while another
// instance holds it; damage to a thumbnail (also one declaring a huge screen) and to the
// index is reported with the file it damages and the exit status 1; what an interrupted
// addition leaves is printed as a note after the problems and is no damage.
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"
#include "support/AddPicture.h"
#include "support/CliFixture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

namespace {

class RepairCliTest : public CCliTest {};

TEST_F(RepairCliTest, NoRepairLosesARecordWhoseChainIsWhole) {
    // a.dat, b.dat, c.dat of 5000 bytes: heads at blocks 1, 5 and 9, each with 3 blocks.
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("db"), true), 1);
        for (const char* name : {"a.dat", "b.dat", "c.dat"})
            ASSERT_GT(AddPicture(db, name, PatternBytes(5000, unsigned(name[0])), {"tree"}), 0);
    }
    {
        CPictureDatabase other;
        ASSERT_EQ(other.OpenDatabase(File("other"), true), 1);
    }
    const std::vector<std::uint8_t> main = ReadFileBytes(File("db.PXM"));
    const std::vector<std::uint8_t> index = ReadFileBytes(File("db.PXI"));
    const std::string db = File("db");
    const Step rebuildIndex{{"reconstruct", "DB", "--index"}, 0, ""};
    const Step rebuildMain{{"reconstruct", "DB", "--main"}, 0, "copied 3 records, 0 could not"};
    const Step clean{{"verify", "DB"}, 0, "0 problems"};
    auto sizeOfB = [&](std::uint32_t size) {
        return [&, size] { PatchFileLe32(File("db.PXM"), 5 * 2048 + 472, std::int32_t(size)); };
    };
    const Step sizeReported{{"verify", "DB"}, 1, "record at block 5: data size "};
    const std::string fromMain = "the index is reconstructed from the main file first";

    struct Case {
        std::string what;
        std::function<void()> damage;
        std::vector<Step> steps;
        std::vector<const char*> kept = {"a.dat", "b.dat", "c.dat"};
    };
    std::vector<Case> cases = {
        {"main file without its index",
         [&] { std::remove(File("db.PXI").c_str()); },
         {{{"reconstruct", "DB", "--main"}, 0, fromMain}, clean}},
        {"the empty index of another database",
         [&] { WriteFileBytes(File("db.PXI"), ReadFileBytes(File("other.PXI"))); },
         {{{"reconstruct", "DB", "--main"}, 0, fromMain}, clean}},
        {"a data block's kind made a head's",
         [&] { PatchFileLe32(File("db.PXM"), 7 * 2048 + 8, 1); },
         {rebuildIndex,
          {{"verify", "DB"}, 1, "block 7: in the picture chain of record at block 5"},
          rebuildMain,
          clean}},
        {"one record's chain cut",
         [&] { PatchFileLe32(File("db.PXM"), 6 * 2048 + 4, 9999); },
         {{{"reconstruct", "DB", "--main"}, 1, "Cannot read the record b.dat at block 5"}, clean},
         {"a.dat", "c.dat"}},
        {"a file-name entry's flags all ones",
         [&] {
             // Entry 2 is a.dat's file-name entry (CRC, date, name, keyword in order).
             PatchFileLe32(File("db.PXI"), 32792 + 2 * 52 + 12, -1);
         },
         {{{"reconstruct", "DB", "--main"}, 0, fromMain}, clean}},
        {"a password field no one can type",
         [&] {
             std::vector<std::uint8_t> bytes = main;
             std::fill_n(bytes.begin() + 280, 13, 0xA5);
             WriteFileBytes(File("db.PXM"), bytes);
         },
         {{{"verify", "DB"}, 1, "the password field is damaged"},
          {{"reconstruct", "DB", "--index"}, 1, "no password opens it"},
          {{"--yes", "reconstruct", "DB", "--index"}, 0, ""},
          clean}},
    };
    // A head whose size disagrees with its chain, up to sizes that overflow a signed int.
    for (const std::uint32_t size : {5001u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu})
        cases.push_back({"size " + std::to_string(size),
                         sizeOfB(size),
                         {rebuildIndex, sizeReported, rebuildMain, clean}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(File("db.PXM"), main);
        WriteFileBytes(File("db.PXI"), index);
        c.damage();
        Expect(c.steps, db);
        LiveRecords expected;
        for (const char* name : c.kept)
            expected[{name, PatternBytes(5000, unsigned(name[0]))}] = 1;
        EXPECT_TRUE(LivePictures(File("db.PXM")) == expected)
            << LivePictures(File("db.PXM")).size() << " records";
        m_prompt.Clear();
    }
}

TEST_F(RepairCliTest, CleanDatabaseVerifiesAndDamageIsBlamedOnItsFile) {
    const std::string db = File("db");
    Cli({"convert", WriteBmp("small.bmp", 20, 10, 1), File("small.gif")}, 0);
    Cli({"--yes", "add", db, WriteBmp("a.bmp", 100, 50, 2), File("small.gif"),
         WriteBmp("b.bmp", 30, 30, 3), "--keyword", "sea"},
        0);
    Cli({"delete", db, "1"}, 0);
    Cli({"password", db, "--set", "abcd"}, 0);
    const std::string clean = "checked: 3 records, 2 live, 12 entries; 0 problems\n";
    EXPECT_EQ(Cli({"verify", db}, 0), clean);
    {
        // verify reads without a lock and asks for no password.
        CPictureDatabase holder;
        ASSERT_EQ(holder.OpenDatabase(db, false), 1);
        ASSERT_FALSE(holder.IsReadOnly());
        EXPECT_EQ(Cli({"verify", db + ".PXM"}, 0), clean);
        EXPECT_EQ(Cli({"verify", db, "--quick"}, 0), "quick check: 12 entries; 0 problems\n");
    }

    // The first record's stored thumbnail no longer starts like a GIF.
    const std::vector<std::uint8_t> main = ReadFileBytes(db + ".PXM");
    const std::int32_t thumbnail = GetLe32(&main[2048 + 476]);
    ASSERT_GT(thumbnail, 1);
    std::vector<std::uint8_t> damaged = main;
    damaged[std::size_t(thumbnail) * 2048 + 16] = 'J';
    WriteFileBytes(db + ".PXM", damaged);
    const std::string found = Cli({"verify", db}, 1);
    EXPECT_EQ(found.rfind("record at block 1: the thumbnail (", 0), 0u) << found;
    EXPECT_NE(found.find(" bytes from block " + std::to_string(thumbnail) +
                         ") does not decode\nchecked: 3 records, 2 live, 12 entries; 1 problem "
                         "(main file damaged)\n"),
              found.npos)
        << found;
    EXPECT_EQ(Cli({"verify", db, "--quick"}, 0), "quick check: 12 entries; 0 problems\n");
    // A thumbnail whose screen claims 60,000 x 60,000 pixels is no thumbnail either.
    damaged = main;
    for (int at : {6, 8})
        PutLe16(&damaged[std::size_t(thumbnail) * 2048 + 16 + std::size_t(at)], 60000);
    WriteFileBytes(db + ".PXM", damaged);
    EXPECT_NE(Cli({"verify", db}, 1).find(") does not decode\n"), std::string::npos);
    WriteFileBytes(db + ".PXM", main);

    // A skip slot beyond the entries: the index is damaged, and rebuilding it repairs it
    // (bringing back the deleted record, as an index reconstruction does).
    PatchFileLe32(db + ".PXI", 24 + 4, 4000);
    const std::string out = Cli({"verify", db, "--quick"}, 1);
    EXPECT_NE(out.find("skip slot 1: names entry 4000, outside the file's 12 entries\n"), out.npos)
        << out;
    EXPECT_NE(out.find("(index file damaged; an index reconstruction repairs it)\n"), out.npos);
    Cli({"--password", "abcd", "reconstruct", db, "--index"}, 0);
    EXPECT_EQ(Cli({"verify", db}, 0), "checked: 3 records, 3 live, 12 entries; 0 problems\n");
}

TEST_F(RepairCliTest, UnfinishedAdditionIsANoteAfterTheProblems) {
    const std::string db = File("db");
    Cli({"--yes", "add", db, WriteBmp("a.bmp", 60, 40, 2)}, 0);
    // An addition killed after its head and one block of its picture: no entries name it.
    std::int32_t block = -1;
    {
        CPictureDatabase holder;
        ASSERT_EQ(holder.OpenDatabase(db, false), 1);
        const std::vector<std::uint8_t> picture = PatternBytes(9000, 4);
        CRecordHead head;
        head.SetCrc(UpdateCrc16(0, picture));
        head.SetDataSize(std::uint32_t(picture.size()));
        CMemFile file;
        FillMemFile(file, picture);
        ASSERT_EQ(holder.Main().AppendRecord(file, block, head), 1);
    }
    ASSERT_EQ(::truncate((db + ".PXM").c_str(), std::int64_t(block + 2) * 2048), 0);
    const std::string note = "block " + std::to_string(block) +
                             ": unfinished record (an addition that did not complete), ignored: "
                             "its picture chain runs past the end of the file (block " +
                             std::to_string(block + 2) + ")\n";
    EXPECT_EQ(Cli({"verify", db}, 0),
              note + "checked: 1 records, 1 live, 3 entries; 0 problems, 1 note\n");

    // With damage the problems come first, then the notes, and the summary counts both.
    const std::vector<std::uint8_t> main = ReadFileBytes(db + ".PXM");
    std::vector<std::uint8_t> damaged = main;
    damaged[2048 * 2 + 100] ^= 1;
    WriteFileBytes(db + ".PXM", damaged);
    const std::string out = Cli({"verify", db}, 1);
    EXPECT_EQ(out.rfind("record at block 1: the picture's CRC is ", 0), 0u) << out;
    EXPECT_NE(out.find("\n" + note +
                       "checked: 1 records, 1 live, 3 entries; 1 problem, 1 note "
                       "(main file damaged)\n"),
              out.npos)
        << out;
}

} // namespace
