// The program's database files against the independent reading and writing of the format:
// what the program writes reads clean, its files equal byte for byte those written by the
// literal algorithms from the same operations, it reads what the format writer wrote, and
// the command-line tool's databases read clean too.
#include "support/FormatReader.h"
#include "support/FormatWriter.h"
#include "support/TestSupport.h"

#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "storage/PictureDatabase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <sstream>

#include <sys/wait.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Keywords = CPictureDatabase::Keywords;

// "" when equal, else where the two files first differ.
std::string FirstDifference(const Bytes& expected, const Bytes& actual, bool index) {
    auto [e, a] = std::mismatch(expected.begin(), expected.end(), actual.begin(), actual.end());
    if (e == expected.end() && a == actual.end())
        return "";
    const std::size_t offset = std::size_t(e - expected.begin());
    std::ostringstream text;
    text << "lengths " << expected.size() << " and " << actual.size() << ", first difference at "
         << offset;
    if (index && offset >= 32792)
        text << " (entry " << (offset - 32792) / 52 << ", byte " << (offset - 32792) % 52 << ")";
    else if (!index)
        text << " (block " << offset / 2048 << ", byte " << offset % 2048 << ")";
    if (e != expected.end() && a != actual.end())
        text << ": expected " << int(*e) << ", got " << int(*a);
    return text.str();
}

// The whole file, read in one piece (the per-insertion comparisons read it often).
Bytes WholeFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    Bytes bytes(file ? std::size_t(file.tellg()) : 0);
    file.seekg(0);
    file.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

Bytes MemBytes(const CMemFile& file) {
    return Bytes(file.Data().begin(), file.Data().end());
}

// Drives a CPictureDatabase and logs every change, so that the same changes can be
// replayed into the format writer.
class FormatInteropTest : public CTempDirTest {
protected:
    struct Step {
        enum Kind { add, ownThumbnail, storedThumbnail, keywords, remove, password, reopen };
        Kind kind = reopen;
        std::int32_t head = -1;
        CFormatRecord record;
        Bytes bytes;
        Keywords words;
        std::string text;
    };

    std::string Base() const { return File("pictures"); }

    Step& Log(Step::Kind kind, std::int32_t head = -1) {
        m_steps.emplace_back();
        m_steps.back().kind = kind;
        m_steps.back().head = head;
        return m_steps.back();
    }

    void Reopen() {
        m_db = std::make_unique<CPictureDatabase>();
        ASSERT_EQ(m_db->OpenDatabase(Base() + ".PXM", true), 1);
        Log(Step::reopen);
    }

    std::int32_t Add(const std::string& name, const Bytes& picture, const Keywords& words = {},
                     std::int32_t created = 0) {
        Step step;
        step.kind = Step::add;
        step.head = m_db->Main().BlockCount();
        step.record.name = name;
        step.record.dateImageCreated = created;
        step.record.keywords = words;
        step.record.width = std::uint32_t(picture.size() % 997);
        step.record.height = 17;
        step.record.picture = picture;
        CMemFile file;
        FillMemFile(file, picture);
        EXPECT_EQ(m_db->AddRecord(file, CFormatWriter::Crc16(picture), "/photos/" + name, created,
                                  step.record.width, step.record.height, words),
                  1);
        m_steps.push_back(step);
        return step.head;
    }

    void OwnThumbnail(std::int32_t head) {
        EXPECT_EQ(m_db->SetThumbnail(nullptr, head, false), 1);
        Log(Step::ownThumbnail, head);
    }

    void StoreThumbnail(std::int32_t head, const Bytes& bytes) {
        CMemFile file;
        FillMemFile(file, bytes);
        EXPECT_EQ(m_db->SetThumbnail(&file, head, true), 1);
        Log(Step::storedThumbnail, head).bytes = bytes;
    }

