// picdex-cli as a user and a script see it: exit statuses, messages, output formats and
// what each command does to the database, run as a separate process. The collection
// commands (tag, duplicates, transfer, exchange, export, properties) and the document
// commands (show, thumbnail, reconstruct) on databases built with store.
#include "platform/FileSystem.h"
#include "storage/PictureDatabase.h"
#include "support/CliFixture.h"
#include "support/FormatReader.h"
#include "support/FormatWriter.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace {

// The parts of text between separators; a line break ends the last line, a tab after the
// last field leaves an empty one.
std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    if (separator == '\t' && text.ends_with('\t'))
        parts.emplace_back();
    return parts;
}

// The list field order: block, name, size, width, height, saved, created, crc, keywords.
enum ListField { fBlock, fName, fSize, fWidth, fHeight, fSaved, fCreated, fCrc, fKeywords };

class CliTest : public CCliTest {
protected:
    void SetUp() override { ASSERT_EQ(Run({"create", Db()}).status, 0); }

    std::string Db() const { return File("pics"); }
    std::string Source(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(File(name), bytes);
        return File(name);
    }
    // Stores the files and returns their head blocks as printed.
    std::vector<std::string> Store(std::vector<std::string> args) {
        args.insert(args.begin(), {"store", Db()});
        CliResult r = Run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return Split(r.out, '\n');
    }
    std::vector<std::vector<std::string>> List(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"list", Db()});
        CliResult r = Run(options);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::vector<std::string>> rows;
        for (const std::string& line : Split(r.out, '\n'))
            rows.push_back(Split(line, '\t'));
        return rows;
    }
    // Stores a file of name holding text in db; returns the record's block.
    std::string Store(const std::string& db, const std::string& name, std::string_view text,
                      std::vector<std::string> options = {}) {
        WriteFileBytes(File(name), text);
        options.insert(options.begin(), {"--yes", "store", File(db), File(name)});
        const std::string out = Cli(options);
        return out.substr(0, out.find('\n'));
    }
    // A 2 x 2 BMP whose pixels differ with seed: searches show the record they land on.
    static std::string Bmp(unsigned seed) {
        const std::vector<std::uint8_t> bytes =
            BmpBuilder{.width = 2, .height = 2, .bits = 24, .pixels = PatternBytes(16, seed)}
                .Build();
        return {bytes.begin(), bytes.end()};
    }
    // The second field (the name) of each line of list-style output, joined by ",".
    static std::string Names(const std::string& out) {
        std::string names;
        for (const std::string& line : Split(out, '\n'))
            names += (names.empty() ? "" : ",") + Split(line, '\t').at(fName);
        return names;
    }
};

