// picdex-cli as a user and a script see it: exit statuses, messages, output formats and
// what each command does to the database, run as a separate process.
#include "platform/FileSystem.h"
#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"
#include "tools/CliRunner.h"
#include "tools/JsonLine.h"

#include <gtest/gtest.h>

#include <ctime>
#include <map>

namespace {

// CRC-16/XMODEM computed here, independently of the storage code.
std::uint16_t Crc16Xmodem(const std::vector<std::uint8_t>& bytes) {
    std::uint16_t crc = 0;
    for (std::uint8_t b : bytes) {
        crc ^= static_cast<std::uint16_t>(b << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return crc;
}

std::vector<std::string> SplitFields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? tab : tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

// The list field order: block, name, size, width, height, saved, created, crc, keywords.
enum ListField { fBlock, fName, fSize, fWidth, fHeight, fSaved, fCreated, fCrc, fKeywords };

class CliTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(Cli({"create", Db()}).status, 0); }

    CliResult Cli(const std::vector<std::string>& args) { return m_cli.Run(args); }
    std::string Db() const { return File("pics"); }

    std::string Source(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        WriteFileBytes(File(name), bytes);
        return File(name);
    }
    // Stores the files and returns their head blocks as printed.
    std::vector<std::string> Store(std::vector<std::string> args) {
        args.insert(args.begin(), {"store", Db()});
        CliResult r = Cli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        return SplitLines(r.out);
    }
    std::vector<std::vector<std::string>> List(std::vector<std::string> options = {}) {
        options.insert(options.begin(), {"list", Db()});
        CliResult r = Cli(options);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::vector<std::string>> rows;
        for (const std::string& line : SplitLines(r.out))
            rows.push_back(SplitFields(line));
        return rows;
    }

    CCliRunner m_cli;
};

TEST_F(CliTest, CreateMakesAnEmptyPairAndNeverOverwrites) {
    EXPECT_EQ(FileLength(Db() + ".PXM"), 2048);
    EXPECT_EQ(FileLength(Db() + ".PXI"), 32792);
    Store({Source("a.bin", PatternBytes(100))});

    // Any spelling or extension of the same base path names the existing pair.
    for (const std::string& path : {Db(), File("PICS.pxi"), File("Pics.PXM")}) {
        CliResult r = Cli({"create", path});
        EXPECT_EQ(r.status, 1) << path;
        EXPECT_EQ(r.err, "File already exists. Cannot overwrite.\n");
    }
    EXPECT_EQ(List().size(), 1u);
}

TEST_F(CliTest, StoreListAndExtractKeepEveryByte) {
    const std::int32_t billion = 1000000000;
    std::vector<std::vector<std::uint8_t>> contents = {
        {}, PatternBytes(2032, 2), PatternBytes(70001, 3)};
    std::vector<std::string> names = {"empty.bin", "full.bin", "big.bin"};
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < names.size(); ++i)
        paths.push_back(Source(names[i], contents[i]));
    ASSERT_TRUE(SetFileModTime(paths[2], billion));

    std::int64_t before = std::time(nullptr);
    std::vector<std::string> blocks =
        Store({paths[0], paths[1], paths[2], "--keyword", "beach", "--keyword", "sea side"});
    std::int64_t after = std::time(nullptr);
    ASSERT_EQ(blocks.size(), 3u);

    // By name: big, empty, full.
    auto rows = List();
    ASSERT_EQ(rows.size(), 3u);
    const std::size_t byName[] = {2, 0, 1};
    for (std::size_t row = 0; row < 3; ++row) {
        std::size_t i = byName[row];
        const auto& f = rows[row];
        ASSERT_EQ(f.size(), 9u);
        EXPECT_EQ(f[fBlock], blocks[i]);
        EXPECT_EQ(f[fName], names[i]);
        EXPECT_EQ(f[fSize], std::to_string(contents[i].size()));
        EXPECT_EQ(f[fWidth], "0");
        EXPECT_EQ(f[fHeight], "0");
        EXPECT_GE(std::stoll(f[fSaved]), before);
        EXPECT_LE(std::stoll(f[fSaved]), after);
        EXPECT_EQ(f[fCrc], std::to_string(Crc16Xmodem(contents[i])));
        EXPECT_EQ(f[fKeywords], "beach;sea side");
    }
    EXPECT_EQ(rows[0][fCreated], std::to_string(billion));