    void ChangeKeywords(std::int32_t head, const Keywords& words) {
        CRecordHead before, after;
        ASSERT_EQ(m_db->ReadHead(before, head), 1);
        after = before;
        for (int slot = 0; slot < 6; ++slot)
            after.SetKeyword(slot, words[slot]);
        EXPECT_EQ(m_db->ChangeKeywords(head, before, after), 1);
        Log(Step::keywords, head).words = words;
    }

    void Delete(std::int32_t head) {
        CRecordHead record;
        ASSERT_EQ(m_db->ReadHead(record, head), 1);
        EXPECT_EQ(m_db->DeleteRecord(head, record), 1);
        Log(Step::remove, head);
    }

    void SetPassword(const std::string& text) {
        EXPECT_EQ(m_db->SetPassword(text), 1);
        Log(Step::password).text = text;
    }

    // The logged changes applied to the format writer, with the dates the program chose.
    CFormatWriter Replay(const CFormatReader& program) const {
        CFormatWriter writer(program.CreationTime());
        for (const Step& step : m_steps) {
            switch (step.kind) {
            case Step::add: {
                CFormatRecord record = step.record;
                const CFormatReader::Record* head = program.FindRecord(step.head);
                record.dateSaved = head ? head->dateSaved : 0;
                EXPECT_EQ(writer.AddRecord(record), step.head);
                break;
            }
            case Step::ownThumbnail:
                EXPECT_EQ(writer.UsePictureAsThumbnail(step.head), 1);
                break;
            case Step::storedThumbnail:
                EXPECT_EQ(writer.StoreThumbnail(step.head, step.bytes), 1);
                break;
            case Step::keywords:
                EXPECT_EQ(writer.ChangeKeywords(step.head, step.words), 1);
                break;
            case Step::remove:
                EXPECT_EQ(writer.DeleteRecord(step.head), 1);
                break;
            case Step::password:
                writer.SetPassword(step.text);
                break;
            case Step::reopen:
                writer.ReopenIndex();
                break;
            }
        }
        return writer;
    }

    // Reads the program's files, expects them clean and equal to the replayed writer's.
    CFormatReader CheckAgainstReplay() {
        m_db.reset();
        CFormatReader program;
        program.ReadDatabase(Base());
        EXPECT_TRUE(program.IsClean()) << program.Report();
        const CFormatWriter writer = Replay(program);
        EXPECT_EQ(FirstDifference(writer.IndexBytes(), WholeFile(Base() + ".PXI"), true), "");
        EXPECT_EQ(FirstDifference(writer.MainBytes(), WholeFile(Base() + ".PXM"), false), "");
        m_rebuildsByCount = writer.GetRebuildsByCount();
        return program;
    }

    std::unique_ptr<CPictureDatabase> m_db;
    std::vector<Step> m_steps;
    int m_rebuildsByCount = 0;
};

