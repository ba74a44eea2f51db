// The marked-data commands: the mark limit with paging, and delete on marks.
#include "collection/MarkCommands.h"
#include "collection/PicdexDoc.h"
#include "support/AddPicture.h"
#include "support/ScriptedMarkUi.h"

namespace {

class MarkCommandsTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_TRUE(Db().OpenDatabase(File("db"), true)); }
    CPictureDatabase& Db() { return m_doc.Database(); }
    std::int32_t Add(const std::string& name, CPictureDatabase::Keywords keywords = {}) {
        return AddPicture(Db(), name, PatternBytes(3000, unsigned(name[0])), keywords);
    }
    // Live in the full name list (the search, if any, ends).
    bool IsLive(std::int32_t record) {
        Db().EndSearch();
        Db().Index().SetOrder(OrderFamily::fileName);
        return Db().LocateRecord(record) && !Db().Index().Current().IsDeleted();
    }
    CPicdexDoc m_doc;
    CScriptedMarkUi m_ui;
    CMemorySettings m_settings;
    CMarkCommands m_commands{m_doc, m_ui, m_ui, m_settings};
};

TEST_F(MarkCommandsTest, TheMarkLimitRefusesTheNextRecordAndPagingWraps) {
    const std::int32_t a = Add("a.dat"), b = Add("b.dat");
    for (std::int32_t i = 0; i < CMarkList::maxMarks; ++i)
        Db().Marks().Mark(1000000 + i);
    ASSERT_TRUE(m_doc.GoTop());
    EXPECT_EQ(m_commands.ToggleMark(), -1);
    EXPECT_TRUE(m_prompt.Saw(tooManyMarksMessage));
    EXPECT_FALSE(Db().Marks().IsMarked(a));
    m_commands.UnmarkAllCommand();
    EXPECT_FALSE(Db().Marks().Exists());
    EXPECT_EQ(m_commands.ToggleMark(), 1);
    ASSERT_TRUE(m_doc.GoNext());
    EXPECT_EQ(m_commands.ToggleMark(), 1);
    EXPECT_TRUE(m_commands.MoveAmongMarks(MarkMove::last));
    // Past the last mark comes the first, before the first the last.
    EXPECT_TRUE(m_commands.MoveAmongMarks(MarkMove::forward) &&
                Db().Index().GetCurrentRecord() == a);
    EXPECT_TRUE(m_commands.MoveAmongMarks(MarkMove::back) && Db().Index().GetCurrentRecord() == b);
    EXPECT_EQ(m_commands.ToggleMark(), 0);
}

TEST_F(MarkCommandsTest, DeleteMarkedNeverDeletesTheCurrentRecordForAMarkOutsideTheList) {
    const std::int32_t a = Add("a.dat", {"cat"}), b = Add("b.dat", {"Cat"}), c = Add("c.dat");
    Db().Marks().Mark(b);
    Db().Marks().Mark(c);
    Db().Index().SetOrder(OrderFamily::keyword);
    Db().SetSearch("@cat", Db().Index().FindFirstOrBefore("@cat", true),
                   Db().Index().FindFirstOrBefore("@cat ", true));
    ASSERT_TRUE(m_doc.GoTop());
    m_prompt.PushAnswer(true);
    EXPECT_EQ(m_commands.DeleteMarked(), 1);
    EXPECT_TRUE(m_prompt.Saw("Delete the marked data?"));
    EXPECT_TRUE(IsLive(a));
    EXPECT_FALSE(IsLive(b));
    EXPECT_TRUE(IsLive(c));
    EXPECT_TRUE(Db().Marks().IsMarked(c));
    m_prompt.PushAnswer(true);
    EXPECT_EQ(m_commands.DeleteMarked(), 1);
    EXPECT_FALSE(IsLive(c));
    EXPECT_TRUE(Db().Marks().Exists()); // empty, but a list
    EXPECT_FALSE(Db().Marks().HasMarks());
}

} // namespace
