// The duplicate check: the same picture (checksum, size and bytes), deleted records, the
// group table.
#include "collection/Duplicates.h"
#include "collection/PicdexDoc.h"
#include "support/AddPicture.h"

namespace {

class CBarView : public IMarkView {
public:
    void HideMarkBar() override { m_calls += "H"; }
    void ShowMarkBar() override { m_calls += "S"; }
    void ShowMarkedThumbnails() override { m_calls += "T"; }
    std::string m_calls;
};

class DuplicatesTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_TRUE(Db().OpenDatabase(File("db"), true)); }
    CPictureDatabase& Db() { return m_doc.Database(); }
    // Records of one picture per seed and size, with their real checksums.
    std::int32_t Add(unsigned seed, std::size_t size) {
        return AddPicture(Db(), "p.dat", PatternBytes(size, seed));
    }
    void Delete(std::int32_t record) { ASSERT_TRUE(DeletePicture(Db(), record)); }
    std::vector<std::int32_t> Marks() {
        return {Db().Marks().GetMarks().begin(), Db().Marks().GetMarks().end()};
    }
    int Check() { return m_prompt.PushAnswer(true), m_check.CheckDuplicates(); }
    CPicdexDoc m_doc;
    CBarView m_view;
    CDuplicates m_check{m_doc, m_view};
};

TEST_F(DuplicatesTest, MarksEveryCopyOfTheSamePicture) {
    const std::int32_t a = Add(7, 100);
    Add(9, 100);
    const std::int32_t other = Add(9, 101);
    // Two different pictures of one size whose checksums collide are not copies.
    std::vector<std::uint8_t> first = PatternBytes(100, 5), second = first;
    second[0] ^= 1;
    for (unsigned tail = 0; UpdateCrc16(0, second) != UpdateCrc16(0, first); ++tail) {
        ASSERT_LT(tail, 65536u);
        second[98] = std::uint8_t(tail), second[99] = std::uint8_t(tail >> 8);
    }
    AddPicture(Db(), "p.dat", first);
    AddPicture(Db(), "p.dat", second);
    const std::int32_t b = Add(7, 100), c = Add(7, 100);
    Add(12, 50);
    Delete(Add(12, 50));      // equal to a live record, but deleted
    Db().Marks().Mark(other); // cleared by the check
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(Check(), 6); // each of three marked for each of the other two
        EXPECT_EQ(Marks(), (std::vector<std::int32_t>{a, b, c}));
    }
    EXPECT_EQ(m_view.m_calls, "HSTHST");
    Delete(b);
    Delete(c);
    EXPECT_EQ(Check(), 0);
    EXPECT_TRUE(m_prompt.Saw(noDuplicatesMessage));
    EXPECT_FALSE(Db().Marks().HasMarks());
}

} // namespace