TEST_F(FormatInteropTest, ProgramDatabaseReadsCleanAndMatchesTheLiteralWriter) {
    Reopen();
    const Bytes thumbnail = PatternBytes(300, 90), secondThumbnail = PatternBytes(2100, 91);
    const std::int32_t sea = Add("Beach.jpg", PatternBytes(5000, 1), {"sea", "Holiday"}, 1000);
    const std::int32_t own = Add("beach.JPG", PatternBytes(2032, 2), {"Sea"});
    const std::int32_t twice = Add("beach.jpg", PatternBytes(2033, 3));
    const std::int32_t empty =
        Add("empty.gif", {}, {"a keyword much longer than thirty-one bytes"});
    const std::int32_t longName =
        Add("a file name that is longer than thirty bytes.tif", PatternBytes(100, 5),
            {"k1", "k2", "k3", "k4", "k5", "k6"}, -1);
    const std::int32_t zebra = Add("zebra.bmp", PatternBytes(4064, 6), {"", "sea"});
    StoreThumbnail(sea, thumbnail);
    OwnThumbnail(own);
    StoreThumbnail(twice, thumbnail);
    StoreThumbnail(twice, secondThumbnail);
    ChangeKeywords(sea, {"Holiday", "beach"});
    Delete(zebra);
    SetPassword("secret12");

    const CFormatReader program = CheckAgainstReplay();
    EXPECT_TRUE(m_prompt.Texts().empty());
    ASSERT_EQ(program.Records().size(), 6u);
    EXPECT_EQ(program.Password(), "secret12");
    EXPECT_EQ(program.UnreferencedChains(), 1);
    EXPECT_EQ(program.FindRecord(sea)->thumbnail, thumbnail);
    EXPECT_EQ(program.FindRecord(own)->thumbnail, PatternBytes(2032, 2));
    EXPECT_EQ(program.FindRecord(twice)->thumbnail, secondThumbnail);
    EXPECT_TRUE(program.FindRecord(empty)->picture.empty());
    EXPECT_EQ(program.FindRecord(empty)->keywords[0], "a keyword much longer than thir");

    // Names equal after lower-casing keep the order in which they were added.
    std::vector<std::int32_t> nameOrder;
    for (const CFormatReader::Entry& entry : program.Entries()) {
        if (entry.key[0] == '!')
            nameOrder.push_back(entry.record);
    }
    EXPECT_EQ(nameOrder, (std::vector<std::int32_t>{longName, sea, own, twice, empty, zebra}));
    for (const CFormatReader::Entry& entry : program.Entries()) {
        const bool removed = entry.record == zebra || (entry.record == sea && entry.key == "@sea");
        EXPECT_EQ(entry.IsDeleted(), removed) << entry.key << " of " << entry.record;
    }
}

TEST_F(FormatInteropTest, IndexMatchesLiteralInsertionOverThousandsOfRecords) {
    Reopen();
    std::mt19937 random(20240601);
    const std::vector<std::string> words = {"sea",  "Sea",   "forest", "city",  "night", "dog",
                                            "cat",  "Alps",  "alps",   "river", "snow",  "zoo",
                                            "bird", "ZEBRA", "work",   "home",  "moon",  "sun"};
    // A keyword above every other keeps later keyword keys off the end of the list, where
    // each append would rebuild the skip table and reset the count.
    std::vector<std::int32_t> live = {Add("first.jpg", PatternBytes(10), {"zzzz"})};
    const int count = 2500;
    for (int i = 0; i < count; ++i) {
        const unsigned n = random() % 700;
        std::string name = (random() % 3 == 0 ? "img_" : "IMG_") + std::to_string(n) +
                           (random() % 2 ? ".jpg" : ".JPG");
        // Keywords of one record differ even after lower-casing: a change that drops one of
        // two such keywords would flag the other's entry too and leave the index short.
        Keywords keywords;
        for (unsigned k = 0, used = random() % 4; k < used; ++k) {
            keywords[k] = words[random() % words.size()];
            for (unsigned j = 0; j < k; ++j) {
                if (CFormatWriter::CompareFolded(keywords[j], keywords[k]) == 0)
                    keywords[k].clear();
            }
        }
        const std::int32_t head =
            Add(name, PatternBytes(random() % 2600, unsigned(i)), keywords, std::int32_t(random()));
        live.push_back(head);
        if (i % 9 == 0)
            OwnThumbnail(head);
        if (i % 11 == 0)
            StoreThumbnail(head, PatternBytes(150 + i % 50, unsigned(i) + 7));
        if (i % 17 == 16) {
            const std::size_t victim = random() % live.size();
            Delete(live[victim]);
            live.erase(live.begin() + std::ptrdiff_t(victim));
        }
        if (i % 23 == 22)
            ChangeKeywords(live[random() % live.size()], {words[random() % words.size()], "new"});
        if (i == count / 2)
            Reopen();
    }
    const CFormatReader program = CheckAgainstReplay();
    EXPECT_EQ(program.Records().size(), std::size_t(count) + 1);
    EXPECT_GE(m_rebuildsByCount, 5) << "the drive should rebuild the skip table by count";
}