    for (std::size_t i = 0; i < names.size(); ++i) {
        std::string out = File("out-" + names[i]);
        ASSERT_EQ(Cli({"extract", Db(), blocks[i], out}).status, 0);
        EXPECT_EQ(ReadFileBytes(out), contents[i]) << names[i];
    }
    std::int32_t time = 0;
    ASSERT_TRUE(GetFileModTime(File("out-big.bin"), time));
    EXPECT_NE(time, billion);
    ASSERT_EQ(Cli({"extract", Db(), blocks[2], File("restored"), "--restore-time"}).status, 0);
    ASSERT_TRUE(GetFileModTime(File("restored"), time));
    EXPECT_EQ(time, billion);
}

TEST_F(CliTest, StoresRealPicturesUnchanged) {
    std::string corpus = TestDataDir();
    if (corpus.empty())
        return;
    for (std::string name : {"photos/Dune-704x440.jpg", "gif/cat.gif"}) {
        std::vector<std::uint8_t> original = ReadFileBytes(corpus + name);
        ASSERT_FALSE(original.empty()) << name;
        std::vector<std::string> block = Store({corpus + name});
        ASSERT_EQ(block.size(), 1u);
        ASSERT_EQ(Cli({"extract", Db(), block[0], File("copy")}).status, 0);
        EXPECT_EQ(ReadFileBytes(File("copy")), original) << name;
    }
}

TEST_F(CliTest, ListOrdersByNameOrByDateSaved) {
    Store({Source("b.bin", PatternBytes(10, 1)), Source("A.bin", PatternBytes(10, 2)),
           Source("c.bin", PatternBytes(10, 3))});
    auto names = [](const std::vector<std::vector<std::string>>& rows) {
        std::vector<std::string> out;
        for (const auto& row : rows)
            out.push_back(row.at(fName));
        return out;
    };
    EXPECT_EQ(names(List()), (std::vector<std::string>{"A.bin", "b.bin", "c.bin"}));
    // Stored in one second or in increasing seconds: the date order is the storing order.
    EXPECT_EQ(names(List({"--by", "date"})), (std::vector<std::string>{"b.bin", "A.bin", "c.bin"}));
}

