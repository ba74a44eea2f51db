// The password question when the document opens its database: asked once per process, on
// the first open through the document, and repeated until the stored password is typed or
// the user cancels. Storage keeps the password field itself (storage/Password.h).
#pragma once

#include <string>

class CPictureDatabase;

// The asking dialog ("Password", one masked field). Returns false on Cancel.
class IPasswordDialog {
public:
    virtual ~IPasswordDialog() = default;
    virtual bool AskPassword(std::string& entered) = 0;
};

// The document's open: 1 at once when db is open; otherwise db.OpenDatabase(path, 1)
// ("Failed to open the file" and 0 when that fails) and, the first time in this process,
// CheckPassword.
int OpenForDocument(CPictureDatabase& db, const std::string& path, IPasswordDialog& dialog);
// 1 when db has no password or it was entered; 0 when the dialog was cancelled or the
// password could not be read. A wrong entry shows "Invalid password." and asks again.
int CheckPassword(CPictureDatabase& db, IPasswordDialog& dialog);
// Arms the once-per-process password question again (program start, tests).
void ArmPasswordCheck();
