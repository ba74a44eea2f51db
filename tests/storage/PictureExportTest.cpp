// Writing a stored picture out: only the picture its head describes, whole, or nothing.
// The byte-for-byte copy with its time is in ReconstructionTest.
#include "storage/PictureExport.h"

#include "platform/FileSystem.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using namespace MainFormat;

// Two pictures of three data blocks each: heads at blocks 1 and 5.
constexpr std::int32_t first = 1, second = 5;

std::int64_t At(std::int32_t block, int offset) {
    return std::int64_t{block} * blockSize + offset;
}

class PictureExportTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("db"), true), 1);
        for (unsigned seed : {1u, 2u}) {
            CMemFile source;
            FillMemFile(source, PatternBytes(5000, seed));
            ASSERT_EQ(db.AddRecord(source, UpdateCrc16(0, PatternBytes(5000, seed)),
                                   "p" + std::to_string(seed) + ".jpg", 0, 1, 1, {}),
                      1);
        }
        db.Close();
        m_good = ReadFileBytes(File("db.PXM"));
    }

    CPictureDatabase m_db;
    std::vector<std::uint8_t> m_good;
};

// A chain that loops, is cut, runs into or jumps into another record, leaves the file or
// holds other bytes than its head says: the picture is not written, the reader is told
// why, and no file is left behind.
TEST_F(PictureExportTest, DamagedChainWritesNoFile) {
    const struct {
        const char* what;
        std::int64_t offset; // -1: flip a picture bit instead; -2: cut the file at block 3
        std::int32_t value;
        const char* message;
    } cases[] = {
        {"intact", 0, 0, nullptr},
        {"loop back to the first block", At(3, offNext), 2, "Unknown error"},
        {"head links to no chain", At(first, offNext), -1, "Unknown error"},
        {"chain cut after one block", At(2, offNext), -1, "Unknown error"},
        {"runs into the next record's head", At(4, offNext), second, "Unknown error"},
        {"jumps into the next record's data", At(2, offNext), second + 2, "Unknown error"},
        {"leaves the file", At(4, offNext), 9, "Reached end of file"},
        {"file cut inside the chain", -2, 0, "Reached end of file"},
        {"byte count out of range", At(3, offByteCount), 4000, "Unknown error"},
        {"head's size one more", At(first, offDataSize), 5001, "Unknown error"},
        {"head's size at its maximum", At(first, offDataSize), 0x7FFFFFFF, "Unknown error"},
        {"picture bit flipped", -1, 0, "Unknown error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> main = m_good;
        if (c.offset == -1)
            main[At(3, offPayload + 100)] ^= 0x10;
        if (c.offset == -2)
            main.resize(At(3, 0));
        WriteFileBytes(File("db.PXM"), main);
        if (c.offset > 0)
            PatchFileLe32(File("db.PXM"), c.offset, c.value);
        ASSERT_EQ(m_db.OpenDatabase(File("db"), false), 1);
        ASSERT_EQ(m_db.LocateRecord(first), 1);
        m_prompt.Clear();
        const std::string out = File("out.jpg");
        EXPECT_EQ(WriteCurrentPicture(m_db, out, false), c.message ? 0 : 1);
        if (c.message) {
            EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{c.message});
            EXPECT_FALSE(FileExists(out)) << "a partial picture is left behind";
        } else {
            EXPECT_EQ(ReadFileBytes(out), PatternBytes(5000, 1));
        }
        UnlinkFile(out);
        m_db.Close();
    }
}

} // namespace