// Hundreds of insertions between two entries (each bumps only the file's count, so the skip
// table is rebuilt by count) and a few at the head of the list, which write the cached
// header and with it a count that lags behind the file's, except right after a reopening.
TEST_F(FormatInteropTest, IndexMatchesLiteralInsertionInTheMiddleAndAtTheHead) {
    const std::string path = File("keys.PXI");
    auto index = std::make_unique<CIndexFile>();
    ASSERT_EQ(index->Create(path), 1);
    CFormatWriter writer;
    std::mt19937 random(7);
    auto insert = [&](const std::string& key, std::int32_t record) {
        CIndexEntry entry;
        entry.flags = 0;
        entry.SetKey(key);
        entry.record = record;
        ASSERT_EQ(index->InsertKey(entry, true), 1);
        ASSERT_EQ(writer.InsertKey(key, record), 1);
        ASSERT_EQ(FirstDifference(writer.IndexBytes(), WholeFile(path), true), "")
            << "after inserting \"" << key << "\"";
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

TEST_F(FormatInteropTest, ProgramReadsDatabasesWrittenFromTheFormat) {
    std::vector<CFormatRecord> records(7);
    const char* names[] = {"Tree.gif",  "tree.GIF", "apple.jpg",
                           "empty.bmp", "TREE.gif", "a name that runs past thirty bytes.jpg",
                           "exact.tif"};
    const std::size_t sizes[] = {300, 2032, 9000, 0, 2033, 64, 4064};
    for (std::size_t i = 0; i < records.size(); ++i) {
        CFormatRecord& record = records[i];
        record.name = names[i];
        record.dateSaved = std::int32_t(999999990 + 3 * i);
        record.dateImageCreated = std::int32_t(i);
        record.keywords = {i % 2 ? "odd" : "even", i == 2 ? "Fruit" : ""};
        record.width = std::uint32_t(10 + i);
        record.height = std::uint32_t(20 + i);
        record.picture = PatternBytes(sizes[i], unsigned(i) + 40);
        record.thumbnail = CFormatRecord::Thumbnail(i % 3);
        record.thumbnailBytes = PatternBytes(100 + i, unsigned(i) + 80);
    }
    const CFormatWriter writer = CFormatWriter::Build(records, 1234567890, "pass1234");
    CFormatReader written;
    written.Read(writer.MainBytes(), writer.IndexBytes());
    ASSERT_TRUE(written.IsClean()) << written.Report();
    ASSERT_TRUE(writer.WriteFiles(Base()));

    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(Base() + ".PXI", false), 1);
    EXPECT_TRUE(m_prompt.Texts().empty());
    std::string password;
    EXPECT_EQ(db.GetPassword(password), 1);
    EXPECT_EQ(password, "pass1234");

    std::vector<std::int32_t> heads;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const std::int32_t block = written.Records()[i].block;
        heads.push_back(block);
        CMemFile picture, thumbnail;
        CRecordHead head;
        ASSERT_EQ(db.ReadPicture(picture, block, head), 1);
        EXPECT_EQ(MemBytes(picture), records[i].picture) << names[i];
        EXPECT_EQ(head.FileName(), records[i].name);
        EXPECT_EQ(head.DateSaved(), records[i].dateSaved);
        EXPECT_EQ(head.Keyword(0), records[i].keywords[0]);
        EXPECT_EQ(db.GetDataSize(block), std::int64_t(sizes[i]));
        const bool hasThumbnail = records[i].thumbnail != CFormatRecord::Thumbnail::none;
        ASSERT_EQ(db.ReadThumbnail(thumbnail, head), hasThumbnail ? 1 : 0);
        if (hasThumbnail) {
            EXPECT_EQ(MemBytes(thumbnail), written.Records()[i].thumbnail) << names[i];
        }
    }

    // FindExact gives the last of the keys equal after lower-casing.
    CIndexFile& index = db.Index();
    CIndexEntry entry;
    ASSERT_EQ(index.ReadEntry(entry, index.FindExact("!tree.gif", true)), 1);
    EXPECT_EQ(entry.record, heads[4]);
    ASSERT_EQ(index.ReadEntry(entry, index.FindExact("@fruit", true)), 1);
    EXPECT_EQ(entry.record, heads[2]);
    EXPECT_EQ(index.FindExact("!tree.gi", true), -1);

    // Both orders walk the records as the keys sort, equal keys in the order added.
    auto walk = [&](int family) {
        index.SetOrder(family);
        std::vector<std::int32_t> seen;
        bool wrapped = false;
        for (int ok = index.GoFirst(); ok && !wrapped && seen.size() <= records.size();
             ok = index.GoNext(wrapped))
            seen.push_back(index.GetCurrentRecord());
        return seen;
    };
    auto sorted = [&](const std::function<std::string(const CFormatRecord&)>& key) {
        std::vector<std::size_t> order(records.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return CFormatWriter::CompareFolded(key(records[a]), key(records[b])) < 0;
        });
        std::vector<std::int32_t> blocks;
        for (std::size_t i : order)
            blocks.push_back(heads[i]);
        return blocks;
    };
    EXPECT_EQ(walk(OrderFamily::fileName),
              sorted([](const CFormatRecord& r) { return CFormatWriter::NameKey(r.name); }));
    EXPECT_EQ(walk(OrderFamily::dateSaved),
              sorted([](const CFormatRecord& r) { return CFormatWriter::DateKey(r.dateSaved); }));
}

