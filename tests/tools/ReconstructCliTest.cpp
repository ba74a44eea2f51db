// picdex-cli reconstruct on damaged databases, run as a separate process: no repair loses
// a picture whose chain the main file still holds whole. A main file whose index is
// missing, foreign or damaged is copied with every record (the index rebuilt from the
// main file first); a head whose size disagrees with its chain, or a chain block whose
// kind is damaged, keeps its record through both reconstructions and is reported by
// verify until the main file is rebuilt; an unreadable record is named and left out
// while every other one is copied (exit 1); a password field no one can type is cleared
// after a Yes.
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"
#include "support/AddPicture.h"
#include "support/CliFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class ReconstructCliTest : public CCliTest {};

TEST_F(ReconstructCliTest, NoRepairLosesARecordWhoseChainIsWhole) {
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

} // namespace
