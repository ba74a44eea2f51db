// The integrity check on a database the program wrote (records with keywords, stored and
// own thumbnails, a replaced thumbnail, a deleted record, changed keywords, a password):
// clean as written, every kind of damage found and blamed on the right file, and what
// interrupted additions leave behind noted, not taken for damage.
#include "storage/DatabaseCheck.h"
#include "platform/ByteOrder.h"
#include "platform/FaultInjection.h"
#include "platform/FileSystem.h"
#include "support/AddPicture.h"
#include "support/FormatWriter.h"
#include "support/NoProgress.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <functional>
#include <random>
#include <set>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::int64_t entryStart = 32792;

bool Has(const DatabaseCheckResult& result, std::string_view text) {
    return std::any_of(result.problems.begin(), result.problems.end(),
                       [&](const std::string& line) { return line.find(text) != line.npos; });
}

// Which files the result blames: "main", "index", "both" or "none".
std::string Blamed(const DatabaseCheckResult& r) {
    return r.mainDamaged ? (r.indexDamaged ? "both" : "main") : r.indexDamaged ? "index" : "none";
}

// Rebuilds the index of base from its main file and swaps it in; the reads the build made.
std::uint64_t RebuildIndex(const std::string& base) {
    std::uint64_t reads = 0;
    {
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(base, false), 1);
        FaultInjection::CScopedFault counting(FaultInjection::Operation::read, UINT64_MAX,
                                              FaultInjection::Fault::ioError);
        CNoProgress progress;
        EXPECT_EQ(BuildIndexFromMain(db, TemporaryIndexPath(db.GetMainPath()), progress), 1);
        reads = FaultInjection::Count(FaultInjection::Operation::read);
    }
    EXPECT_EQ(CompletePendingReconstruction(base + ".PXM"), 1);
    return reads;
}

// The number of notes holding text.
std::ptrdiff_t NoteCount(const DatabaseCheckResult& result, std::string_view text) {
    return std::count_if(result.notes.begin(), result.notes.end(),
                         [&](const std::string& line) { return line.find(text) != line.npos; });
}

// The end of a note on data blocks that no chain claims.
const std::string unreferenced = " that no record refers to (a replaced thumbnail or a write "
                                 "that did not complete), ignored";

void Put32(Bytes& bytes, std::int64_t offset, std::int32_t value) {
    PutLe32(bytes.data() + offset, value);
}

class DatabaseCheckTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("pics"), true), 1);
        m_thumbnails = {PatternBytes(300, 11), PatternBytes(2032, 2), PatternBytes(2100, 13)};
        m_beach = Add(db, "beach.jpg", PatternBytes(5000, 1), {"Sea", "Sun"});
        ASSERT_EQ(StoreThumbnail(db, m_beach, PatternBytes(300, 11)), 1);
        m_own = Add(db, "Beach.JPG", PatternBytes(2032, 2), {"sea"}); // ends in an empty block
        ASSERT_EQ(db.SetThumbnail(nullptr, m_own, false), 1);
        m_empty = Add(db, "empty.gif", {}, {});
        m_old = Add(db, "old.bmp", PatternBytes(3000, 4), {"x"});
        ASSERT_EQ(StoreThumbnail(db, m_old, PatternBytes(100, 12)), 1);
        ASSERT_EQ(StoreThumbnail(db, m_old, PatternBytes(2100, 13)),
                  1); // the first one stays unreferenced
        ASSERT_TRUE(DeletePicture(db, m_old));
        CRecordHead head;
        const std::int32_t keys = Add(db, "keys.tif", PatternBytes(10, 5), {"a"});
        ASSERT_EQ(db.ReadHead(head, keys), 1);
        CRecordHead changed = head;
        changed.SetKeyword(0, "b");
        changed.SetKeyword(1, "c");
        ASSERT_EQ(db.ChangeKeywords(keys, head, changed), 1);
        ASSERT_EQ(db.SetPassword("secret"), 1);
        db.Close();
        m_main = ReadFileBytes(File("pics.PXM"));
        m_index = ReadFileBytes(File("pics.PXI"));
    }

    static std::int32_t Add(CPictureDatabase& db, const std::string& name, const Bytes& picture,
                            const CPictureDatabase::Keywords& keywords) {
        const std::int32_t head = AddPicture(db, "/photos/" + name, picture, keywords);
        EXPECT_GT(head, 0) << name;
        return head;
    }

    // Stands in for the decoder: a thumbnail decodes when its bytes are one of those stored.
    ThumbnailCheck Decoder() {
        return [this](std::span<const std::uint8_t> bytes) {
            m_seen.emplace_back(bytes.begin(), bytes.end());
            return std::find(m_thumbnails.begin(), m_thumbnails.end(), m_seen.back()) !=
                   m_thumbnails.end();
        };
    }
    DatabaseCheckResult CheckCopy(const Bytes& main, const Bytes& index, bool quick = false) {
        WriteFileBytes(File("copy.PXM"), main);
        WriteFileBytes(File("copy.PXI"), index);
        return CheckDatabase(File("copy"), quick, Decoder());
    }
    // The number of the entry holding key.
    std::int32_t EntryOf(std::string_view key) const {
        for (std::int64_t at = entryStart; at + 52 <= std::int64_t(m_index.size()); at += 52)
            if (key == reinterpret_cast<const char*>(&m_index[at + 16]))
                return std::int32_t((at - entryStart) / 52);
        ADD_FAILURE() << "no entry " << key;
        return 0;
    }
    static std::int64_t Entry(std::int32_t i) { return entryStart + 52 * std::int64_t(i); }
    static std::int64_t Block(std::int32_t b) { return 2048 * std::int64_t(b); }
    // The block after the last one of the database as written.
    std::int32_t End() const { return std::int32_t(m_main.size() / 2048); }

    // Appends a record holding picture to the main file, as an addition writes it before
    // its index entries. Returns the head's block.
    std::int32_t AppendUnfinished(const Bytes& picture) {
        std::int32_t block = -1;
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(File("pics"), false), 1);
        CRecordHead head;
        head.SetFileName("cut.jpg");
        head.SetCrc(UpdateCrc16(0, picture));
        head.SetDataSize(std::uint32_t(picture.size()));
        CMemFile file;
        FillMemFile(file, picture);
        EXPECT_EQ(db.Main().AppendRecord(file, block, head), 1);
        return block;
    }
    // The note on the thumbnail of m_old that a second one replaced.
    std::string ReplacedThumbnail() const {
        return "block " + std::to_string(m_old + 3) + ": a data block" + unreferenced;
    }

    Bytes m_main, m_index;
    std::vector<Bytes> m_thumbnails, m_seen;
    std::int32_t m_beach = 0, m_own = 0, m_empty = 0, m_old = 0;
};

TEST_F(DatabaseCheckTest, WrittenDatabaseIsCleanFullAndQuickWhileItsWriterHoldsIt) {
    CPictureDatabase writer;
    ASSERT_EQ(writer.OpenDatabase(File("pics"), true), 1);
    ASSERT_FALSE(writer.IsReadOnly());
    const DatabaseCheckResult full = CheckDatabase(File("pics.PXI"), false, Decoder());
    EXPECT_TRUE(full.Clean()) << Joined(full.problems);
    EXPECT_EQ(full.notes, std::vector<std::string>{ReplacedThumbnail()}) << Joined(full.notes);
    EXPECT_EQ(full.records, 5);
    EXPECT_EQ(full.liveRecords, 4);
    EXPECT_EQ(full.entries, 22);
    // Stored thumbnails and the picture serving as its own, each exactly once.
    std::sort(m_seen.begin(), m_seen.end());
    std::sort(m_thumbnails.begin(), m_thumbnails.end());
    EXPECT_EQ(m_seen, m_thumbnails);

    const DatabaseCheckResult quick = CheckDatabase(File("pics"), true);
    EXPECT_TRUE(quick.Clean()) << Joined(quick.problems);
    EXPECT_EQ(quick.records, -1);
    EXPECT_EQ(quick.entries, 22);
    writer.Close();
    EXPECT_EQ(ReadFileBytes(File("pics.PXM")), m_main);
    EXPECT_EQ(ReadFileBytes(File("pics.PXI")), m_index);
}

