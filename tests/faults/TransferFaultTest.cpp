// Copying records into another database on a failing disk: the transfer of three marked
// records, and the data exchange in both directions (three pictures one way, one the
// other). The giving database is never written; in the receiving one every record that
// appears is a faithful copy (picture, keywords, thumbnail or none yet) of one the command
// set out to copy.
#include "faults/FaultFixtures.h"

#include <algorithm>

namespace {

class TransferFaultTest : public CPreparedFaultTest {
protected:
    void SetUp() override {
        if (!UsePrepared({"db", "other"}))
            return;
        Watch(File("db"));
        Watch(File("other"));
        const CDatabaseState& db = Watched(0).before;
        m_marked = {db.Named("treescap.gif"), db.Named("testorig.jpg"),
                    db.Named("palette-1c-4b.tiff")};
    }

    // The records of the receiving database that were not there before, matched by picture
    // to the giving database's records: the blocks of the originals, in the copies' order.
    // Every copy must be live and carry its original's keywords and thumbnail (or, after a
    // failure that came before its thumbnail was stored, none).
    static std::vector<std::int32_t> Originals(const CWatchedDatabase& receiving,
                                               const CDatabaseAfter& after,
                                               const CDatabaseState& giving, bool success) {
        std::vector<std::int32_t> originals;
        for (const CFormatReader::Record& copy : after.state.reader.Records()) {
            if (receiving.before.Find(copy.block))
                continue;
            SCOPED_TRACE("copy at block " + std::to_string(copy.block));
            EXPECT_TRUE(after.state.IsLive(copy.block));
            const auto& records = giving.reader.Records();
            auto original = std::find_if(records.begin(), records.end(), [&](const auto& record) {
                return record.picture == copy.picture;
            });
            if (original == records.end()) {
                ADD_FAILURE() << "a record appeared that is no copy";
                continue;
            }
            EXPECT_TRUE(copy.keywords == original->keywords);
            EXPECT_TRUE((!success && copy.thumbnail.empty()) ||
                        copy.thumbnail == original->thumbnail);
            originals.push_back(original->block);
        }
        return originals;
    }

    int TransferMarked(CFaultRun& run) {
        CMarkedDocument marked;
        if (!marked.Open(File("db"), m_marked[0], m_marked))
            return -1;
        marked.ui.m_path = File("other.PXM");
        CArmedFault armed(run);
        return marked.commands.TransferMarked();
    }

    void SweepTransfer() {
        SweepDisk(
            "transfer marked", 6, 6, [&](CFaultRun& run) { return TransferMarked(run) == 3; },
            [&](const CFaultRun&, bool success, const std::vector<CDatabaseAfter>& after) {
                EXPECT_TRUE(IsPrepared("db")) << "db was written, though it only gives";
                const std::vector<std::int32_t> originals =
                    Originals(Watched(1), after[1], Watched(0).before, success);
                // In marking order, stopping at the first failure; on success all of them
                // with their thumbnails.
                ASSERT_LE(originals.size(), m_marked.size());
                EXPECT_TRUE(std::equal(originals.begin(), originals.end(), m_marked.begin()));
                EXPECT_TRUE(!success || originals.size() == m_marked.size());
            });
    }

    int Exchange(CFaultRun& run) {
        CPictureDatabase db;
        if (!db.OpenDatabase(File("db"), false))
            return -1;
        CScriptedExchange exchange(File("other.PXM"));
        CArmedFault armed(run);
        return DataExchange(db, exchange, exchange);
    }

    void SweepExchange() {
        AllowMessages({"Data transfer completed", "No pic found to transfer"});
        const CDatabaseState& db = Watched(0).before;
        const CDatabaseState& other = Watched(1).before;
        // The pictures each side lacks; the deleted one and the one both hold are not.
        const std::vector<std::int32_t> toOther = {db.Named("treescap.gif"),
                                                   db.Named("bmpsuite-pal8.bmp"),
                                                   db.Named("palette-1c-4b.tiff")};
        const std::vector<std::int32_t> toDb = {other.Named("porsche-screen400x300.gif")};
        SweepDisk(
            "data exchange", 8, 8, [&](CFaultRun& run) { return Exchange(run) == 4; },
            [&](const CFaultRun&, bool success, const std::vector<CDatabaseAfter>& after) {
                for (auto [originals, expected] :
                     {std::pair(Originals(Watched(1), after[1], db, success), toOther),
                      std::pair(Originals(Watched(0), after[0], other, success), toDb)}) {
                    std::sort(originals.begin(), originals.end());
                    std::sort(expected.begin(), expected.end());
                    // Each lacking picture at most once, all of them after success.
                    EXPECT_TRUE(std::includes(expected.begin(), expected.end(), originals.begin(),
                                              originals.end()) &&
                                std::adjacent_find(originals.begin(), originals.end()) ==
                                    originals.end());
                    EXPECT_TRUE(!success || originals == expected);
                }
                EXPECT_TRUE(!success || m_prompt.Saw("Data transfer completed"));
            });
    }

    std::vector<std::int32_t> m_marked;
};

TEST_F(TransferFaultTest, MarkedRecordsArriveWholeInMarkingOrderUntilTheFailure) {
    if (m_marked.empty())
        return;
    SweepTransfer();
}

TEST_F(TransferFaultTest, ExchangeCopiesEachLackingPictureWholeOrNotAtAll) {
    if (m_marked.empty())
        return;
    SweepExchange();
}

} // namespace
