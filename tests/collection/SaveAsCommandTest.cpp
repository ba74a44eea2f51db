// The Save As command, the fixture answering its dialog: an exact copy with its time for the
// record's own kind, a conversion that reads back, nothing for an unknown kind or a picture
// that is not the record's, and No to "File already exists. Overwrite?".
#include "collection/SaveAsCommand.h"
#include "collection/PicdexDoc.h"
#include "imaging/BmpBuilder.h"
#include "imaging/PxGif.h"
#include "platform/FileSystem.h"
#include "storage/Crc16.h"

namespace {

class SaveAsCommandTest : public CTempDirTest, public ISaveFileDialog {
protected:
    bool AskSavePath(const CSaveFileRequest& a, std::string& path) override {
        return m_asked = a.title + a.initialFolder + a.proposedName, path = m_answer, true;
    }
    SaveAsResult SaveAs(const std::string& name) {
        m_answer = File(name);
        return CSaveAsCommand(m_doc, *this, m_settings).Run();
    }

    CPicdexDoc m_doc;
    CMemorySettings m_settings;
    std::string m_answer, m_asked;
};

TEST_F(SaveAsCommandTest, CopiesItsOwnKindConvertsAnotherAndAsksBeforeOverwriting) {
    auto bmp = BmpBuilder{.width = 8, .height = 7, .bits = 24, .pixels = PatternBytes(168)}.Build();
    ASSERT_TRUE(m_doc.Database().OpenDatabase(File("db"), true));
    for (const char* name : {"pic.bmp", "bad.jpg"}) {
        CMemFile file;
        FillMemFile(file, bmp);
        ASSERT_TRUE(
            m_doc.Database().AddRecord(file, UpdateCrc16(0, bmp), name, 1000000000, 10, 7, {}));
    }
    m_doc.ShowAll(OrderFamily::dateSaved, true); // pic.bmp
    // No leaves the file, but the folder chosen is remembered already.
    m_settings.WriteProfileString("Options", "CreatePath", "/pictures/");
    WriteFileBytes(File("keep.bmp"), "old");
    EXPECT_EQ(SaveAs("keep.bmp"), SaveAsResult::cancelled);
    EXPECT_EQ(m_asked, "Create picture file/picturespic.bmp");
    EXPECT_EQ(FileLength(File("keep.bmp")), 3);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"File already exists. Overwrite?"});
    EXPECT_EQ(m_settings.GetProfileString("Options", "CreatePath", ""), m_temp.Path());

    EXPECT_EQ(SaveAs("copy.BMP"), SaveAsResult::copied);
    EXPECT_EQ(ReadFileBytes(File("copy.BMP")), bmp);
    std::int32_t time = 0;
    EXPECT_TRUE(GetFileModTime(File("copy.BMP"), time) && time == 1000000000);
    EXPECT_EQ(SaveAs("c.gif"), SaveAsResult::converted);
    PxGif back;
    EXPECT_TRUE(back.LoadFromPath(File("c.gif")) && back.GetWidth() * back.GetHeight() == 56);
    EXPECT_EQ(SaveAs("c.txt"), SaveAsResult::nothingWritten);

    // bad.jpg holds BMP bytes and is not decoded: pic.bmp's picture is not written for it.
    ASSERT_TRUE(m_doc.GoNext());
    EXPECT_EQ(SaveAs("d.gif"), SaveAsResult::nothingWritten);
}

} // namespace