// The reader must see damage, or a clean report would prove nothing.
TEST_F(FormatInteropTest, ReaderReportsDamage) {
    std::vector<CFormatRecord> records(3);
    for (std::size_t i = 0; i < records.size(); ++i) {
        records[i].name = "p" + std::to_string(i) + ".jpg";
        records[i].dateSaved = std::int32_t(100 + i);
        records[i].keywords = {"k"};
        records[i].picture = PatternBytes(3000, unsigned(i));
        records[i].thumbnail = CFormatRecord::Thumbnail::stored;
        records[i].thumbnailBytes = PatternBytes(10, 9);
    }
    const CFormatWriter writer = CFormatWriter::Build(records);
    CFormatReader clean;
    clean.Read(writer.MainBytes(), writer.IndexBytes());
    ASSERT_TRUE(clean.IsClean()) << clean.Report();
    const std::size_t head = std::size_t(clean.Records()[1].block) * 2048;
    const std::size_t entry0 = 32792 + 52 * std::size_t(clean.Entries()[0].number);
    const std::size_t entry1 = 32792 + 52 * std::size_t(clean.Entries()[1].number);

    struct Damage {
        const char* what;
        std::function<void(Bytes& main, Bytes& index)> apply;
        const char* expected;
    };
    const std::vector<Damage> cases = {
        {"padding", [&](Bytes& m, Bytes&) { m[head + 2 * 2048 + 2047] = 1; }, "padding: byte 2047"},
        {"CRC", [&](Bytes& m, Bytes&) { m[head + 12] ^= 1; }, "picture bytes give"},
        {"chain link", [&](Bytes& m, Bytes&) { m[head + 2048 + 4] += 5; }, "next"},
        {"head tail", [&](Bytes& m, Bytes&) { m[head + 1000] = 7; }, "byte 1000 is 7"},
        {"password end", [&](Bytes& m, Bytes&) { m[292] = 1; }, "main header: byte 292"},
        {"thumbnail", [&](Bytes& m, Bytes&) { m[head + 476] += 1; }, "does not start"},
        {"format", [&](Bytes& m, Bytes&) { m[14] = 'p'; }, "format string"},
        {"key order",
         [&](Bytes&, Bytes& x) {
             std::swap_ranges(&x[entry0 + 16], &x[entry0 + 48], &x[entry1 + 16]);
         },
         "out of order"},
        {"skip slot", [&](Bytes&, Bytes& x) { x[24] += 1; }, "skip slot 0"},
        {"flags", [&](Bytes&, Bytes& x) { x[entry1 + 12] = 2; }, "only bit 0"},
        {"previous", [&](Bytes&, Bytes& x) { x[entry1] += 1; }, "previous"},
        {"key padding", [&](Bytes&, Bytes& x) { x[entry1 + 47] = 'x'; }, "after its NUL"},
        {"length", [&](Bytes&, Bytes& x) { x.pop_back(); }, "not 32792 + 52"},
        {"count", [&](Bytes&, Bytes& x) { x[5] = 1; }, "outside 0..255"},
        {"deleted date", [&](Bytes&, Bytes& x) { x[entry1 + 12] = 1; }, "are deleted"},
    };
    for (const Damage& damage : cases) {
        Bytes main = writer.MainBytes(), index = writer.IndexBytes();
        damage.apply(main, index);
        CFormatReader reader;
        reader.Read(main, index);
        EXPECT_FALSE(reader.IsClean()) << damage.what;
        EXPECT_NE(reader.Report(1000).find(damage.expected), std::string::npos)
            << damage.what << ":\n"
            << reader.Report();
    }
}

