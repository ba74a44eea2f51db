// Data exchange: which pictures each database lacks (by checksum and size), and a
// destination that is busy, missing or the source itself copies nothing. The copying under
// injected faults is exercised by the fault tests.
#include "collection/DataExchange.h"
#include "collection/FileProperties.h"
#include "support/AddPicture.h"

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

// Several pictures share a checksum (the match in the middle of its equal keys), deleted
// records neither count nor hold, and the checksum keys sort as text ("10" < "300" < "7").
// Two pictures alike in checksum and size are both lacking, but the second is held once
// the first is copied.
TEST_F(DataExchangeTest, CountsAndCopiesWhatEachDatabaseLacks) {
    struct Picture {
        std::uint16_t crc;
        std::size_t size;
        bool deleted = false;
    };
    const Picture a[] = {{7, 10}, {7, 15}, {9, 10}, {10, 30, true}, {12, 5}, {300, 8}, {300, 8}};
    const Picture b[] = {{7, 20}, {7, 15}, {7, 25}, {9, 11}, {10, 30}, {12, 5, true}, {1, 4}};
    unsigned seed = 0;
    for (const Picture& p : a)
        Add(m_db, p.crc, p.size, ++seed, p.deleted);
    for (const Picture& p : b)
        Add(m_b, p.crc, p.size, ++seed, p.deleted);
    m_b.Close();
    EXPECT_EQ(CountExchange(m_db, m_destination, ExchangeDirection::outward), 5);
    EXPECT_EQ(CountExchange(m_db, m_destination, ExchangeDirection::inward), 5);
    EXPECT_EQ(CopyExchange(m_db, m_destination, ExchangeDirection::both, this), 9);
    EXPECT_EQ(CountExchange(m_db, m_destination, ExchangeDirection::both), 0);
    EXPECT_TRUE(m_prompt.Texts().empty());
    ASSERT_TRUE(m_b.OpenDatabase(File("b"), false));
    EXPECT_EQ(Live(m_db), 11);
    EXPECT_EQ(Live(m_b), 10);
}

} // namespace
