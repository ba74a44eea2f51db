#include "collection/OpenCommand.h"

#include "support/TestSupport.h"

#include <optional>

namespace {
// Answers the open dialog with a fixed path (std::nullopt: Cancel) and keeps the request.
struct CScriptedOpenDialog : IOpenFileDialog {
    explicit CScriptedOpenDialog(std::optional<std::string> answer) : m_answer(answer) {}
    bool AskOpenPath(const CSaveFileRequest&, std::string& path) override {
        return m_answer && (path = *m_answer, true);
    }
    std::optional<std::string> m_answer;
};

class OpenCommandTest : public CTempDirTest {
protected:
    CMemorySettings m_settings;
};

TEST_F(OpenCommandTest, ExistingFileIsChosenWithoutQuestionAndItsFolderRemembered) {
    const std::string path = File("HOLIDAY.PXM");
    WriteFileBytes(path, std::string_view("x"));
    CScriptedOpenDialog dialog(path);
    std::string chosen;
    ASSERT_TRUE(OpenCommand(m_settings, dialog, chosen));
    EXPECT_EQ(chosen, path);
    EXPECT_TRUE(m_prompt.Questions().empty());
    EXPECT_EQ(m_settings.GetProfileString("Options", "OpenPath", ""), m_temp.Path());
}

TEST_F(OpenCommandTest, MissingFileIsCreatedOnlyAfterYes) {
    const std::string path = File("NEW.PXM");
    CScriptedOpenDialog refused(path);
    std::string chosen;
    EXPECT_FALSE(OpenCommand(m_settings, refused, chosen));
    EXPECT_EQ(m_prompt.Questions(), std::vector<std::string>{"File not found. Create?"});
    // No: the folder is not remembered either.
    EXPECT_EQ(m_settings.GetProfileString("Options", "OpenPath", "none"), "none");

    m_prompt.PushAnswer(true);
    CScriptedOpenDialog agreed(path);
    EXPECT_TRUE(OpenCommand(m_settings, agreed, chosen));
    EXPECT_EQ(chosen, path);
    EXPECT_EQ(m_settings.GetProfileString("Options", "OpenPath", ""), m_temp.Path());

    // A bare name without a folder leaves the setting as it was.
    m_prompt.PushAnswer(true);
    CScriptedOpenDialog bare(std::string("BARE.PXM"));
    EXPECT_TRUE(OpenCommand(m_settings, bare, chosen));
    EXPECT_EQ(m_settings.GetProfileString("Options", "OpenPath", ""), m_temp.Path());
}

} // namespace
