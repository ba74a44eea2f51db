// Output of pictures to a folder: the folder typed with or without its final "/", an
// invalid folder, the overwrite question, restored file times, the list of a search, the
// marks (a mark outside the current list is not written); and the counts by type.
#include "collection/PictureOutput.h"
#include "collection/FileProperties.h"
#include "collection/PicdexDoc.h"
#include "platform/FileSystem.h"
#include "platform/MemFile.h"
#include "storage/Crc16.h"
#include "support/AddPicture.h"
#include "support/TestSupport.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

class PictureOutputTest : public CTempDirTest, public IOutputFolderDialog {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_doc.Database().OpenDatabase(File("db"), true));
        ASSERT_EQ(mkdir(File("out").c_str(), 0700), 0);
    }
    bool AskOutputFolder(std::string& folder) override { return folder = m_folder, true; }

    std::int32_t Add(const std::string& name, unsigned seed, std::int32_t created = 0,
                     CPictureDatabase::Keywords keywords = {}) {
        return AddPicture(m_doc.Database(), name, PatternBytes(40 + seed, seed), keywords, created);
    }
    int Output(bool marked) {
        m_prompt.Clear();
        return (marked ? OutputMarked(m_doc, *this) : OutputAll(m_doc, *this)).written;
    }

    CPicdexDoc m_doc;
    std::string m_folder;
};

TEST_F(PictureOutputTest, WritesTheListWithTimesAndAsksBeforeOverwriting) {
    Add("b.jpg", 2, 1000000000);
    Add("a.gif", 1);
    m_doc.ShowAll(OrderFamily::fileName, true);

    m_folder = File("out"); // without the final "/"
    EXPECT_EQ(Output(false), 2);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Output 2 picture files."});
    EXPECT_EQ(ReadFileBytes(File("out/a.gif")), PatternBytes(41, 1));
    std::int32_t time = 0;
    EXPECT_TRUE(GetFileModTime(File("out/b.jpg"), time) && time == 1000000000);

    // With the "/": every file exists; No to a.gif, Yes to b.jpg, No beyond the script.
    WriteFileBytes(File("out/a.gif"), "mine");
    m_folder = File("out/");
    m_prompt.PushAnswer(false), m_prompt.PushAnswer(true);
    EXPECT_EQ(Output(false), 1);
    EXPECT_EQ(m_prompt.Questions().size(), 2u);
    EXPECT_TRUE(m_prompt.Saw("Output 1 picture files."));
    EXPECT_EQ(FileLength(File("out/a.gif")), 4);

    for (const char* folder : {"missing", "out/b.jpg"}) {
        m_folder = File(folder);
        EXPECT_EQ(Output(false), -1);
        EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Invalid folder"});
    }
}

TEST_F(PictureOutputTest, WritesOnlyTheSearchResultAndOnlyMarksInTheCurrentList) {
    const std::int32_t sea = Add("sea.jpg", 1, 0, {"sea"});
    const std::int32_t land = Add("land.jpg", 2);
    CPictureDatabase& db = m_doc.Database();
    const std::int32_t hit = db.Index().FindExact("@sea", true);
    ASSERT_GE(hit, 0);
    db.SetSearch("@sea", hit, hit);
    ASSERT_TRUE(m_doc.GoTop());
    m_folder = File("out");
    EXPECT_EQ(Output(false), 1);
    EXPECT_TRUE(FileExists(File("out/sea.jpg")));

    // land.jpg is marked but outside the search: only sea.jpg is written, once.
    EXPECT_EQ(Output(true), 0);
    ASSERT_TRUE(db.Marks().Mark(land) && db.Marks().Mark(sea));
    m_prompt.PushAnswer(true);
    EXPECT_EQ(Output(true), 1);
    EXPECT_EQ(m_prompt.Texts(), (std::vector<std::string>{"File already exists. Overwrite?",
                                                          "Output 1 picture files."}));
    m_doc.ShowAll(OrderFamily::fileName, true);
    EXPECT_EQ(Output(true), 1);
    EXPECT_TRUE(FileExists(File("out/land.jpg")));
}

TEST_F(PictureOutputTest, CountsLiveRecordsByTheirExtension) {
    CTypeCounts counts;
    unsigned seed = 1;
    for (const char* name :
         {"a.tif", "b.TIFF", "c.gif", "d.jpeg", "e.JPG", "f.bmp", "PHOTO.jpe", "g.png", "noext"})
        Add(name, seed++);
    ASSERT_TRUE(DeletePicture(m_doc.Database(), Add("gone.jpg", seed)));
    EXPECT_EQ(CountByType(m_doc.Database(), counts), 1);
    const int expected[] = {2, 1, 2, 1, 3, 9};
    const int got[] = {counts.tiff, counts.gif,     counts.jpeg,
                       counts.bmp,  counts.unknown, counts.total};
    EXPECT_TRUE(std::equal(got, got + 6, expected));
}

} // namespace
