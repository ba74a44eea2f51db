// picdex-cli verify, run as a separate process: a database made by add (a BMP with a
// stored GIF thumbnail, a small GIF that is its own thumbnail, a deleted record, a
// password) verifies clean, also while another instance holds it; damage to a thumbnail
// (also one declaring a huge screen) and to the index is reported with the file it damages and the
// exit status 1; what an interrupted addition leaves is printed as a note after the problems and is
// no damage.
#include "platform/ByteOrder.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"
#include "support/CliFixture.h"
#include "support/TestSupport.h"

#include <unistd.h>

namespace {

class VerifyCliTest : public CCliTest {};

TEST_F(VerifyCliTest, CleanDatabaseVerifiesAndDamageIsBlamedOnItsFile) {
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

TEST_F(VerifyCliTest, UnfinishedAdditionIsANoteAfterTheProblems) {
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
