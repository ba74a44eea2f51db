// Writing a stored picture back to a file: the exact bytes that were added, optionally with
// the file's last-write time of when it was added.
#pragma once

#include <string>

class CPictureDatabase;

// Writes the current record's picture to path (created or truncated). 1 or 0; a file that
// cannot be created gives 0 without a message; a read error of the main file, a damaged
// picture (see CMainFile::ReadPicture) or a failed write or sync shows its file-error text
// and removes the file, so that no partial picture is left. 1 only once the bytes are on
// stable storage, so a count of files written counts only what was really written.
// With restoreTime the file's modification time becomes the record's date image created
// (when the record has one).
int WriteCurrentPicture(CPictureDatabase& db, const std::string& path, bool restoreTime);

// The same into folder (ending in "/") under the stored file name. Only the name's last
// path component is used, and a name that is empty, "." or ".." is refused, so a damaged
// database can never write outside the folder. The picture is written to a new file of its
// own in the folder (created exclusively, so no link is followed) and then renamed over the
// name: whatever stood there, a symbolic link included, is replaced itself, never written
// through, and a failed write leaves it as it was. The picture's bytes are synced before the
// rename; the folder's entries are not: the caller syncs the folder (SyncFolder) once after
// a run of files, before it reports them written.
int WriteCurrentPictureInto(CPictureDatabase& db, const std::string& folder, bool restoreTime);
