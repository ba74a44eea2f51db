// CDamagedRun: one row of the corruption matrix. It writes a damaged copy of a prepared
// database into a fresh folder and runs every operation a user can reach on it: the
// document's open with the password question, the integrity check, browsing both lists in
// both directions (decoding pictures, making missing thumbnails), the keyword and file-name
// searches and the keyword list, the duplicate check, and both reconstructions through
// the Reconstruct command, swapped in and reopened, and changes: a picture added and a
// record deleted, then the index rebuilt. A hang fails the test at ctest's timeout.
//
// What must hold is checked as it goes (failures are test failures): every text shown is
// one of the program's own messages; a failure says why; a database that is refused or a
// reconstruction that fails leaves both files as they were and no temporary file behind;
// every record the damage did not touch (head and picture chain) is browsed, found by its
// name and, after either reconstruction, reads back byte for byte (damage to the index
// alone loses no record at all); no repair loses a record whose picture the damage left
// readable (a damaged size or kind is reported by the check and kept by both
// reconstructions); a picture the program said it stored reads back, and
// after an index reconstruction is found by its name; an insertion takes no entry off
// the list.
#pragma once

#include "corruption/Damage.h"
#include "corruption/PreparedDatabase.h"
#include "support/TestSupport.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class CPicdexDoc;
class CPictureDatabase;
class CScriptedReconstruction;
struct MainCopyReport;

enum class Operation {
    open,
    check,
    browse,
    search,
    duplicates,
    indexRebuild,
    mainRebuild,
    addAndDelete,
};
inline constexpr int operationCount = 8;
const char* OperationName(Operation operation);

// How an operation ended: '+' it did its whole job without a message (the check: found
// nothing), '~' it did, but showed a message or stopped short (a record that cannot be
// read or found), 'x' it refused or failed, with a message (the check: reported damage),
// '-' not reached because the database does not open.
using RunOutcomes = std::array<char, operationCount>;

class CDamagedRun {
public:
    CDamagedRun(const CPreparedDatabase& prepared, const DamageCase& damage,
                CScriptedPrompt& prompt);

    RunOutcomes Run();
    // Records in the database that a main-file reconstruction built; -1 when none was built.
    int KeptByMainRebuild() const { return m_keptByMainRebuild; }

private:
    struct Files {
        std::vector<std::uint8_t> main, index;
        bool operator==(const Files&) const = default;
    };

    std::string Base() const { return m_dir.File("db"); }
    std::string MainPath() const { return m_dir.File("db.PXM"); }
    void WriteDamagedCopy();
    // Writes the damaged copy again and opens it; false, a failure, when it does not open.
    bool OpenDamagedCopy(CPictureDatabase& db);
    Files Snapshot() const;
    // The damage left the record's head and picture chain as they were.
    bool Undamaged(const PreparedRecord& record) const;
    const PreparedRecord* UndamagedAt(std::int32_t head) const;
    bool TouchesPassword() const;
    // Checks what the prompt showed during operation (only the program's own texts) and
    // forgets it; true when it showed anything.
    bool Shown(Operation operation);

    char OpenForDocument();
    char Check();
    char Browse(CPicdexDoc& doc);
    char Search(CPicdexDoc& doc);
    char Duplicates(CPicdexDoc& doc);
    char RebuildIndex(CPicdexDoc& doc);
    char RebuildMain();
    // Runs the Reconstruct command with dialogs; a failed build must say why and leave the
    // files as they were. copy receives what a main-file reconstruction copied.
    bool Reconstruct(CPictureDatabase& db, CScriptedReconstruction& dialogs, Operation operation,
                     MainCopyReport* copy = nullptr);
    char AddAndDelete();
    // After a reconstruction was swapped in: the records that must have come back.
    void ExpectRecordsBack(bool indexRebuild);

    const CPreparedDatabase& m_prepared;
    const DamageCase& m_damage;
    CScriptedPrompt& m_prompt;
    CTempDir m_dir;
    Files m_damaged;
    // Records whose picture did not read back intact from the damaged database.
    int m_unreadable = 0;
    int m_keptByMainRebuild = -1;
};
