// The database password: its twelve-byte field and the rules of the dialog that sets it.
#include "storage/Password.h"

#include "support/TestSupport.h"

namespace {

TEST(PasswordFieldTest, TwelveBytesFitAndTheThirteenthStaysZero) {
    std::array<std::uint8_t, 13> field = ScramblePassword("Twelve-chars");
    EXPECT_EQ(field[12], 0);
    EXPECT_EQ(UnscramblePassword(field.data()), "Twelve-chars");
    EXPECT_EQ(UnscramblePassword(ScramblePassword("thirteen-char").data()), "thirteen-cha");
    field.fill(0x41); // a damaged field without terminator
    EXPECT_LE(UnscramblePassword(field.data()).size(), 12u);
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
