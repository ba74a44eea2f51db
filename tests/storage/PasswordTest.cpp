// The database password's twelve-byte field.
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

} // namespace
