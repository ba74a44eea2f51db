// Changing keywords on a failing disk: a record's keywords replaced as the data-properties
// window does (one removed, one kept, two added), and a keyword added to two marked records.
// A record keeps either all its old keywords or all its new ones, never a mixture, and its
// index entries agree with its head, if need be after an index reconstruction.
#include "faults/FaultFixtures.h"

namespace {

using KeywordList = std::array<std::string, 6>;

// The shown record is the one whose keywords are replaced.
class KeywordFaultTest : public CShownAndMarkedFaultTest {
protected:
    static KeywordList KeywordsOf(const CDatabaseState& state, std::int32_t block) {
        const CFormatReader::Record* record = state.Find(block);
        return record ? record->keywords : KeywordList{"(no record)"};
    }

    // Sweeps command, which gives each record of changed the keywords of expected (in the
    // same order) and returns how many records it changed.
    void SweepChange(const std::string& name, std::uint64_t writeStride, std::uint64_t readStride,
                     const std::vector<std::int32_t>& changed,
                     const std::vector<KeywordList>& expected,
                     const std::function<int(CFaultRun&)>& command) {
        SweepDisk(
            name, writeStride, readStride,
            [&](CFaultRun& run) { return command(run) == static_cast<int>(changed.size()); },
            [&](const CFaultRun& run, bool success, const std::vector<CDatabaseAfter>& after) {
                bool stillOld = false;
                for (std::size_t k = 0; k < changed.size(); ++k) {
                    const KeywordList old = KeywordsOf(Watched(0).before, changed[k]);
                    const KeywordList now = KeywordsOf(after[0].state, changed[k]);
                    EXPECT_TRUE(now == expected[k] || (!success && now == old))
                        << "record " << changed[k] << " has keywords " << now[0] << "," << now[1]
                        << "," << now[2] << "," << now[3];
                    // The records are changed in order and the command stops at a failed
                    // change; a head that cannot be read is passed over.
                    EXPECT_FALSE(run.operation != Operation::read && stillOld && now == expected[k])
                        << "changed after a failure";
                    stillOld = stillOld || now == old;
                    EXPECT_TRUE(after[0].state.IsLive(changed[k]));
                }
            });
    }

    // The keywords of testorig.jpg ({sea, "", sky}) become {sky, harbour, "", boat}.
    int ReplaceKeywords(CFaultRun& run) {
        CPictureDatabase db;
        CRecordHead oldHead;
        if (!db.OpenDatabase(File("db"), false) || !db.ReadHead(oldHead, m_shown))
            return -1;
        CRecordHead newHead = oldHead;
        const KeywordList words = Replaced();
        for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
            newHead.SetKeyword(slot, words[std::size_t(slot)]);
        CArmedFault armed(run);
        return db.ChangeKeywords(m_shown, oldHead, newHead);
    }
    static KeywordList Replaced() { return {"sky", "harbour", "", "boat"}; }

    // "night" is added to treescap.gif {tree} and palette-1c-4b.tiff {cat, Grey}.
    int AddKeywordToMarks(CFaultRun& run) {
        CMarkedDocument marked;
        if (!marked.Open(File("db"), m_shown, m_marked))
            return -1;
        marked.ui.m_keyword = "Night";
        CArmedFault armed(run);
        return marked.commands.KeywordOnMarked();
    }
};

TEST_F(KeywordFaultTest, AReplacedSetIsStoredWholeOrNotAtAll) {
    if (m_shown < 0)
        return;
    SweepChange("change keywords", 1, 2, {m_shown}, {Replaced()},
                [&](CFaultRun& run) { return ReplaceKeywords(run); });
}

TEST_F(KeywordFaultTest, AKeywordAddedToMarksStopsAtTheFailure) {
    if (m_shown < 0)
        return;
    SweepChange("keyword on marks", 2, 3, m_marked, {{"tree", "night"}, {"cat", "Grey", "night"}},
                [&](CFaultRun& run) { return AddKeywordToMarks(run); });
}

} // namespace