TEST_F(DatabaseCheckTest, MainFileDamageIsFoundAndBlamedOnTheMainFile) {
    const std::int32_t b = m_beach; // head, then a chain of 2032, 2032 and 936 bytes
    auto put = [](std::int64_t at, std::int32_t value) {
        return [=](Bytes& m) { Put32(m, at, value); };
    };
    const std::vector<std::pair<std::function<void(Bytes&)>, std::string>> cases = {
        {[&](Bytes& m) { m[Block(b + 2) + 100] ^= 4; }, "record at block 1: the picture's CRC is"},
        {put(Block(b + 1) + 4, 500), "links to block 500, past the end"},
        {put(Block(b + 2) + 4, b + 1), "loops back to block 2"},
        {put(Block(b + 3) + 4, m_own + 1), "in the picture chain of record at block 1"},
        {put(Block(b + 3) + 12, 3000), "byte count 3000 outside 0 to 2032"},
        {put(Block(b + 2) + 0, 7), "block 3: previous link 7"},
        {put(Block(b) + 472, 4999), "data size 4999, but the picture chain holds 5000 bytes"},
        {put(Block(b) + 476, -5), "links to block -5, which holds no"},
        {put(Block(m_old + 3) + 8, 7), "kind 7, neither data"},
        {[&](Bytes& m) { m[14] = 'p'; }, "main header: the format string"},
        {[&](Bytes& m) { m[280 + 12] = 1; }, "password field is damaged"},
        // The last record, with its entries, loses the end of its chain.
        {[&](Bytes& m) { m.resize(m.size() - 1000); },
         "picture chain of record at block 17: links to block 18, past the end of the file"},
        {[&](Bytes& m) { m[Block(b + 4) + 20] ^= 1; },
         "record at block 1: the thumbnail (300 bytes from block 5) does not decode"},
        {[&](Bytes& m) { m[Block(m_own + 1) + 16] ^= 1; }, "its own thumbnail, does not decode"},
    };
    for (const auto& [damage, expected] : cases) {
        Bytes main = m_main;
        damage(main);
        const DatabaseCheckResult result = CheckCopy(main, m_index);
        EXPECT_TRUE(Has(result, expected)) << expected << "\n" << Joined(result.problems);
        EXPECT_EQ(Blamed(result), "main") << expected;
    }
    // The quick check sees the header and the length: a partial last block is what an
    // interrupted append leaves, a note; the full check finds the record it cuts.
    Bytes main = m_main;
    main.resize(main.size() - 1);
    for (bool quick : {true, false}) {
        const DatabaseCheckResult result = CheckCopy(main, m_index, quick);
        EXPECT_EQ(NoteCount(result, "main file: 2047 bytes after the last whole block (a write "
                                    "that did not complete), ignored"),
                  1)
            << Joined(result.notes);
        EXPECT_EQ(result.mainDamaged, !quick) << Joined(result.problems);
    }
    WriteFileBytes(File("copy.PXM"), Bytes{});
    EXPECT_TRUE(CheckDatabase(File("copy"), true).mainDamaged);
}

