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

using OpenCommandTest = CTempDirTest;

// An existing file is chosen without a question and its folder remembered; a missing one
// only after Yes, and No remembers nothing; a bare name leaves the remembered folder.
TEST_F(OpenCommandTest, MissingFileIsCreatedOnlyAfterYesAndTheFolderRemembered) {
    CMemorySettings settings;
    std::string chosen;
    const std::string existing = File("HOLIDAY.PXM"), missing = File("NEW.PXM");
    WriteFileBytes(existing, std::string_view("x"));
    CScriptedOpenDialog refused(missing);
    EXPECT_FALSE(OpenCommand(settings, refused, chosen));
    EXPECT_EQ(m_prompt.Questions(), std::vector<std::string>{"File not found. Create?"});
    EXPECT_EQ(settings.GetProfileString("Options", "OpenPath", "none"), "none");
    CScriptedOpenDialog present(existing);
    ASSERT_TRUE(OpenCommand(settings, present, chosen));
    EXPECT_EQ(chosen, existing);
    EXPECT_EQ(m_prompt.Questions().size(), 1u);
    EXPECT_EQ(settings.GetProfileString("Options", "OpenPath", ""), m_temp.Path());

    settings.WriteProfileString("Options", "OpenPath", "");
    m_prompt.PushAnswer(true);
    CScriptedOpenDialog agreed(missing);
    EXPECT_TRUE(OpenCommand(settings, agreed, chosen));
    EXPECT_EQ(chosen, missing);
    EXPECT_EQ(settings.GetProfileString("Options", "OpenPath", ""), m_temp.Path());
    m_prompt.PushAnswer(true);
    CScriptedOpenDialog bare(std::string("BARE.PXM"));
    EXPECT_TRUE(OpenCommand(settings, bare, chosen));
    EXPECT_EQ(settings.GetProfileString("Options", "OpenPath", ""), m_temp.Path());
}

} // namespace
