// The database password: its scrambled header field, the question when the document opens
// its database (once per process), and the rules of the dialog that sets it.
#include "storage/Password.h"

#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

namespace {

using Field = std::array<std::uint8_t, 13>;

TEST(PasswordFieldTest, ScramblingSubtractsTheKeyFromAllTwelveBytes) {
    // "K.L.BrennerO" taken away byte by byte from "abc" and its nine zero bytes.
    Field expected = {0x16, 0x34, 0x17, 0xD2, 0xBE, 0x8E, 0x9B, 0x92, 0x92, 0x9B, 0x8E, 0xB1, 0};
    EXPECT_EQ(ScramblePassword("abc"), expected);
    EXPECT_EQ(UnscramblePassword(expected.data()), "abc");
}

TEST(PasswordFieldTest, TwelveCharactersReadBackAndByteTwelveStaysZero) {
    Field field = ScramblePassword("Twelve-chars");
    EXPECT_EQ(field[12], 0);
    EXPECT_EQ(UnscramblePassword(field.data()), "Twelve-chars");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("").data()), "");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("thirteen-char").data()), "thirteen-cha")
        << "only 12 bytes fit";
    field.fill(0x41); // a damaged field without terminator
    EXPECT_LE(UnscramblePassword(field.data()).size(), 12u);
}

class PasswordTest : public CTempDirTest {
protected:
    void SetUp() override {
        CPictureDatabase::ArmPasswordCheck();
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, true), 1);
    }
    void SetStoredPassword(std::string_view text) {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_path, false), 1);
        ASSERT_EQ(db.SetPassword(text), 1);
    }

    std::string m_path = File("locked.PXM");
};

TEST_F(PasswordTest, StoredPasswordSurvivesReopening) {
    SetStoredPassword("Twelve-chars");
    std::vector<std::uint8_t> main = ReadFileBytes(m_path);
    Field field = ScramblePassword("Twelve-chars");
    EXPECT_TRUE(std::equal(field.begin(), field.end(), main.begin() + 280));
    EXPECT_EQ(main[8], 1) << "the header is written as a head";

    CPictureDatabase db;
    ASSERT_EQ(db.OpenDatabase(m_path, false), 1);
    std::string text;
    ASSERT_EQ(db.GetPassword(text), 1);
    EXPECT_EQ(text, "Twelve-chars");
}

TEST_F(PasswordTest, DatabaseWithoutPasswordOpensWithoutAQuestion) {
    CPictureDatabase db;
    CScriptedPasswordDialog dialog;
    EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1);
    EXPECT_EQ(dialog.AskCount(), 0);
    EXPECT_TRUE(m_prompt.Texts().empty());
}

TEST_F(PasswordTest, WrongEntriesAreRefusedUntilTheRightOneOrCancel) {
    SetStoredPassword("Secret");
    {
        CPictureDatabase db;
        CScriptedPasswordDialog dialog({"secret", "", "Secret"});
        EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1);
        EXPECT_EQ(dialog.AskCount(), 3);
        EXPECT_EQ(m_prompt.Messages(),
                  (std::vector<std::string>{"Invalid password.", "Invalid password."}));
    }
    CPictureDatabase::ArmPasswordCheck();
    m_prompt.Clear();
    CPictureDatabase db;
    CScriptedPasswordDialog dialog({"SECRET", std::nullopt});
    EXPECT_EQ(db.OpenForDocument(m_path, dialog), 0);
    EXPECT_EQ(dialog.AskCount(), 2);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{"Invalid password."});
}

TEST_F(PasswordTest, PasswordIsAskedOncePerProcess) {
    SetStoredPassword("Secret");
    CScriptedPasswordDialog dialog({"Secret"});
    {
        CPictureDatabase db;
        ASSERT_EQ(db.OpenForDocument(m_path, dialog), 1);
        EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1) << "already open";
    }
    CPictureDatabase again;
    EXPECT_EQ(again.OpenForDocument(m_path, dialog), 1);
    EXPECT_EQ(dialog.AskCount(), 1);

    // Other opens never ask.
    CPictureDatabase::ArmPasswordCheck();
    CPictureDatabase other;
    EXPECT_EQ(other.OpenDatabase(File("other.PXM"), true), 1);
    EXPECT_EQ(dialog.AskCount(), 1);
}

TEST_F(PasswordTest, ResettingStoresTheEmptyPasswordAndNothingIsAskedAfterwards) {
    SetStoredPassword("Secret");
    m_prompt.PushAnswer(false);
    EXPECT_FALSE(ConfirmPasswordReset());
    m_prompt.PushAnswer(true);
    EXPECT_TRUE(ConfirmPasswordReset());
    EXPECT_EQ(m_prompt.Questions(),
              (std::vector<std::string>{"The password will be reset. Continue?",
                                        "The password will be reset. Continue?"}));
    SetStoredPassword("");

    CPictureDatabase db;
    CScriptedPasswordDialog dialog;
    EXPECT_EQ(db.OpenForDocument(m_path, dialog), 1);
    EXPECT_EQ(dialog.AskCount(), 0);
}

TEST(NewPasswordTest, DialogRulesForOk) {
    CScriptedPrompt prompt;
    CScopedPrompt scope(prompt);
    EXPECT_EQ(CheckNewPassword("abc", "abc"), NewPasswordCheck::tooShort);
    EXPECT_EQ(prompt.Messages(), std::vector<std::string>{"Password too short."});
    prompt.Clear();
    EXPECT_EQ(CheckNewPassword("abc", "abcd"), NewPasswordCheck::tooShort)
        << "length is checked first";
    prompt.Clear();
    EXPECT_EQ(CheckNewPassword("abcd", "abcD"), NewPasswordCheck::notEqual);
    EXPECT_EQ(prompt.Messages(), std::vector<std::string>{"Invalid password."});
    prompt.Clear();
    EXPECT_EQ(CheckNewPassword("abcd", "abcd"), NewPasswordCheck::accepted);
    EXPECT_EQ(CheckNewPassword("Twelve-chars", "Twelve-chars"), NewPasswordCheck::accepted);
    EXPECT_TRUE(prompt.Texts().empty());
    EXPECT_EQ(CheckNewPassword("thirteen-char", "thirteen-char"), NewPasswordCheck::tooLong);
    EXPECT_EQ(prompt.Messages().size(), 1u);
}

} // namespace