TEST_F(DatabaseCheckTest, IndexDamageIsFoundAndBlamedOnTheIndexFile) {
    const std::int32_t first = GetLe32(&m_index[24]);
    const std::string crc = "#" + std::to_string(UpdateCrc16(0, PatternBytes(5000, 1)));
    // Each case: the damage, a problem it must cause, whether the quick check sees it too.
    auto set = [&](const std::string& key, int field, std::int32_t value) {
        return [=, at = Entry(EntryOf(key)) + field](Bytes& x) { Put32(x, at, value); };
    };
    auto text = [&](const char* key, const char* value) {
        return [=, at = Entry(EntryOf(key)) + 16](Bytes& x) { std::copy_n(value, 7, &x[at]); };
    };
    auto header = [](int at, std::int32_t value) { return [=](Bytes& x) { Put32(x, at, value); }; };
    const std::vector<std::tuple<std::function<void(Bytes&)>, std::string, bool>> cases = {
        {set("#0", 48, m_beach), "record at block 9: no entry for its key \"#0\"", false},
        {set("!beach.jpg", 48, m_beach + 1), "names block 2, which is not a record head", false},
        {text("!beach.jpg", "!zzz\0\0"), "sorts before \"!zzz\"", false},
        {set("!old.bmp", 4, first), "next link leads back to entry", false},
        {set("!old.bmp", 0, first), "previous link", false},
        {set(crc, 12, 1), "its entry for \"" + crc + "\" is flagged deleted", false},
        {text("#0", "#70000"), "CRC key is not a number", false},
        {header(24 + 4, 9999), "skip slot 1: names entry 9999", true},
        {header(24 + 400, 3), "skip slot 100: unused, but holds 3", true},
        {header(24, EntryOf("!old.bmp")), "is not the first of the list", true},
        {[&](Bytes& x) { x[10] = 'Q'; }, "format string is not \"PDX.100.00\"", true},
        {[&](Bytes& x) { x.resize(x.size() - 30); }, "22 bytes after the last whole entry", true},
    };
    for (const auto& [damage, expected, quick] : cases) {
        Bytes index = m_index;
        damage(index);
        for (bool mode : {false, quick}) {
            const DatabaseCheckResult result = CheckCopy(m_main, index, mode);
            EXPECT_TRUE(Has(result, expected)) << expected << "\n" << Joined(result.problems);
            EXPECT_EQ(Blamed(result), "index") << expected;
        }
    }
}

TEST_F(DatabaseCheckTest, HeadsSentRoundOneLongChainCostBoundedWork) {
    // 40 heads without entries share one chain of 100 blocks, one byte shorter than each
    // head's data size, with 600 empty blocks between, so that the chain lies far from the
    // heads. Judging each would read the chain 40 times; the judging stops after twice the
    // file's blocks, and the heads left count as records, whose chains then fail the full
    // check.
    Bytes main = m_main;
    const std::int32_t chain = End();
    const Bytes picture = PatternBytes(100 * 2032, 3);
    for (std::int32_t k = 0; k < 100; ++k) {
        main.resize(main.size() + 2048, 0);
        Put32(main, Block(chain + k) + 4, k == 99 ? -1 : chain + k + 1);
        Put32(main, Block(chain + k) + 12, 2032);
        std::copy_n(picture.begin() + 2032 * k, 2032, main.begin() + Block(chain + k) + 16);
    }
    main.resize(main.size() + 600 * 2048, 0);
    for (int k = 0; k < 40; ++k) {
        const std::int64_t head = std::int64_t(main.size());
        main.resize(main.size() + 2048, 0);
        Put32(main, head + 4, chain);
        Put32(main, head + 8, 1);
        PutLe16(&main[head + 12], UpdateCrc16(0, picture));
        Put32(main, head + 472, 100 * 2032 + 1);
    }
    const std::int32_t blocks = std::int32_t(main.size() / 2048);
    const std::string shortChain = "picture chain holds 203200 bytes, the head says 203201";
    DatabaseCheckResult result = CheckCopy(main, m_index);
    // Each judged head reads the 100 blocks: as many as twice the file's blocks allow.
    const std::ptrdiff_t judged = 2 * blocks / 100;
    EXPECT_EQ(NoteCount(result, shortChain), judged) << Joined(result.notes);
    EXPECT_EQ(Blamed(result), "both");
    EXPECT_TRUE(Has(result, "no index entry names it"));
    EXPECT_EQ(result.records, 5 + 40 - judged);

    // An index rebuild judges the heads within the same bound, reading each block of the
    // scan once and the chain no more often than that allows; the heads it leaves undecided
    // keep their entries, and the check afterwards agrees on both kinds.
    EXPECT_LE(RebuildIndex(File("copy")), std::uint64_t(2 * blocks + 8));
    result = CheckDatabase(File("copy"), false);
    EXPECT_EQ(NoteCount(result, shortChain), judged) << Joined(result.notes);
    EXPECT_EQ(Blamed(result), "main") << Joined(result.problems);
    EXPECT_EQ(result.records, 5 + 40 - judged);
}