TEST_F(CliTest, UsageErrorsExitTwoWithUsageAndChangeNothing) {
    std::string file = Source("a.bin", PatternBytes(10));
    Store({file});
    std::string out = File("out");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate", Db()},
        {"list"},
        {"list", Db(), "extra"},
        {"list", Db(), "--by", "size"},
        {"list", Db(), "--by"},
        {"list", Db(), "--bogus"},
        {"info", Db(), "--password"},
        {"extract", Db(), "1x", out},
        {"extract", Db(), "-1", out},
        {"extract", Db(), "2147483648", out},
        {"extract", Db(), "", out},
        {"extract", Db(), " 1", out},
        {"extract", Db(), "+1", out},
        {"delete", Db(), "1", "2.0"},
        {"store", Db(), file, "--keyword", "1", "--keyword", "2", "--keyword", "3", "--keyword",
         "4", "--keyword", "5", "--keyword", "6", "--keyword", "7"},
        {"set-keywords", Db(), "1", "k1", "k2", "k3", "k4", "k5", "k6", "k7"},
        {"password", Db()},
        {"password", Db(), "--set", "abcd", "--clear"},
    };
    for (const auto& args : cases) {
        std::string line;
        for (const std::string& word : args)
            line += "[" + word + "]";
        CliResult r = Cli(args);
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_NE(r.err.find("usage: picdex-cli"), std::string::npos) << line;
        EXPECT_EQ(r.out, "") << line;
    }
    auto rows = List();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][fKeywords], "");
    EXPECT_FALSE(FileExists(out));

    CliResult help = Cli({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* name : {"create", "info", "password", "index", "store", "list", "extract",
                             "delete", "set-keywords"})
        EXPECT_NE(help.out.find(std::string("  ") + name + " "), std::string::npos) << name;
    help = Cli({"store", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: picdex-cli store DB FILE...", 0), 0u);
}

TEST_F(CliTest, FailuresExitOneWithTheSystemsMessage) {
    std::vector<std::string> block = Store({Source("a.bin", PatternBytes(3000))});
    ASSERT_EQ(block, std::vector<std::string>{"1"});

    // Block 2 is the picture's first data block, not a record head.
    for (const char* stray : {"2", "3", "2147483647"}) {
        CliResult r = Cli({"extract", Db(), stray, File("out")});
        EXPECT_EQ(r.status, 1) << stray;
        EXPECT_EQ(r.err, "Data not found\n");
        EXPECT_FALSE(FileExists(File("out")));
    }
    CliResult r = Cli({"delete", Db(), "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Data not found\n");

    r = Cli({"store", Db(), File("missing.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Cannot read " + File("missing.bin") + "\n"), std::string::npos);
    r = Cli({"store", Db(), m_temp.Path()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Cannot read " + m_temp.Path() + "\n");

    // The database's own files are held by the command itself.
    std::int64_t indexLength = FileLength(Db() + ".PXI");
    r = Cli({"extract", Db(), "1", Db() + ".PXI"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File sharing violation\n");
    EXPECT_EQ(FileLength(Db() + ".PXI"), indexLength);

    r = Cli({"extract", Db(), "1", File("no/such/folder/out")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File not found\n");

    // A database that does not exist is only created when the question is answered Yes.
    r = Cli({"list", File("other")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File not found. Create?\n");
    EXPECT_FALSE(FileExists(File("other.PXM")));
    r = Cli({"list", File("other"), "--yes"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(FileExists(File("other.PXM")));
    EXPECT_EQ(List().size(), 1u);
}

TEST_F(CliTest, JsonOutputParsesAsOneObjectPerLine) {
    // Quote, backslash, a control character, a byte that is no UTF-8 and a valid "é".
    std::string name = "q\"b\\c\x01"
                       "d\xff-\xC3\xA9.bin";
    std::string keyword = "tab\there\xC0\xAF";
    Store({Source(name, PatternBytes(50)), "--keyword", keyword});
    Store({Source("plain.bin", PatternBytes(60, 2))});

    CliResult r = Cli({"list", Db(), "--json"});
    ASSERT_EQ(r.status, 0);
    std::vector<std::string> lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 2u);
    CJsonLine json;
    ASSERT_TRUE(json.Parse(lines[1])) << lines[1];
    EXPECT_EQ(json.Keys(), (std::vector<std::string>{"block", "name", "size", "width", "height",
                                                     "saved", "created", "crc", "keywords"}));
    EXPECT_EQ(json.Text("name"), "q\"b\\c\x01"
                                 "d\xEF\xBF\xBD-\xC3\xA9.bin");
    EXPECT_EQ(json.Texts("keywords"),
              std::vector<std::string>{"tab\there\xEF\xBF\xBD\xEF\xBF\xBD"});
    EXPECT_EQ(json.Number("size"), 50);
    ASSERT_TRUE(json.Parse(lines[0])) << lines[0];
    EXPECT_EQ(json.Text("name"), "plain.bin");
    EXPECT_TRUE(json.Texts("keywords").empty());

    // The tab-separated form keeps its nine fields whatever the name holds.
    for (const auto& row : List())
        EXPECT_EQ(row.size(), 9u);

    // The index walk: every entry once, linked in the order printed.
    r = Cli({"index", Db(), "--json"});
    ASSERT_EQ(r.status, 0);
    lines = SplitLines(r.out);
    ASSERT_EQ(lines.size(), 7u); // two records with three entries each, one keyword
    std::int64_t previous = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        ASSERT_TRUE(json.Parse(lines[i])) << lines[i];
        EXPECT_EQ(json.Keys(), (std::vector<std::string>{"number", "previous", "next", "flags",
                                                         "key", "record"}));
        EXPECT_EQ(json.Number("previous"), previous);
        previous = json.Number("number");
        CJsonLine following;
        if (i + 1 < lines.size() && following.Parse(lines[i + 1])) {
            EXPECT_EQ(json.Number("next"), following.Number("number"));
        }
    }
    EXPECT_EQ(json.Number("next"), -1);
    EXPECT_EQ(json.Text("key"), "@tab\there\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(CliTest, DeleteHidesARecordThatDeletedStillShows) {
    std::vector<std::string> blocks =
        Store({Source("a.bin", PatternBytes(10, 1)), Source("b.bin", PatternBytes(10, 2))});
    ASSERT_EQ(blocks.size(), 2u);
    ASSERT_EQ(Cli({"delete", Db(), blocks[0]}).status, 0);

    auto rows = List();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0][fName], "b.bin");
    rows = List({"--deleted", "--by", "date"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][fName], "a.bin");

    CliResult info = Cli({"info", Db()});
    EXPECT_NE(info.out.find("\nrecords: 2\ndeleted records: 1\n"), std::string::npos) << info.out;
    // Its CRC, date and name entries are flagged; the file keeps them.
    CliResult index = Cli({"index", Db()});
    int flagged = 0;
    for (const std::string& line : SplitLines(index.out)) {
        auto f = SplitFields(line);
        ASSERT_EQ(f.size(), 6u);
        if (f[3] == "1") {
            EXPECT_EQ(f[5], blocks[0]);
            ++flagged;
        }
    }
    EXPECT_EQ(flagged, 3);

    // The deleted record's keywords cannot be changed; it can still be written out.
    CliResult r = Cli({"set-keywords", Db(), blocks[0], "back"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Data not found\n");
    EXPECT_EQ(Cli({"extract", Db(), blocks[0], File("out")}).status, 0);
}

TEST_F(CliTest, SetKeywordsReplacesTheKeywords) {
    std::vector<std::string> block =
        Store({Source("a.bin", PatternBytes(10)), "--keyword", "old", "--keyword", "keep"});
    ASSERT_EQ(block.size(), 1u);
    ASSERT_EQ(Cli({"set-keywords", Db(), block[0], "keep", "new1", "new2"}).status, 0);
    EXPECT_EQ(List().at(0)[fKeywords], "keep;new1;new2");

    std::map<std::string, std::string> flagsByKey;
    for (const std::string& line : SplitLines(Cli({"index", Db()}).out)) {
        auto f = SplitFields(line);
        flagsByKey[f.at(4)] += f.at(3);
    }
    EXPECT_EQ(flagsByKey["@old"], "1");
    EXPECT_EQ(flagsByKey["@keep"], "0");
    EXPECT_EQ(flagsByKey["@new1"], "0");
    EXPECT_EQ(flagsByKey["@new2"], "0");

    ASSERT_EQ(Cli({"set-keywords", Db(), block[0]}).status, 0);
    EXPECT_EQ(List().at(0)[fKeywords], "");
}

TEST_F(CliTest, PasswordGuardsEveryLaterOpen) {
    CliResult r = Cli({"password", Db(), "--set", "abc"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Password too short.\n");
    EXPECT_EQ(Cli({"password", Db(), "--set", "thirteen-char"}).status, 1);
    EXPECT_NE(Cli({"info", Db()}).out.find("\npassword: no\n"), std::string::npos);

    ASSERT_EQ(Cli({"password", Db(), "--set", "Secret12"}).status, 0);
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{"info", Db()},
          std::vector<std::string>{"info", Db(), "--password", "secret12"}}) {
        r = Cli(wrong);
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Invalid password.\n"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    r = Cli({"--password", "Secret12", "info", Db()});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\npassword: yes\n"), std::string::npos);

    // Removing it needs both the password and a Yes to the question.
    r = Cli({"password", Db(), "--clear", "--password", "Secret12"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The password will be reset. Continue?\n");
    EXPECT_EQ(Cli({"info", Db()}).status, 1);
    ASSERT_EQ(Cli({"password", Db(), "--clear", "--password", "Secret12", "--yes"}).status, 0);
    EXPECT_EQ(Cli({"info", Db()}).status, 0);
}

TEST_F(CliTest, InfoReportsFilesCountsAndCreationTime) {
    Store({Source("a.bin", PatternBytes(3000)), "--keyword", "k"});
    std::vector<std::uint8_t> header = ReadFileBytes(Db() + ".PXM");
    ASSERT_GE(header.size(), 276u);
    std::time_t created = static_cast<std::int32_t>(header[272] | header[273] << 8 |
                                                    header[274] << 16 | header[275] << 24);
    // One hour east of UTC, written as a POSIX zone.
    std::time_t shifted = created + 3600;
    char expected[64];
    std::strftime(expected, sizeof expected, "%Y-%m-%dT%H:%M:%S+0100", std::gmtime(&shifted));

    m_cli.SetEnv("TZ", "UTC-1");
    CliResult r = Cli({"info", Db()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "main file: " + Db() +
                         ".PXM\n"
                         "index file: " +
                         Db() +
                         ".PXI\n"
                         "blocks: 4\n"
                         "entries: 4\n"
                         "records: 1\n"
                         "deleted records: 0\n"
                         "password: no\n"
                         "read-only: no\n"
                         "created: " +
                         std::string(expected) + "\n");
}

TEST_F(CliTest, CircularIndexLinksEndWithAMessageNotARepeat) {
    Store({Source("a.bin", PatternBytes(10))});
    // Entries: 0 CRC, 1 date, 2 file name. The name entry's next link now points at itself.
    PatchFileLe32(Db() + ".PXI", 32792 + 52 * 2 + 4, 2);
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", Db()}, std::vector<std::string>{"index", Db()}}) {
        CliResult r = Cli(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_NE(r.err.find("The index list is broken.\n"), std::string::npos) << r.err;
        EXPECT_LE(SplitLines(r.out).size(), 2u) << r.out;
    }
    EXPECT_EQ(List({"--by", "date"}).size(), 1u);
}

TEST_F(CliTest, SecondProcessGetsTheDatabaseReadOnly) {
    std::vector<std::string> block = Store({Source("a.bin", PatternBytes(10))});
    CPictureDatabase holder;
    ASSERT_EQ(holder.OpenDatabase(Db(), false), 1);
    ASSERT_FALSE(holder.IsReadOnly());

    for (const std::vector<std::string>& write :
         {std::vector<std::string>{"store", Db(), File("a.bin")},
          std::vector<std::string>{"delete", Db(), "1"},
          std::vector<std::string>{"set-keywords", Db(), "1", "k"},
          std::vector<std::string>{"password", Db(), "--set", "abcd"}}) {
        CliResult r = Cli(write);
        EXPECT_EQ(r.status, 1) << write[0];
        EXPECT_EQ(r.err, "Cannot open. File already in use or is READONLY.\n");
    }
    EXPECT_EQ(List().size(), 1u);
    EXPECT_NE(Cli({"info", Db()}).out.find("\nread-only: yes\n"), std::string::npos);

    // Writing a picture over the database's own file is refused, not done.
    std::int64_t length = FileLength(Db() + ".PXM");
    CliResult r = Cli({"extract", Db(), block.at(0), Db() + ".PXM"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "File sharing violation\n");
    EXPECT_EQ(FileLength(Db() + ".PXM"), length);
}

} // namespace
