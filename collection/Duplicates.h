// CDuplicates: the duplicate check. Records whose pictures have the same checksum and the
// same data size are marked, so the user can look at them as marked thumbnails and delete
// the copies with the marked-data commands. Only the checksum family of the index is
// walked, and record heads are read only for checksums that occur more than once.
#pragma once

#include "collection/MarkCommands.h"

#include <functional>

class CPictureDatabase;

inline constexpr const char* markDuplicatesQuestion = "Mark duplicate pics?";
inline constexpr const char* noDuplicatesMessage = "Duplicate data not found.";

class CDuplicates {
public:
    CDuplicates(CPicdexDoc& doc, IMarkView& view);

    // Runs during the walk, before each index entry, so the windows stay painted.
    void SetProcessPending(std::function<void()> processPending) {
        m_processPending = std::move(processPending);
    }
    // Runs once the walk is over, before its result is shown.
    void SetBeforeShowing(std::function<void()> beforeShowing) {
        m_beforeShowing = std::move(beforeShowing);
    }

    // The command: asks "Mark duplicate pics?", clears the marks, marks the duplicates and
    // shows the bar and the marked thumbnails, or "Duplicate data not found.". The result of
    // MarkDuplicates; -1 when the question was not answered Yes.
    int CheckDuplicates();

    // Marks every live record whose checksum and data size equal another live record's.
    // The number of successful mark calls: each member of a group of k equal records is
    // marked once for each of the other k - 1 (a record already marked counts each time).
    // Marks beyond the list's limit are not made. 0 when nothing was found.
    // processPending (when given) runs before each index entry.
    static int MarkDuplicates(CPictureDatabase& db,
                              const std::function<void()>& processPending = {});

private:
    CPicdexDoc& m_doc;
    IMarkView& m_view;
    std::function<void()> m_processPending;
    std::function<void()> m_beforeShowing;
};
