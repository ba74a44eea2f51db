// The database password: at most 12 characters kept scrambled in the main file's header,
// and the rules of the dialog that sets it. Asking for it is the collection's
// (collection/PasswordCheck.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace PasswordRules {
constexpr std::size_t maxLength = 12;
constexpr std::size_t minLength = 4;
} // namespace PasswordRules

// The 13-byte header field for text (at most 12 bytes; byte 12 stays 0).
std::array<std::uint8_t, 13> ScramblePassword(std::string_view text);
// The text held in a 13-byte header field.
std::string UnscramblePassword(const std::uint8_t* field);
// Whether a 13-byte header field holds a password the program can have stored: exactly
// what storing its text gives, and that text empty or 4 to 12 characters of valid UTF-8
// without control characters. Anything else is damage: no one can type it.
bool IsValidPasswordField(const std::uint8_t* field);

// Outcome of OK in the setting dialog.
enum class NewPasswordCheck { accepted, tooShort, notEqual, tooLong };

// The setting dialog's rule for OK with its two fields; shows "Password too short.",
// "Invalid password." or the length-limit message for a refusal (the dialog then empties
// both fields and stays open).
NewPasswordCheck CheckNewPassword(std::string_view first, std::string_view second);

// "&Reset password": asks "The password will be reset. Continue?"; true on Yes, when the
// dialog empties both fields and closes as if OK had been pressed (storing "").
bool ConfirmPasswordReset();
