// picdex-cli's collection commands (tag, duplicates, transfer, exchange, export and
// properties) run as a separate process on databases built with store.
#include "imaging/BmpBuilder.h"
#include "support/CliFixture.h"
#include "support/TestSupport.h"

#include <filesystem>
#include <sstream>

namespace {

class CollectionCliTest : public CCliTest {
protected:
    static std::string Str(const std::vector<std::uint8_t>& bytes) {
        return {bytes.begin(), bytes.end()};
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
    std::string Bmp(unsigned seed) {
        return Str(BmpBuilder{.width = 2, .height = 2, .bits = 24, .pixels = PatternBytes(16, seed)}
                       .Build());
    }
    // The second field (the name) of each line of list-style output, joined by ",".
    static std::string Names(const std::string& out) {
        std::istringstream lines(out);
        std::string line, names;
        while (std::getline(lines, line)) {
            const std::size_t from = line.find('\t') + 1;
            names += (names.empty() ? "" : ",") + line.substr(from, line.find('\t', from) - from);
        }
        return names;
    }
};

TEST_F(CollectionCliTest, TagTransferAndDuplicates) {
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

TEST_F(CollectionCliTest, ExchangeExportAndProperties) {
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
TEST_F(CollectionCliTest, ExportReplacesLinksInsteadOfWritingThroughThem) {
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

} // namespace
