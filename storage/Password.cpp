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

namespace {
// Valid UTF-8 (no overlong forms, surrogates or values past U+10FFFF) without C0 or C1
// control characters or DEL.
bool IsTypedText(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                return false;
            ++i;
            continue;
        }
        const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 ? 2 : 0;
        if (length == 0 || c > 0xF4 || i + length > text.size())
            return false;
        std::uint32_t value = c & (0x3Fu >> (length - 1));
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            value = value << 6 | (next & 0x3Fu);
        }
        const std::uint32_t least = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
        if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF) ||
            (value >= 0x80 && value < 0xA0))
            return false;
        i += length;
    }
    return true;
}
} // namespace

bool IsValidPasswordField(const std::uint8_t* field) {
    const std::string text = UnscramblePassword(field);
    const auto stored = ScramblePassword(text);
    if (std::memcmp(stored.data(), field, stored.size()) != 0)
        return false;
    return text.empty() || (text.size() >= PasswordRules::minLength && IsTypedText(text));
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