TEST(FormatCrc, WriterAndProgramAgreeOnTheCheckValue) {
    const std::string text = "123456789";
    const Bytes bytes(text.begin(), text.end());
    EXPECT_EQ(CFormatWriter::Crc16(bytes), 0x31C3);
    EXPECT_EQ(UpdateCrc16(0, bytes), 0x31C3);
}

// Runs picdex-cli with args; the exit status and standard output.
std::pair<int, std::string> RunCli(const std::string& args) {
    std::string output;
    FILE* pipe =
        popen((std::string("'") + PICDEX_CLI_PATH + "' " + args + " 2>/dev/null").c_str(), "r");
    if (!pipe)
        return {-1, output};
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        output.append(buffer, got);
    const int status = pclose(pipe);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST_F(FormatInteropTest, CommandLineToolDatabaseReadsClean) {
    if (RunCli("--help").second.find("store") == std::string::npos)
        GTEST_SKIP() << "picdex-cli is not built or has no store command yet";
    const std::string db = "'" + Base() + ".PXM'";
    std::vector<Bytes> pictures;
    std::string files;
    for (unsigned i = 0; i < 4; ++i) {
        pictures.push_back(PatternBytes(1500 * i + 7, i + 60));
        const std::string path = File("picture" + std::to_string(i) + ".jpg");
        WriteFileBytes(path, pictures.back());
        files += " '" + path + "'";
    }
    ASSERT_EQ(RunCli("create " + db).first, 0);
    const auto [stored, blocks] = RunCli("store " + db + files + " --keyword Trip --keyword x");
    ASSERT_EQ(stored, 0);
    std::istringstream lines(blocks);
    std::vector<std::int32_t> heads;
    for (std::int32_t block; lines >> block;)
        heads.push_back(block);
    ASSERT_EQ(heads.size(), pictures.size()) << blocks;
    EXPECT_EQ(RunCli("delete " + db + " " + std::to_string(heads[1])).first, 0);
    EXPECT_EQ(RunCli("set-keywords " + db + " " + std::to_string(heads[2]) + " x Home").first, 0);
    EXPECT_EQ(RunCli("password " + db + " --set opensesame").first, 0);

    CFormatReader reader;
    reader.ReadDatabase(Base());
    EXPECT_TRUE(reader.IsClean()) << reader.Report();
    EXPECT_EQ(reader.Password(), "opensesame");
    ASSERT_EQ(reader.Records().size(), pictures.size());
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        EXPECT_EQ(reader.Records()[i].block, heads[i]);
        EXPECT_EQ(reader.Records()[i].picture, pictures[i]);
        EXPECT_EQ(reader.Records()[i].fileName, "picture" + std::to_string(i) + ".jpg");
    }
    EXPECT_EQ(reader.Records()[2].keywords[1], "Home");
    for (const CFormatReader::Entry& entry : reader.Entries()) {
        const bool removed =
            entry.record == heads[1] || (entry.record == heads[2] && entry.key == "@Trip");
        EXPECT_EQ(entry.IsDeleted(), removed) << entry.key << " of " << entry.record;
    }
}

} // namespace