// A record without entries whose chain is complete but whose bytes fail the CRC is a
// damaged picture, not an unfinished addition: an index rebuild keeps it, its mostly
// intact bytes read back, and the check finds the same CRC problem before and after.
TEST_F(DatabaseCheckTest, CompleteRecordFailingItsCrcIsDamageBeforeAndAfterAnIndexRebuild) {
    const std::int32_t e = End();
    const std::string at = std::to_string(e);
    const std::string crcProblem = "record at block " + at + ": the picture's CRC is";
    const Bytes picture = PatternBytes(5000, 9);
    ASSERT_EQ(AppendUnfinished(picture), e);
    const Bytes complete = ReadFileBytes(File("pics.PXM"));
    Bytes main = complete;
    main[Block(e + 3) + 20] ^= 1;
    DatabaseCheckResult result = CheckCopy(main, m_index);
    EXPECT_EQ(Blamed(result), "both");
    EXPECT_TRUE(Has(result, "record at block " + at + ": no index entry names it") &&
                Has(result, crcProblem))
        << Joined(result.problems);
    EXPECT_EQ(NoteCount(result, "unfinished"), 0) << Joined(result.notes);
    EXPECT_EQ(result.records, 6);

    RebuildIndex(File("copy"));
    result = CheckDatabase(File("copy"), false, Decoder());
    EXPECT_EQ(Blamed(result), "main");
    EXPECT_TRUE(result.problems.size() == 1 && Has(result, crcProblem)) << Joined(result.problems);
    EXPECT_EQ(result.records, 6);
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(File("copy"), false), 1);
        CMemFile back;
        CRecordHead head;
        ASSERT_EQ(db.Main().CopyPicture(back, e, head), 1);
        Bytes expected = picture;
        expected[2 * 2032 + 4] ^= 1;
        EXPECT_TRUE(std::ranges::equal(back.Data(), expected));
    }

    // A complete chain that is another record's picture (as long, other bytes) is damage
    // too, not an unfinished addition.
    main = complete;
    Put32(main, Block(e) + 4, m_beach + 1);
    result = CheckCopy(main, m_index);
    EXPECT_EQ(Blamed(result), "both");
    EXPECT_TRUE(Has(result, "block " + std::to_string(m_beach + 1) +
                                ": in the picture chain of record at block " + at))
        << Joined(result.problems);
    EXPECT_EQ(NoteCount(result, "unfinished"), 0) << Joined(result.notes);
}

TEST_F(DatabaseCheckTest, EveryFailingReadIsReportedAsAProblem) {
    std::uint64_t reads = 0;
    {
        FaultInjection::CScopedFault counting(FaultInjection::Operation::read, UINT64_MAX,
                                              FaultInjection::Fault::ioError);
        ASSERT_TRUE(CheckDatabase(File("pics"), false, Decoder()).Clean());
        reads = FaultInjection::Count(FaultInjection::Operation::read);
    }
    ASSERT_GE(reads, 4u); // index header and entries, main header and blocks, chains
    for (std::uint64_t nth = 1; nth <= reads; ++nth) {
        FaultInjection::CScopedFault fault(FaultInjection::Operation::read, nth,
                                           FaultInjection::Fault::ioError);
        const DatabaseCheckResult result = CheckDatabase(File("pics"), false, Decoder());
        EXPECT_TRUE(FaultInjection::Fired());
        EXPECT_TRUE(Has(result, "cannot be read: Hardware failure")) << nth << "\n"
                                                                     << Joined(result.problems);
    }
}

