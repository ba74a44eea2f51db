#include "collection/PasswordCheck.h"

#include "platform/Prompt.h"
#include "storage/PictureDatabase.h"

namespace {
// Set at program start; cleared by the first open through the document.
bool g_passwordNotAsked = true;
} // namespace

void ArmPasswordCheck() {
    g_passwordNotAsked = true;
}

int OpenForDocument(CPictureDatabase& db, const std::string& path, IPasswordDialog& dialog) {
    if (db.IsOpen())
        return 1;
    if (!db.OpenDatabase(path, true)) {
        ShowMessage("Failed to open the file");
        return 0;
    }
    if (g_passwordNotAsked) {
        g_passwordNotAsked = false;
        return CheckPassword(db, dialog);
    }
    return 1;
}

int CheckPassword(CPictureDatabase& db, IPasswordDialog& dialog) {
    std::string password;
    if (!db.GetPassword(password))
        return 0;
    if (password.empty())
        return 1;
    for (;;) {
        std::string entered;
        if (!dialog.AskPassword(entered))
            return 0;
        if (entered == password)
            return 1;
        ShowMessage("Invalid password.");
    }
}
