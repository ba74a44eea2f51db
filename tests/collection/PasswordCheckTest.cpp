// The password question when the document opens its database: asked once per process,
// repeated until the right entry or Cancel.
#include "collection/PasswordCheck.h"

#include "storage/PictureDatabase.h"
#include "support/ScriptedPasswordDialog.h"
#include "support/TestSupport.h"

namespace {

// A database whose password is "Secret".
class PasswordCheckTest : public CTempDirTest {
protected:
    void SetUp() override {
        ArmPasswordCheck();
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, true), 1);
        ASSERT_EQ(db.SetPassword("Secret"), 1);
    }

    std::string m_path = File("locked.PXM");
};

TEST_F(PasswordCheckTest, WrongEntriesAreRefusedUntilTheRightOneOrCancel) {
    {
        CPictureDatabase db;
        CScriptedPasswordDialog dialog({"secret", "", "Secret"});
        EXPECT_EQ(OpenForDocument(db, m_path, dialog), 1);
        EXPECT_EQ(dialog.AskCount(), 3);
        EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>(2, "Invalid password."));
    }
    ArmPasswordCheck();
    CPictureDatabase db;
    CScriptedPasswordDialog dialog({"SECRET", std::nullopt});
    EXPECT_EQ(OpenForDocument(db, m_path, dialog), 0);
    EXPECT_EQ(dialog.AskCount(), 2);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>(3, "Invalid password."));
}

TEST_F(PasswordCheckTest, PasswordIsAskedOncePerProcess) {
    CScriptedPasswordDialog dialog({"Secret"});
    {
        CPictureDatabase db;
        ASSERT_EQ(OpenForDocument(db, m_path, dialog), 1);
        EXPECT_EQ(OpenForDocument(db, m_path, dialog), 1) << "already open";
    }
    CPictureDatabase again;
    EXPECT_EQ(OpenForDocument(again, m_path, dialog), 1);
    EXPECT_EQ(dialog.AskCount(), 1);
}

TEST_F(PasswordCheckTest, DocumentOpenFailureSaysSoAfterTheCause) {
    CPictureDatabase db;
    CScriptedPasswordDialog dialog;
    EXPECT_EQ(OpenForDocument(db, File("no/such/folder/pics.PXM"), dialog), 0);
    EXPECT_EQ(m_prompt.Messages(),
              (std::vector<std::string>{"File not found", "Failed to open the file"}));
    EXPECT_EQ(dialog.AskCount(), 0);
}

} // namespace
