#include "storage/Password.h"

#include "platform/Prompt.h"

#include <cstring>
#include <string>

namespace {
constexpr const char* scrambleKey = "K.L.BrennerOstwaldHarbourView";
}

std::array<std::uint8_t, 13> ScramblePassword(std::string_view text) {
    std::array<std::uint8_t, 13> field{};
    if (!text.empty())
        std::memcpy(field.data(), text.data(), std::min(text.size(), PasswordRules::maxLength));
    for (std::size_t i = 0; i < PasswordRules::maxLength; ++i)
        field[i] = static_cast<std::uint8_t>(field[i] - static_cast<std::uint8_t>(scrambleKey[i]));
    field[12] = 0;
    return field;
}

std::string UnscramblePassword(const std::uint8_t* field) {
    char plain[PasswordRules::maxLength + 1] = {};
    for (std::size_t i = 0; i < PasswordRules::maxLength; ++i)
        plain[i] = static_cast<char>(field[i] + static_cast<std::uint8_t>(scrambleKey[i]));
    return std::string(plain, strnlen(plain, PasswordRules::maxLength));
}

NewPasswordCheck CheckNewPassword(std::string_view first, std::string_view second) {
    if (first.size() > PasswordRules::maxLength || second.size() > PasswordRules::maxLength) {
        ShowMessage("Please enter no more than 12 characters.");
        return NewPasswordCheck::tooLong;
    }
    if (first.size() < PasswordRules::minLength) {
        ShowMessage("Password too short.");
        return NewPasswordCheck::tooShort;
    }
    if (first != second) {
        ShowMessage("Invalid password.");
        return NewPasswordCheck::notEqual;
    }
    return NewPasswordCheck::accepted;
}

bool ConfirmPasswordReset() {
    return AskYesNo("The password will be reset. Continue?");
}
