// Deleting on a failing disk: the document's delete command on the shown record, and the
// deletion of two marked records. A deletion only flags index entries, so a failure can
// leave a record flagged in some families and not in others; an index reconstruction must
// then bring it back whole.
#include "faults/FaultFixtures.h"

namespace {

class DeleteFaultTest : public CShownAndMarkedFaultTest {
protected:
    // Sweeps a command that deletes the records deleting (in the order it deletes them)
    // and returns how many it reports deleted.
    void SweepDeletion(const std::string& name, std::uint64_t writeStride, std::uint64_t readStride,
                       const std::vector<std::int32_t>& deleting,
                       const std::function<int(CFaultRun&)>& command) {
        SweepDisk(
            name, writeStride, readStride,
            [&](CFaultRun& run) { return command(run) == static_cast<int>(deleting.size()); },
            [&](const CFaultRun& run, bool success, const std::vector<CDatabaseAfter>& after) {
                for (std::size_t k = 0; k < deleting.size(); ++k) {
                    const bool live = after[0].state.IsLive(deleting[k]);
                    // After success every record is gone. A failed deletion stops the
                    // command, so the records after it stay (a record that cannot be read
                    // is passed over like one outside the list); a reconstruction revives
                    // deleted records, so this holds only without one.
                    if (success) {
                        EXPECT_FALSE(live) << "record " << deleting[k] << " is still live";
                    } else if (!after[0].repaired && run.operation != Operation::read &&
                               k + 1 < deleting.size()) {
                        EXPECT_TRUE(!live || after[0].state.IsLive(deleting[k + 1]));
                    }
                }
            });
    }

    int DeleteShown(CFaultRun& run) {
        CPicdexDoc doc;
        if (!OpenDocumentAt(doc, File("db"), m_shown))
            return -1;
        m_prompt.PushAnswer(true);
        CArmedFault armed(run);
        return doc.DeleteCommand() ? 1 : 0;
    }

    int DeleteMarked(CFaultRun& run) {
        CMarkedDocument marked;
        if (!marked.Open(File("db"), m_shown, m_marked))
            return -1;
        m_prompt.PushAnswer(true);
        CArmedFault armed(run);
        return marked.commands.DeleteMarked();
    }
};

TEST_F(DeleteFaultTest, TheShownRecordIsDeletedWholeOrKept) {
    if (m_shown < 0)
        return;
    SweepDeletion("delete", 1, 3, {m_shown}, [&](CFaultRun& run) { return DeleteShown(run); });
}

TEST_F(DeleteFaultTest, MarkedRecordsAreDeletedLastMarkedFirstAndStopAtTheFailure) {
    if (m_shown < 0)
        return;
    // The last marked is deleted first.
    SweepDeletion("delete marked", 2, 4, {m_marked[1], m_marked[0]},
                  [&](CFaultRun& run) { return DeleteMarked(run); });
}

} // namespace
