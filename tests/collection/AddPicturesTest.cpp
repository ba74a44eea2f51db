// The Add command through its public interface, with every dialog scripted. The scripted
// dialogs show themselves through the prompt ("<Save name>", "<Save? name WxH>"), so one
// list records every message, question and dialog in the order the user meets them.
#include "collection/AddPictures.h"
#include "collection/PicdexDoc.h"
#include "imaging/BmpBuilder.h"
#include "imaging/PxGif.h"
#include "imaging/Thumbnail.h"
#include "platform/Path.h"
#include "storage/Crc16.h"

#include <deque>
#include <filesystem>

namespace {
using namespace std::string_literals;
using Texts = std::vector<std::string>;

class CScriptedAdd : public IAddDialogs, public IAddWindows {
public:
    bool BrowseFiles(std::vector<CAddFileChoice>& files) override { return files = m_files, true; }
    SaveChoice AskSave(const std::string& path, bool all,
                       CPictureDatabase::Keywords& out) override {
        ShowMessage("<Save " + GetFileName(path) + (all ? " all>" : ">"));
        out = m_keywords;
        return Next(m_saves, SaveChoice::save);
    }
    DuplicateChoice AskDuplicate(PxImage& picture, const std::string& path) override {
        ShowMessage("<Save? " + GetFileName(path) + " " + std::to_string(picture.GetWidth()) + ">");
        return Next(m_duplicates, DuplicateChoice::doNotSave);
    }
    void MinimizeMainWindow() override { ShowMessage("<minimized>"); }

    template <class T> static T Next(std::deque<T>& script, T otherwise) {
        T answer = script.empty() ? otherwise : script.front();
        return script.empty() ? answer : (script.pop_front(), answer);
    }
    std::vector<CAddFileChoice> m_files;
    CPictureDatabase::Keywords m_keywords;
    std::deque<SaveChoice> m_saves;
    std::deque<DuplicateChoice> m_duplicates;
};

class AddPicturesTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_EQ(m_doc.Database().OpenDatabase(File("pics"), true), 1); }

    // One command over paths (a leading "!" lists a file that is not chosen); returns the
    // head blocks it stored. The prompt records this command's texts only.
    std::vector<std::int32_t> Add(const std::vector<std::string>& paths) {
        m_prompt.Clear();
        m_script.m_files.clear();
        for (const std::string& path : paths)
            m_script.m_files.push_back({path.substr(path[0] == '!'), path[0] != '!'});
        CAddPictures command(m_doc, m_script, m_script, false);
        EXPECT_TRUE(command.AddPictures());
        return command.StoredRecords();
    }
    std::string Bmp(const std::string& name, unsigned seed) {
        BmpBuilder bmp{.width = 8, .height = 6, .bits = 24, .pixels = PatternBytes(144, seed)};
        return WriteFileBytes(File(name), bmp.Build()), File(name);
    }
    CRecordHead Head(std::int32_t block) {
        CRecordHead head;
        return m_doc.Database().ReadHead(head, block), head;
    }

    CPicdexDoc m_doc;
    CScriptedAdd m_script;
};

TEST_F(AddPicturesTest, DuplicatesAreAskedRefusedConfirmedAndFoundAmongDeletedRecords) {
    const std::string a = Bmp("a.bmp", 1);
    const std::int32_t first = Add({a}).at(0);
    EXPECT_EQ(m_prompt.Texts(), Texts{"<Save a.bmp>"}); // "Save &all" disabled for one file
    // Refused, confirmed, then "Do not save ANY": the last copy is not even shown.
    m_script.m_duplicates = {DuplicateChoice::doNotSave, DuplicateChoice::save,
                             DuplicateChoice::doNotSaveAny};
    const std::vector<std::int32_t> copies = Add({a, a, a, a});
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(m_prompt.Texts(),
              (Texts{"<Save? a.bmp 8>", "<Save? a.bmp 8>", "<Save a.bmp all>", "<Save? a.bmp 8>"}));

    for (std::int32_t block : {first, copies[0]})
        m_doc.Database().DeleteRecord(block, Head(block));
    EXPECT_TRUE(Add({a}).empty());
    // Every record is deleted now, so the final move to the bottom finds none.
    EXPECT_EQ(m_prompt.Texts(), (Texts{"Similar pic is found as a deleted record.",
                                       "<Save? a.bmp 8>", "Data not found"}));

    // b has a's checksum and two more bytes: new. Only the last entry with the checksum is
    // compared, so a is new as well now; "&Cancel" at its dialog ends the command.
    std::vector<std::uint8_t> b = ReadFileBytes(a);
    const std::uint16_t crc = UpdateCrc16(0, b);
    b.resize(b.size() + 2);
    for (unsigned v = 0; UpdateCrc16(crc, std::span(b).last(2)) != crc; ++v)
        b.end()[-2] = std::uint8_t(v >> 8), b.back() = std::uint8_t(v);
    WriteFileBytes(File("b.bmp"), b);
    m_script.m_saves = {SaveChoice::save, SaveChoice::cancel};
    EXPECT_EQ(Add({File("b.bmp"), a, Bmp("c.bmp", 2)}).size(), 1u);
    EXPECT_EQ(m_prompt.Texts(), (Texts{"<Save b.bmp all>", "<Save a.bmp all>"}));
}

TEST_F(AddPicturesTest, RefusedFilesAreReportedUntilTheDiskIsFull) {
    // Zeros after the GIF trailer are allowed; a file three times larger than the free
    // space stops the command before it is read.
    WriteFileBytes(File("cut.gif"), "GIF89a\x10\0\x10\0 no trailer\0"s);
    WriteFileBytes(File("narrow.gif"), "GIF89a\x01\0\x10\0;"s);
    WriteFileBytes(File("zeros.gif"), "GIF89a\x10\0\x10\0;\0\0"s);
    WriteFileBytes(File("big.jpg"), "");
    std::filesystem::resize_file(File("big.jpg"), std::filesystem::space(m_temp.Path()).available);
    std::filesystem::create_directory(File("folder.jpg"));
    m_script.m_saves = {SaveChoice::doNotSave};
    EXPECT_TRUE(Add({File("cut.gif"), File("narrow.gif"), File("zeros.gif"), File("missing.jpg"),
                     File("folder.jpg"), Bmp("d.bmp", 3), "!" + Bmp("unchosen.bmp", 4),
                     File("big.jpg"), Bmp("e.bmp", 5)})
                    .empty());
    EXPECT_EQ(m_prompt.Texts(),
              (Texts{"Invalid file format. (" + File("zeros.gif") + ")",
                     "Failed to read image file", "Failed to read image file", "<Save d.bmp all>",
                     "Cannot save. Not enough hard drive free space."}));
}

} // namespace