// What store, delete, set-keywords and password leave behind, through the tool's own output
// (every field of the list, every byte extracted) and through the independent reading of
// the files.
TEST_F(CliTest, StoredPicturesAndChangesReadBackWhole) {
    const std::int32_t billion = 1000000000;
    const std::vector<std::vector<std::uint8_t>> contents = {
        {}, PatternBytes(2032, 2), PatternBytes(70001, 3)};
    const std::vector<std::string> names = {"empty.bin", "Full.bin", "big.bin"};
    std::vector<std::string> args;
    for (std::size_t i = 0; i < names.size(); ++i)
        args.push_back(Source(names[i], contents[i]));
    ASSERT_TRUE(SetFileModTime(args[2], billion));
    args.insert(args.end(), {"--keyword", "beach", "--keyword", "sea side"});
    const std::vector<std::string> blocks = Store(args);
    ASSERT_EQ(blocks.size(), 3u);

    const auto rows = List();
    ASSERT_EQ(rows.size(), 3u);
    for (std::size_t row = 0; row < 3; ++row) {
        const std::size_t i = (row + 2) % 3; // by name: big, empty, Full
        const auto& f = rows[row];
        ASSERT_EQ(f.size(), 9u);
        EXPECT_EQ(f[fBlock], blocks[i]);
        EXPECT_EQ(f[fName], names[i]);
        EXPECT_EQ(f[fSize], std::to_string(contents[i].size()));
        EXPECT_EQ(f[fCrc], std::to_string(CFormatWriter::Crc16(contents[i])));
        EXPECT_EQ(f[fKeywords], "beach;sea side");
    }
    EXPECT_EQ(rows[0][fCreated], std::to_string(billion));

    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(Run({"extract", Db(), blocks[i], File("out" + names[i])}).status, 0);
        EXPECT_EQ(ReadFileBytes(File("out" + names[i])), contents[i]) << names[i];
    }
    std::int32_t time = 0;
    ASSERT_TRUE(GetFileModTime(File("outbig.bin"), time));
    EXPECT_NE(time, billion);
    ASSERT_EQ(Run({"extract", Db(), blocks[2], File("restored"), "--restore-time"}).status, 0);
    ASSERT_TRUE(GetFileModTime(File("restored"), time));
    EXPECT_EQ(time, billion);

    // empty.bin deleted (it still extracts), Full.bin's keywords emptied, big.bin's changed.
    ASSERT_EQ(Run({"delete", Db(), blocks[0]}).status, 0);
    EXPECT_EQ(Run({"set-keywords", Db(), blocks[0], "back"}).err, "Data not found\n");
    ASSERT_EQ(Run({"set-keywords", Db(), blocks[1]}).status, 0);
    ASSERT_EQ(Run({"set-keywords", Db(), blocks[2], "sea side", "Home"}).status, 0);
    EXPECT_EQ(List().size(), 2u);
    const auto changed = List({"--deleted", "--by", "date"});
    ASSERT_EQ(changed.size(), 3u);
    EXPECT_EQ(changed[0][fName], "empty.bin");
    EXPECT_EQ(changed[1][fKeywords], "");
    EXPECT_EQ(changed[2][fKeywords], "sea side;Home");
    EXPECT_EQ(Run({"extract", Db(), blocks[0], File("out")}).status, 0);
    ASSERT_EQ(Run({"password", Db(), "--set", "opensesame"}).status, 0);

    CFormatReader reader;
    reader.Read(ReadFileBytes(Db() + ".PXM"), ReadFileBytes(Db() + ".PXI"));
    EXPECT_TRUE(reader.IsClean()) << reader.Report();
    EXPECT_EQ(reader.Password(), "opensesame");
    ASSERT_EQ(reader.Records().size(), 3u);
    std::vector<std::int32_t> heads;
    for (std::size_t i = 0; i < 3; ++i) {
        heads.push_back(reader.Records()[i].block);
        EXPECT_EQ(std::to_string(heads[i]), blocks[i]);
        EXPECT_EQ(reader.Records()[i].picture, contents[i]);
        EXPECT_EQ(reader.Records()[i].fileName, names[i]);
    }
    for (const CFormatReader::Entry& entry : reader.Entries()) {
        const bool removed = entry.record == heads[0] ||
                             (entry.record == heads[1] && entry.key[0] == '@') ||
                             (entry.record == heads[2] && entry.key == "@beach");
        EXPECT_EQ(entry.IsDeleted(), removed) << entry.key << " of " << entry.record;
    }
}

// Failures exit 1 with the system's message and change nothing. Any spelling or extension
// of the base path names the existing pair; block 2 is the picture's first data block, not
// a record head.
TEST_F(CliTest, FailuresExitOneWithTheSystemsMessage) {
    ASSERT_EQ(Store({Source("a.bin", PatternBytes(3000))}), std::vector<std::string>{"1"});
    const std::string exists = "File already exists. Cannot overwrite.\n";
    Expect({{{"create", Db()}, 1, exists},
            {{"create", File("PICS.pxi")}, 1, exists},
            {{"create", File("Pics.PXM")}, 1, exists},
            {{"extract", Db(), "2", File("out")}, 1, "Data not found\n"},
            {{"extract", Db(), "2147483647", File("out")}, 1, "Data not found\n"},
            {{"delete", Db(), "2"}, 1, "Data not found\n"},
            {{"store", Db(), m_temp.Path()}, 1, "Cannot read " + m_temp.Path() + "\n"},
            {{"extract", Db(), "1", File("no/such/folder/out")}, 1, "File not found\n"}});
    EXPECT_FALSE(FileExists(File("out")));
    EXPECT_EQ(List().size(), 1u);
}