TEST_F(DatabaseCheckTest, HostileFilesGiveProblemsNeverACrash) {
    // Single bit flips anywhere; in a picture's bytes the CRC must always see them.
    std::mt19937 random(5);
    for (int round = 0; round < 300; ++round) {
        Bytes main = m_main, index = m_index;
        const bool inMain = round % 2 == 0;
        Bytes& target = inMain ? main : index;
        const std::size_t at = random() % target.size();
        target[at] ^= std::uint8_t(1u << (random() % 8));
        const DatabaseCheckResult result = CheckCopy(main, index, round % 5 == 0);
        // The picture of m_beach: 2032, 2032 and 936 bytes in the blocks after its head.
        const std::int64_t offset = std::int64_t(at) - Block(m_beach + 1);
        const std::int64_t payload = offset % 2048 - 16, used = offset < Block(2) ? 2032 : 936;
        if (inMain && round % 5 != 0 && offset >= 0 && offset < Block(3) && payload >= 0 &&
            payload < used) {
            EXPECT_TRUE(result.mainDamaged) << "bit flipped at " << at;
        }
    }
    // Every block a head whose chain is itself; every entry its own next and previous; the
    // skip table full of one entry.
    Bytes main = m_main, index = m_index;
    for (std::int32_t b = 1; b < std::int32_t(main.size() / 2048); ++b) {
        Put32(main, Block(b) + 4, b);
        Put32(main, Block(b) + 8, 1);
        Put32(main, Block(b) + 476, b);
    }
    for (std::int32_t i = 0; i < 22; ++i) {
        Put32(index, Entry(i), i);
        Put32(index, Entry(i) + 4, i);
    }
    Put32(index, 20, 8192);
    for (int k = 0; k < 8192; ++k)
        Put32(index, 24 + 4 * k, 3);
    const DatabaseCheckResult result = CheckCopy(main, index);
    EXPECT_EQ(Blamed(result), "both");
    // Long runs of one kind of problem are summed up, not listed one by one.
    EXPECT_LT(result.problems.size(), 200u) << Joined(result.problems);

    // An index file claiming more entries than can be checked is refused before reading.
    WriteFileBytes(File("copy.PXM"), m_main);
    WriteFileBytes(File("copy.PXI"), m_index);
    ASSERT_EQ(::truncate(File("copy.PXI").c_str(), entryStart + 52 * ((1 << 22) + 1)), 0);
    const DatabaseCheckResult large = CheckDatabase(File("copy"), false);
    EXPECT_TRUE(Has(large, "too many to check")) << Joined(large.problems);
}

// Files from the independent writer: case variants of names and keywords, a keyword twice
// in one record, equal dates, hundreds of insertions between rebuilds of the skip table,
// changed keywords, deletions, replaced thumbnails. A false alarm here would show.
TEST(DatabaseCheckFormatTest, IndependentlyWrittenDatabasesCheckClean) {
    CTempDir temp;
    CFormatWriter writer(1234567890);
    std::mt19937 random(11);
    const char* words[] = {"sea", "Sea", "SUN", "beach", "a very long keyword beyond its field",
                           ""};
    // A keyword above every other keeps the later keys off the end of the list, where an
    // append would rebuild the skip table at once.
    std::vector<std::int32_t> heads{writer.AddRecord({.name = "last", .keywords = {"zzzz"}})};
    std::set<std::int32_t> deleted;
    for (int i = 0; i < 400; ++i) {
        CFormatRecord record;
        record.name = (i % 3 ? "IMG_" : "img_") + std::to_string(random() % 150) + ".jpg";
        record.dateSaved = i % 7 == 0 ? -1 : 999999990 + std::int32_t(random() % 20);
        for (int slot = 0; slot < 6; ++slot)
            record.keywords[slot] = words[random() % 6];
        record.picture = PatternBytes(random() % 6000, unsigned(i));
        heads.push_back(writer.AddRecord(record));
        if (i % 4 == 0) {
            ASSERT_EQ(writer.StoreThumbnail(heads.back(), PatternBytes(random() % 3000, 1)), 1);
        }
        // The program changes the keywords of live records only.
        const std::int32_t some = heads[random() % heads.size()];
        if (i % 9 == 0 && !deleted.contains(some)) {
            ASSERT_EQ(writer.ChangeKeywords(some, {words[random() % 6], "sea", "sea"}), 1);
        }
        if (i % 11 == 0) {
            ASSERT_EQ(writer.DeleteRecord(some), 1);
            deleted.insert(some);
        }
    }
    ASSERT_GT(writer.GetRebuildsByCount(), 0);
    WriteFileBytes(temp.File("w.PXM"), writer.MainBytes());
    WriteFileBytes(temp.File("w.PXI"), writer.IndexBytes());
    const DatabaseCheckResult result = CheckDatabase(temp.File("w"), false);
    EXPECT_TRUE(result.Clean()) << Joined(result.problems);
    EXPECT_EQ(result.records, 401);
    EXPECT_TRUE(CheckDatabase(temp.File("w"), true).Clean());
}

} // namespace
