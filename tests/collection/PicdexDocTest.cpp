// The document: loading records, moving through the list with wrapping and deleted-entry
// skipping, "Data not found", the missing-thumbnail step and TIFF records decoded without
// a temporary file.
#include "collection/PicdexDoc.h"
#include "imaging/BmpBuilder.h"
#include "support/AddPicture.h"

namespace {

// A 24-bit BMP of w x h pixels in one colour.
std::vector<std::uint8_t> SolidBmp(int w, int h, std::uint8_t shade) {
    const std::size_t pitch = std::size_t(w * 3 + 3) & ~std::size_t{3};
    return BmpBuilder{.width = w, .height = h, .bits = 24, .pixels = std::vector(pitch * h, shade)}
        .Build();
}

class CRecordingView : public IDocumentView {
public:
    void SetRedraw(bool on) override { m_calls += on ? "R" : "r"; }
    void ZoomTo100() override { m_calls += "Z"; }
    std::string m_calls;
};

class PicdexDocTest : public CTempDirTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_doc.Database().OpenDatabase(File("db"), true));
        m_doc.AddView(m_view);
    }
    std::int32_t Add(const std::string& name, std::vector<std::uint8_t> bytes,
                     CPictureDatabase::Keywords keywords = {}) {
        return AddPicture(m_doc.Database(), name, bytes, keywords);
    }
    std::string CurrentName() {
        CRecordHead head;
        return m_doc.GetCurrentHead(head) ? head.FileName() : "";
    }
    CPicdexDoc m_doc;
    CRecordingView m_view;
};

TEST_F(PicdexDocTest, PagesInNameOrderWrapsAndSkipsDeletedRecords) {
    for (const char* name : {"b.bmp", "a.bmp", "d.bmp", "c.bmp"})
        Add(name, SolidBmp(4, 4, 100));
    m_doc.ShowAll(OrderFamily::fileName, true);
    EXPECT_EQ(CurrentName(), "a.bmp");
    EXPECT_EQ(m_doc.GetPictureKind(), imageBmp);
    EXPECT_TRUE(m_doc.GoPrevious());
    EXPECT_EQ(CurrentName(), "d.bmp"); // wrapped from the first to the last
    EXPECT_TRUE(m_doc.GoNext());
    EXPECT_EQ(CurrentName(), "a.bmp");

    ASSERT_TRUE(m_doc.GoNext());
    ASSERT_TRUE(m_doc.DeleteCurrent()); // b.bmp
    ASSERT_TRUE(m_doc.GoTop());
    EXPECT_TRUE(m_doc.GoNext());
    EXPECT_EQ(CurrentName(), "c.bmp");
    EXPECT_TRUE(m_doc.GoPrevious());
    EXPECT_EQ(CurrentName(), "a.bmp");
    // Redrawing is off for the whole of every move and the picture opens at 100 %.
    EXPECT_EQ(m_view.m_calls.substr(0, 3), "rZR");
}

TEST_F(PicdexDocTest, EveryRecordDeletedShowsDataNotFoundAndTheFullNameList) {
    Add("a.bmp", SolidBmp(2, 2, 1));
    Add("b.bmp", SolidBmp(2, 2, 2));
    m_doc.ShowAll(OrderFamily::dateSaved, true);
    m_prompt.PushAnswer(true);
    m_doc.DeleteCommand();
    EXPECT_TRUE(m_prompt.Saw("Delete the picture?"));
    ASSERT_TRUE(m_doc.DeleteCurrent());
    EXPECT_FALSE(m_doc.GoNext());
    EXPECT_TRUE(m_prompt.Saw("Data not found"));
    EXPECT_EQ(m_doc.GetListMode(), OrderFamily::fileName);
    EXPECT_EQ(m_doc.GetCurrentPicture(), nullptr);

    m_prompt.PushAnswer(false); // No leaves everything as it is
    m_doc.DeleteCommand();
    EXPECT_EQ(m_prompt.Questions().size(), 2u);
}

// The thumbnail is made the first time a record is shown, and only by the writer.
TEST_F(PicdexDocTest, MissingThumbnailIsMadeOnceByTheWriter) {
    const std::int32_t record = Add("big.bmp", SolidBmp(200, 100, 77));
    {
        CPicdexDoc reader;
        ASSERT_TRUE(reader.Database().OpenDatabase(File("db"), false));
        ASSERT_TRUE(reader.Database().IsReadOnly());
        CRecordHead head;
        ASSERT_TRUE(reader.LoadRecord(record, head));
        ASSERT_TRUE(reader.Database().ReadHead(head, record));
        EXPECT_EQ(head.ThumbnailBlock(), 0);
    }
    CRecordHead head;
    ASSERT_TRUE(m_doc.LoadRecord(record, head));
    ASSERT_TRUE(m_doc.Database().ReadHead(head, record));
    EXPECT_GT(head.ThumbnailBlock(), head.Next());
    CMemFile thumbnail;
    ASSERT_TRUE(m_doc.Database().ReadThumbnail(thumbnail, head));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(thumbnail.Data().data()), 6), "GIF89a");
}

TEST_F(PicdexDocTest, TiffRecordDecodesWithoutTemporaryFiles) {
    const std::string data = TestDataDir();
    if (data.empty())
        return;
    CScopedTemporaryFolder temporary;
    const std::int32_t record =
        Add("pal.tiff", ReadFileBytes(data + "photos/ladybird-640x480-pal8.tiff"));
    CRecordHead head;
    ASSERT_TRUE(m_doc.LoadRecord(record, head));
    EXPECT_EQ(m_doc.GetPictureKind(), imageTiff);
    EXPECT_EQ(m_doc.GetCurrentPicture()->GetWidth(), 640u);
    EXPECT_EQ(temporary.Entries(), std::vector<std::string>{});
}

} // namespace