// Names and keywords that hold quotes, control characters or bytes that are no UTF-8
// leave one well-formed object per line, and the tab-separated form keeps its fields.
TEST_F(CliTest, JsonOutputEscapesWhatNamesHold) {
    // Quote, backslash, a control character, a byte that is no UTF-8 and a valid "é".
    Store({Source("q\"b\\c\x01"
                  "d\xff-\xC3\xA9.bin",
                  PatternBytes(50)),
           "--keyword", "tab\there\xC0\xAF"});
    const CliResult r = Run({"list", Db(), "--json"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.out.substr(0, r.out.find(",\"size\"")),
              R"({"block":1,"name":"q\"b\\c\u0001d\uFFFD-)"
              "\xC3\xA9"
              R"(.bin")");
    EXPECT_NE(r.out.find(R"(,"keywords":["tab\u0009here\uFFFD\uFFFD"]})"
                         "\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(List().at(0).size(), 9u) << "the tab-separated form keeps its fields";
}

// Removing the password needs both the password and a Yes to the question.
TEST_F(CliTest, PasswordGuardsEveryLaterOpen) {
    Expect({{{"password", Db(), "--set", "abc"}, 1, "Password too short.\n"},
            {{"password", Db(), "--set", "thirteen-char"}, 1, ""},
            {{"password", Db(), "--set", "Secret12"}, 0, ""},
            {{"info", Db()}, 1, "Invalid password.\n"},
            {{"info", Db(), "--password", "secret12"}, 1, "Invalid password.\n"},
            {{"--password", "Secret12", "info", Db()}, 0, ""},
            {{"password", Db(), "--clear", "--password", "Secret12"},
             1,
             "The password will be reset. Continue?\n"},
            {{"info", Db()}, 1, "Invalid password.\n"},
            {{"password", Db(), "--clear", "--password", "Secret12", "--yes"}, 0, ""},
            {{"info", Db()}, 0, ""}});
}

TEST_F(CliTest, CircularIndexLinksEndWithAMessageNotARepeat) {
    Store({Source("a.bin", PatternBytes(10))});
    // Entries: 0 CRC, 1 date, 2 file name. The name entry's next link now points at itself.
    PatchFileLe32(Db() + ".PXI", 32792 + 52 * 2 + 4, 2);
    for (const char* command : {"list", "index"}) {
        CliResult r = Run({command, Db()});
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_NE(r.err.find("The index list is broken.\n"), std::string::npos) << r.err;
        EXPECT_LE(Split(r.out, '\n').size(), 2u) << r.out;
    }
    EXPECT_EQ(List({"--by", "date"}).size(), 1u);
}

// Writing a picture over the database's own file is refused, not done.
TEST_F(CliTest, SecondProcessGetsTheDatabaseReadOnly) {
    Store({Source("a.bin", PatternBytes(10))});
    CPictureDatabase holder;
    ASSERT_EQ(holder.OpenDatabase(Db(), false), 1);
    const std::int64_t length = FileLength(Db() + ".PXM");
    const std::string busy = "Cannot open. File already in use or is READONLY.\n";
    Expect({{{"store", Db(), File("a.bin")}, 1, busy},
            {{"delete", Db(), "1"}, 1, busy},
            {{"set-keywords", Db(), "1", "k"}, 1, busy},
            {{"password", Db(), "--set", "abcd"}, 1, busy},
            {{"extract", Db(), "1", Db() + ".PXM"}, 1, "File sharing violation\n"}});
    EXPECT_EQ(List().size(), 1u);
    EXPECT_EQ(FileLength(Db() + ".PXM"), length);
}

// No command reports success on a partial answer: a damaged picture chain, a damaged index
// or a file that cannot be added ends with exit status 1 and the system's message, and an
// extract leaves no file behind.
TEST_F(CliTest, DamageAndFailedAddsExitOneNeverAPartialAnswer) {
    // Three records of two data blocks each: heads at 1, 4 and 7; entries 3k to 3k + 2 are
    // record k's CRC, date and name entries.
    Store({Source("a.bin", PatternBytes(3000, 1)), Source("b.bin", PatternBytes(3000, 2)),
           Source("c.bin", PatternBytes(3000, 3))});
    const std::vector<std::uint8_t> main = ReadFileBytes(Db() + ".PXM");
    const std::vector<std::uint8_t> index = ReadFileBytes(Db() + ".PXI");
    auto entry = [](std::int32_t number, int offset) { return 32792 + 52 * number + offset; };
    Source("text.jpg", PatternBytes(500));
    std::vector<std::uint8_t> flatGif(PatternBytes(40));
    std::copy_n("GIF89a\1\0\1\0", 10, flatGif.begin()); // a screen of 1 x 1
    flatGif.back() = ';';
    Source("flat.gif", flatGif);
    // command is the word after DB: extract (record 1), list, export, properties, or the
    // file that add is given.
    const struct {
        const char* what;
        const char* file; // the file damaged, or nullptr
        std::int64_t offset;
        std::int32_t value;
        std::string command;
    } cases[] = {
        {"a picture bit flipped", "PXM", 2 * 2048 + 100, 0x5a5a5a5a, "extract"},
        {"a chain in a loop", "PXM", 3 * 2048 + 4, 2, "extract"},
        {"a head without its chain", "PXM", 2048 + 4, -1, "extract"},
        {"a name entry's flags all ones", "PXI", entry(5, 12), -1, "list"},
        {"an empty skip table", "PXI", 20, 0, "list"},
        {"the first slot at the second name", "PXI", 24, 5, "list"},
        {"export past flags all ones", "PXI", entry(5, 12), -1, "export"},
        {"properties on an empty skip table", "PXI", 20, 0, "properties"},
        {"add of a file no reader takes", nullptr, 0, 0, File("text.jpg")},
        {"add of a GIF too small to keep", nullptr, 0, 0, File("flat.gif")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileBytes(Db() + ".PXM", main);
        WriteFileBytes(Db() + ".PXI", index);
        if (c.file)
            PatchFileLe32(Db() + "." + c.file, c.offset, c.value);
        std::vector<std::string> args = {c.command, Db()};
        std::string err = "Unknown error\n";
        if (c.command == "extract")
            args.insert(args.end(), {"1", File("out")});
        if (c.command == "export") {
            args.push_back(File(""));
            err += "Output 0 picture files.\n";
        }
        if (!c.file) {
            args = {"add", Db(), c.command};
            err = "Invalid file format. (" + c.command + ")\n";
        }
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, err);
        EXPECT_FALSE(FileExists(File("out"))) << "a partial picture is left behind";
    }
    // The damage aside, the same commands succeed.
    EXPECT_EQ(Run({"extract", Db(), "1", File("out")}).status, 0);
    EXPECT_EQ(List().size(), 3u);
}

TEST_F(CliTest, TagTransferAndDuplicates) {
    const std::string a = Store("db", "a.jpg", "same bytes");
    const std::string b = Store("db", "b.gif", "same bytes");
    const std::string c = Store("db", "c.tif", "other bytes");
    const std::string d = Store("db", "d.png", "same bytes");
    EXPECT_EQ(Cli({"tag", File("db"), "--add", "Blue", a, c}), "changed 2\n");
    EXPECT_EQ(Cli({"tag", File("db"), "--remove", "bLue", a}), "changed 1\n");
    EXPECT_EQ(Cli({"keywords", File("db")}), "blue [1]\n");
    Cli({"tag", File("db"), "--add", "red", a, "999"}, 1);
    Cli({"transfer", File("db"), File("two"), a, c}, 1); // not created without a Yes
    EXPECT_EQ(m_err + std::to_string(std::filesystem::exists(File("two.PXM"))),
              "File not found. Create?\n0");
    EXPECT_EQ(Cli({"--yes", "transfer", File("db"), File("two"), a, c}), "transferred 2\n");
    EXPECT_EQ(Names(Cli({"list", File("two")})), "a.jpg,c.tif");
    EXPECT_EQ(Names(Cli({"duplicates", File("db")})), "a.jpg,b.gif,d.png");
    Cli({"delete", File("db"), b, d});
    EXPECT_EQ(Cli({"duplicates", File("db")}, 1), "");
    EXPECT_EQ(m_err, "Duplicate data not found.\n");
}

TEST_F(CliTest, ExchangeExportAndProperties) {
    for (const char* name : {"a.jpg", "b.gif", "c.tif", "e.JPE"}) // .JPE counts as unknown
        Store("db", name, name);
    Store("db", "d.bmp", Bmp(1));
    const std::string count = "TIFF\t1 pics\nGIF\t1 pics\nJPEG\t1 pics\nBMP\t";
    EXPECT_EQ(Cli({"properties", File("db")}), count + "1 pics\nUnknown\t1 pics\nTotal\t5 pics\n");
    const std::string f = Store("other", "f.bmp", Bmp(2));
    Store("other", "g.bmp", Bmp(3));
    const std::string db = File("db"), other = File("other");
    EXPECT_EQ(Cli({"exchange", db, other, "--direction", "in", "--count-only"}), "2\n");
    Cli({"--yes", "exchange", db, other, "--direction", "in"});
    EXPECT_EQ(m_err, "2 pics found to transter. Continue?\nData transfer completed\n");
    EXPECT_EQ(Cli({"exchange", db, other, "--direction", "in", "--count-only"}), "0\n");
    EXPECT_EQ(Cli({"properties", db}), count + "3 pics\nUnknown\t1 pics\nTotal\t7 pics\n");
    std::filesystem::create_directory(File("pics"));
    Cli({"export", other, File("pics")});
    EXPECT_EQ(m_err, "Output 2 picture files.\n");
    EXPECT_EQ(Text("pics/f.bmp") + Text("pics/g.bmp"), Bmp(2) + Bmp(3));
    Cli({"export", other, File("pics/"), f}); // the overwrite question answered No
    EXPECT_EQ(m_err, "File already exists. Overwrite?\nOutput 0 picture files.\n");
}

// A link standing in the folder under a picture's name is replaced itself: neither the file
// it points to outside the folder nor a dangling link's target is ever written.
TEST_F(CliTest, ExportReplacesLinksInsteadOfWritingThroughThem) {
    Store("db", "a.bmp", Bmp(1));
    Store("db", "b.bmp", Bmp(2));
    namespace fs = std::filesystem;
    fs::create_directory(File("links"));
    WriteFileBytes(File("outside"), "keep");
    fs::create_symlink(File("outside"), File("links/a.bmp"));
    fs::create_symlink(File("nowhere"), File("links/b.bmp"));
    Cli({"export", File("db"), File("links")}); // both questions answered No
    EXPECT_EQ(m_err, "File already exists. Overwrite?\nFile already exists. Overwrite?\n"
                     "Output 0 picture files.\n");
    EXPECT_TRUE(fs::is_symlink(File("links/a.bmp")));
    Cli({"--yes", "export", File("db"), File("links")});
    EXPECT_EQ(m_err, "File already exists. Overwrite?\nFile already exists. Overwrite?\n"
                     "Output 2 picture files.\n");
    for (const char* name : {"links/a.bmp", "links/b.bmp"})
        EXPECT_FALSE(fs::is_symlink(File(name))) << name;
    EXPECT_EQ(Text("links/a.bmp") + Text("links/b.bmp"), Bmp(1) + Bmp(2));
    EXPECT_EQ(Text("outside"), "keep");
    EXPECT_FALSE(fs::exists(File("nowhere")));
    EXPECT_EQ(std::distance(fs::directory_iterator(File("links")), fs::directory_iterator()), 2);
}

// show, thumbnail and reconstruct on two records of a 100 x 50 BMP (nine blocks each).
TEST_F(CliTest, ShowMakesTheThumbnailAndReconstructSwapsInTheSameProcess) {
    WriteBmp("a.bmp", 100, 50);
    EXPECT_EQ(Cli({"--yes", "store", File("db"), File("a.bmp"), File("a.bmp")}), "1\n10\n");
    EXPECT_EQ(Cli({"show", File("db"), "1"}), "2\t100\t50\t24\n");
    Cli({"thumbnail", File("db"), "1", File("t.gif")});
    EXPECT_EQ(Text("t.gif").substr(0, 10), std::string("GIF89a\x5c\0\x2e\0", 10)); // 92 x 46

    const std::int64_t length = FileLength(File("db.PXM"));
    Cli({"delete", File("db"), "10"});
    Cli({"reconstruct", File("db"), "--main"});
    EXPECT_EQ(m_err, "Finished reconstructing file.\n"); // no progress: not a terminal
    EXPECT_EQ(FileLength(File("db.PXM")), length - 9 * 2048);
    Cli({"reconstruct", File("db"), "--main", "--to", File("new")});
    EXPECT_EQ(m_err, "Reconstruction completed.  " + File("new.PXM") + " is created.\n");
}

} // namespace
