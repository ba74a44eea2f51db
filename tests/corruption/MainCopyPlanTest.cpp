// A main-file reconstruction copies the records its index calls live, and the swap then
// deletes the old main file: a record the index drops is lost for good. So an index too
// damaged to tell which records are live is not used: the index is rebuilt from the main
// file first and every record is copied, the deleted one included, while a sound index
// with deleted records (or a deletion cut short) gets its copy of the live records.
#include "storage/MainCopyPlan.h"

#include "platform/FileSystem.h"
#include "storage/PictureDatabase.h"
#include "storage/Reconstruction.h"
#include "support/AddPicture.h"
#include "support/NoProgress.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <functional>

namespace {

// Three records a.dat, b.dat, c.dat of 3000 bytes each; b.dat is deleted.
class MainCopyPlanTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, true), 1);
        for (const char* name : {"a.dat", "b.dat", "c.dat"}) {
            m_heads.push_back(
                AddPicture(db, name, PatternBytes(3000, unsigned(name[0])), {}, 0, 0));
            ASSERT_GT(m_heads.back(), 0);
        }
        ASSERT_TRUE(DeletePicture(db, m_heads[1]));
    }
    // The entry of record with the key of family, or -1.
    std::int32_t EntryOf(char family, std::int32_t record) {
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(m_path, false), 1);
        for (std::int32_t i = 0; i < db.Index().EntryCount(); ++i) {
            CIndexEntry entry;
            if (db.Index().ReadEntry(entry, i) && entry.Key()[0] == family &&
                entry.record == record)
                return i;
        }
        return -1;
    }
    void PatchEntry(std::int32_t entry, int field, std::int32_t value) {
        PatchFileLe32(
            File("db.PXI"),
            IndexFormat::headerSize + std::int64_t{IndexFormat::entrySize} * entry + field, value);
    }
    // Builds the copy; the records it holds, or -1 when the build was refused.
    int Build() {
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(m_path, false), 1);
        CNoProgress progress;
        const std::string copy = File("copy.PXM");
        std::remove(copy.c_str());
        std::remove(File("copy.PXI").c_str());
        if (!BuildMainCopy(db, copy, progress))
            return FileExists(copy) ? -2 : -1;
        CPictureDatabase built;
        EXPECT_EQ(built.OpenDatabase(copy, false), 1);
        int records = 0;
        for (std::int32_t i = 0; i < built.Index().EntryCount(); ++i) {
            CIndexEntry entry;
            records += built.Index().ReadEntry(entry, i) && entry.Key()[0] == '!';
        }
        return records;
    }

    std::string m_path = File("db.PXM");
    std::vector<std::int32_t> m_heads;
};

TEST_F(MainCopyPlanTest, SoundIndexCopiesTheLiveRecords) {
    EXPECT_EQ(Build(), 2);
    EXPECT_TRUE(m_prompt.Messages().empty());
}

// A deletion stopped after the checksum and date entries leaves a record that is still
// live by its name.
TEST_F(MainCopyPlanTest, DeletionCutShortStillCopiesTheRecord) {
    for (char family : {'#', ' '})
        PatchEntry(EntryOf(family, m_heads[0]), 12, IndexFormat::flagDeleted);
    EXPECT_EQ(Build(), 2);
}

TEST_F(MainCopyPlanTest, DamagedIndexIsRebuiltFromTheMainFileFirst) {
    const std::vector<std::uint8_t> good = ReadFileBytes(File("db.PXI"));
    const struct {
        const char* what;
        std::function<void()> damage;
    } cases[] = {
        {"cut after the header",
         [&] { std::filesystem::resize_file(File("db.PXI"), IndexFormat::headerSize); }},
        {"cut inside the header", [&] { std::filesystem::resize_file(File("db.PXI"), 100); }},
        {"cut after the first entries",
         [&] {
             std::filesystem::resize_file(File("db.PXI"),
                                          IndexFormat::headerSize + 4 * IndexFormat::entrySize);
         }},
        {"name entry flagged deleted",
         [&] { PatchEntry(EntryOf('!', m_heads[2]), 12, IndexFormat::flagDeleted); }},
        {"name entry with other flags", [&] { PatchEntry(EntryOf('!', m_heads[2]), 12, 0x100); }},
        {"name entry naming a data block",
         [&] { PatchEntry(EntryOf('!', m_heads[2]), 48, m_heads[2] + 1); }},
        {"name entry naming a block past the end",
         [&] { PatchEntry(EntryOf('!', m_heads[2]), 48, 5000); }},
        {"key of no family", [&] { PatchEntry(EntryOf('!', m_heads[2]), 16, 0x7e); }},
        {"link past the end", [&] { PatchEntry(EntryOf('#', m_heads[0]), 4, 500); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(File("db.PXI"), good);
        c.damage();
        m_prompt.Clear();
        EXPECT_EQ(Build(), 3);
        EXPECT_FALSE(m_prompt.Messages().empty()) << "the rebuilt index is not mentioned";
    }
}

} // namespace
