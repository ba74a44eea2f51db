// Data exchange between two real databases: the question's count, the progress, a second
// run finding nothing, one direction only, deleted records on either side, equal checksums
// of other sizes, and a destination that is busy, missing or the source itself.
#include "collection/DataExchange.h"
#include "collection/FileProperties.h"
#include "platform/MemFile.h"
#include "storage/PictureDatabase.h"
#include "support/AddPicture.h"
#include "support/TestSupport.h"

namespace {

class DataExchangeTest : public CTempDirTest, public IDataExchangeDialog, public IExchangeProgress {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_db.OpenDatabase(File("a"), true) && m_b.OpenDatabase(File("b"), true));
    }
    bool AskExchange(const std::string& source, int& direction, std::string& path) override {
        m_log += source + ";";
        return direction = m_direction, path = m_destination, true;
    }
    bool AskStart(std::string_view question) override { return m_log += question, m_start; }
    void ShowProgress(std::string_view text) override { m_log += ";" + std::string(text); }

    // A record of size bytes with the given checksum, deleted when asked.
    static void Add(CPictureDatabase& db, std::uint16_t crc, std::size_t size, unsigned seed,
                    bool deleted = false) {
        const std::int32_t head = AddPicture(db, "p" + std::to_string(seed) + ".jpg",
                                             PatternBytes(size, seed), {}, 0, crc);
        ASSERT_GT(head, 0);
        ASSERT_TRUE(!deleted || DeletePicture(db, head));
    }
    static int Live(CPictureDatabase& db) {
        CTypeCounts counts;
        return CountByType(db, counts) ? counts.total : -1;
    }
    // The exchange with the other database closed, as the command finds it.
    int Run(int direction) {
        m_b.Close();
        m_direction = direction, m_log.clear(), m_prompt.Clear();
        const int result = DataExchange(m_db, *this, *this);
        EXPECT_TRUE(m_b.OpenDatabase(File("b"), false));
        return result;
    }

    CPictureDatabase m_db, m_b;
    std::string m_destination = File("b.PXM"), m_log;
    int m_direction = ExchangeDirection::both;
    bool m_start = true;
};

TEST_F(DataExchangeTest, BothWaysCopiesWhatEachSideLacksAndASecondRunFindsNothing) {
    Add(m_db, 10, 100, 1), Add(m_db, 11, 100, 2), Add(m_db, 12, 100, 3);
    Add(m_b, 20, 100, 4), Add(m_b, 21, 100, 5), Add(m_b, 12, 100, 3); // 3 on both sides
    m_start = false; // Cancel: nothing is copied (the counts below)
    EXPECT_EQ(Run(ExchangeDirection::both), -1);
    EXPECT_EQ(m_log, "a.PXM;4 pics found to transter. Continue?");
    m_start = true;
    EXPECT_EQ(Run(ExchangeDirection::both), 4);
    EXPECT_EQ(m_log, "a.PXM;4 pics found to transter. Continue?;Copied : 1;Copied : 2;"
                     "Copied : 1;Copied : 2");
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"Data transfer completed"});
    EXPECT_EQ(Live(m_db), 5);
    EXPECT_EQ(Live(m_b), 5);
    EXPECT_EQ(Run(ExchangeDirection::both), -1);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{"No pic found to transfer"});
}

TEST_F(DataExchangeTest, OneWayIgnoresDeletedRecordsAndNeedsTheSameSize) {
    Add(m_db, 30, 100, 1, true);
    Add(m_db, 31, 100, 2), Add(m_b, 31, 100, 2, true); // deleted there: lacking
    Add(m_db, 32, 120, 3), Add(m_b, 32, 100, 4);       // same checksum, other size
    m_b.Close();
    EXPECT_EQ(ExchangeOneWay(m_db, m_destination, true, true, nullptr), 2);
    EXPECT_EQ(Run(ExchangeDirection::outward), 2);
    EXPECT_EQ(Live(m_db), 2);
    EXPECT_EQ(Live(m_b), 3);
    ASSERT_TRUE(m_db.Index().GoTo(1)); // the document's current entry stays current
    EXPECT_EQ(Run(ExchangeDirection::inward), 1);
    EXPECT_EQ(m_db.Index().GetCurrentNumber(), 1);
    EXPECT_EQ(Live(m_db), 3);
}

TEST_F(DataExchangeTest, ABusyMissingOrOwnDestinationCopiesNothing) {
    Add(m_db, 1, 10, 1);
    // m_b holds the other database for writing, so the exchange sees it read-only each way.
    EXPECT_EQ(CountExchange(m_db, m_destination, ExchangeDirection::both), 0);
    EXPECT_EQ(m_prompt.Texts(),
              std::vector<std::string>(2, "Cannot open. File already in use or is READONLY."));
    EXPECT_EQ(Live(m_b), 0);
    m_destination = File("nowhere.PXM");
    EXPECT_EQ(Run(ExchangeDirection::both), -1);
    EXPECT_EQ(m_prompt.Texts(), std::vector<std::string>{File("nowhere.PXM") + " not found"});
    m_destination = m_db.GetMainPath();
    EXPECT_EQ(Run(ExchangeDirection::both), -1);
    EXPECT_TRUE(m_prompt.Texts().empty());
    EXPECT_EQ(m_log, "a.PXM;");
}

} // namespace
