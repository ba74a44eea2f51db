// The database password: its twelve-byte field, the question when the document opens its
// database (once per process), and the rules of the dialog that sets it.
#include "storage/Password.h"

#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(PasswordFieldTest, TwelveBytesFitAndTheThirteenthStaysZero) {
    std::array<std::uint8_t, 13> field = ScramblePassword("Twelve-chars");
    EXPECT_EQ(field[12], 0);
    EXPECT_EQ(UnscramblePassword(field.data()), "Twelve-chars");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("thirteen-char").data()), "thirteen-cha");
    field.fill(0x41); // a damaged field without terminator
    EXPECT_LE(UnscramblePassword(field.data()).size(), 12u);
}

// A database whose password is "Secret".
class PasswordTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase::ArmPasswordCheck();
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, true), 1);
        ASSERT_EQ(db.SetPassword("Secret"), 1);
    }

    std::string m_path = File("locked.PXM");
};

TEST_F(PasswordTest, WrongEntriesAreRefusedUntilTheRightOneOrCancel) {
    {
        CPictureDatabase db;
        CScriptedPasswordDialog dialog({"secret", "", "Secret"});
        EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1);
        EXPECT_EQ(dialog.AskCount(), 3);
        EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>(2, "Invalid password."));
    }
    CPictureDatabase::ArmPasswordCheck();
    CPictureDatabase db;
    CScriptedPasswordDialog dialog({"SECRET", std::nullopt});
    EXPECT_EQ(db.OpenForDocument(m_path, dialog), 0);
    EXPECT_EQ(dialog.AskCount(), 2);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>(3, "Invalid password."));
}

TEST_F(PasswordTest, PasswordIsAskedOncePerProcess) {
    CScriptedPasswordDialog dialog({"Secret"});
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenForDocument(m_path, dialog), 1);
        EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1) << "already open";
    }
    CPictureDatabase again;
    EXPECT_EQ(again.OpenForDocument(m_path, dialog), 1);
    EXPECT_EQ(dialog.AskCount(), 1);
}

TEST_F(PasswordTest, ResettingStoresTheEmptyPasswordAndNothingIsAskedAfterwards) {
    m_prompt.PushAnswer(false);
    EXPECT_FALSE(ConfirmPasswordReset());
    m_prompt.PushAnswer(true);
    EXPECT_TRUE(ConfirmPasswordReset());
    EXPECT_EQ(m_prompt.Texts(),
              std::vector<std::string>(2, "The password will be reset. Continue?"));
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, false), 1);
        ASSERT_EQ(db.SetPassword(""), 1);
    }
    CPictureDatabase db;
    CScriptedPasswordDialog dialog;
    EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1);
    EXPECT_EQ(dialog.AskCount(), 0);
}

TEST(NewPasswordTest, DialogRulesForOk) {
    CScriptedPrompt prompt;
    CScopedPrompt scope(prompt);
    EXPECT_EQ(CheckNewPassword("abc", "abcd"), NewPasswordCheck::tooShort)
        << "length is checked first";
    EXPECT_EQ(CheckNewPassword("abcd", "abcD"), NewPasswordCheck::notEqual);
    EXPECT_EQ(prompt.Messages(),
              (std::vector<std::string>{"Password too short.", "Invalid password."}));
    prompt.Clear();
    EXPECT_EQ(CheckNewPassword("abcd", "abcd"), NewPasswordCheck::accepted);
    EXPECT_EQ(CheckNewPassword("Twelve-chars", "Twelve-chars"), NewPasswordCheck::accepted);
    EXPECT_TRUE(prompt.Texts().empty());
    EXPECT_EQ(CheckNewPassword("thirteen-char", "thirteen-char"), NewPasswordCheck::tooLong);
    EXPECT_EQ(prompt.Messages().size(), 1u);
}

} // namespace
