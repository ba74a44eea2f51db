// Keyword and file-name search, the keyword list, marking a search, and the sort commands
// that return to the full list.
#include "collection/Search.h"
#include "collection/PicdexDoc.h"
#include "collection/Sorting.h"
#include "support/AddPicture.h"

namespace {

class CScriptedSearchUi : public ISearchWindow, public IListView, public ISortDialog {
public:
    std::string GetSearchText() override { return m_text; }
    void SetSearchText(const std::string& text) override { m_text = text; }
    bool IsFileNameSearch() override { return m_byName; }
    int GetListMode() const override { return m_mode; }
    void SetListMode(int mode) override { m_mode = mode; }
    void HideMarkBar() override { ++m_barHidden; }
    void RefreshView() override { ++m_refreshed; }
    bool AskSortType(int& sortType) override {
        m_offered = sortType, sortType = m_choice;
        return m_choice >= 0;
    }
    std::string m_text;
    bool m_byName = false;
    int m_mode = ListMode::byName, m_barHidden = 0, m_refreshed = 0, m_choice = -1, m_offered = -1;
};

class SearchTest : public CTempDirTest {
protected:
    void SetUp() override { ASSERT_TRUE(Db().OpenDatabase(File("db"), true)); }
    CPictureDatabase& Db() { return m_doc.Database(); }
    std::int32_t Add(const std::string& name, CPictureDatabase::Keywords keywords = {}) {
        return AddPicture(Db(), name, PatternBytes(40), keywords);
    }
    void Delete(std::int32_t record) { ASSERT_TRUE(DeletePicture(Db(), record)); }
    std::string Current() {
        CRecordHead head;
        return m_doc.GetCurrentHead(head) ? head.FileName() : "";
    }
    std::vector<std::string> Fill(std::size_t capacity, int minimum) {
        std::vector<std::string> lines;
        EXPECT_TRUE(FillKeywordList(Db(), lines, capacity, minimum));
        return lines;
    }
    CPicdexDoc m_doc;
    CScriptedSearchUi m_ui;
};

TEST_F(SearchTest, KeywordSearchIgnoresCaseWrapsInsideTheRangeAndClearsMarks) {
    Add("a.x", {"cat"}), Add("b.x", {"dog"}), Add("c.x", {"CAT"});
    Delete(Add("d.x", {"Cat"}));
    Add("e.x", {"cats"});
    Db().Marks().Mark(0);
    m_ui.m_text = "Cat";
    RunSearch(m_doc, m_ui, m_ui);
    EXPECT_EQ(m_ui.m_mode, ListMode::searchResult);
    EXPECT_FALSE(Db().Marks().Exists());
    EXPECT_EQ(Current(), "a.x");
    std::vector<std::string> seen;
    for (int i = 0; i < 3; ++i, m_doc.GoNext())
        seen.push_back(Current());
    EXPECT_EQ(seen, (std::vector<std::string>{"a.x", "c.x", "a.x"}));
    ASSERT_TRUE(m_doc.GoPrevious() && m_doc.GoPrevious());
    EXPECT_EQ(Current(), "c.x"); // backward from the first of the range to its last
}

TEST_F(SearchTest, KeywordMatchingNoStoredKeywordFindsNothingAndChangesNothing) {
    const std::int32_t a = Add("a.x", {"cat"});
    Add("b.x", {"dog"});
    m_doc.ShowAll(OrderFamily::dateSaved, true);
    Db().Marks().Mark(1);
    for (const char* text : {"ca", "cow", "zebra", "a"}) {
        m_ui.m_text = text;
        RunSearch(m_doc, m_ui, m_ui);
    }
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>(4, dataNotFoundMessage));
    EXPECT_FALSE(Db().IsSearching());
    EXPECT_EQ(m_doc.GetListMode(), OrderFamily::dateSaved);
    EXPECT_EQ(Current(), "a.x");
    EXPECT_TRUE(Db().Marks().IsMarked(1));
    EXPECT_EQ(m_ui.m_refreshed, 0);
    // Every record of the range deleted: the search ends in the full list by name.
    Delete(a);
    EXPECT_FALSE(SearchKeyword(m_doc, "@cat"));
    EXPECT_FALSE(Db().IsSearching());
    EXPECT_EQ(m_doc.GetListMode(), OrderFamily::fileName);
}

TEST_F(SearchTest, FileNameSearchLandsOnTheFirstNameAtOrAfterTheTextInsideTheNameFamily) {
    Add("B.GIF", {"kw"}), Add("ABC.GIF"), Add("ABACUS.JPG");
    Delete(Add("AB.BMP"));
    m_ui.m_byName = true, m_ui.m_mode = ListMode::searchResult, m_ui.m_text = "ab";
    RunSearch(m_doc, m_ui, m_ui);
    EXPECT_EQ(Current(), "ABACUS.JPG"); // the deleted AB.BMP is passed over
    EXPECT_EQ(m_ui.m_mode, ListMode::byName);
    ASSERT_TRUE(m_doc.GoNext());
    EXPECT_EQ(Current(), "ABC.GIF");
    // Texts below and above every name stay in the names instead of other key families.
    EXPECT_GE(FindFileName(m_doc, "! "), 0);
    EXPECT_EQ(Current(), "ABACUS.JPG");
    EXPECT_GE(FindFileName(m_doc, "!zzz"), 0);
    EXPECT_EQ(Current(), "B.GIF");
}

TEST_F(SearchTest, KeywordListCountsLiveRecordsPerSpellingAndFallsBackOnThresholds) {
    Add("1.x", {"Cat", "dog"}), Add("2.x", {"Cat", "owl"}), Add("3.x", {"CAT", "dog"});
    Delete(Add("4.x", {"owl", "eel"}));
    EXPECT_EQ(Fill(10, 0), (std::vector<std::string>{"Cat [2]", "CAT [1]", "dog [2]", "owl [1]"}));
    EXPECT_EQ(Fill(10, 1), (std::vector<std::string>{"Cat [2]", "dog [2]"}));

    std::vector<std::string> lines;
    EXPECT_TRUE(FillKeywordListRising(Db(), lines, 2, searchWindowThresholdLimit));
    EXPECT_EQ(lines, (std::vector<std::string>{"Cat [2]", "dog [2]"}));
    EXPECT_FALSE(FillKeywordListRising(Db(), lines, 1, 1)); // the last try stays
    EXPECT_EQ(lines, std::vector<std::string>{"Cat [2]"});
}

TEST_F(SearchTest, KeywordListDialogSearchesTheChosenLineAndRemembersIt) {
    Add("1.x", {"ant"}), Add("2.x", {"bee"}), Add("3.x", {"bee"});
    struct CDialog : IKeywordListDialog {
        bool ChooseKeyword(const std::vector<std::string>& lines, int& selected) override {
            offered = selected, selected = lines.size() > 1 ? 1 : -1;
            return true;
        }
        int offered = -1;
    } dialog;
    CMemorySettings settings;
    settings.WriteProfileString("Options", "KeyListAt", "7"); // beyond the list: line 0
    OpenKeywordList(m_doc, dialog, &m_ui, m_ui, settings, 100);
    EXPECT_EQ(dialog.offered, 0);
    EXPECT_EQ(settings.GetProfileString("Options", "KeyListAt", ""), "1");
    EXPECT_EQ(m_ui.m_text, "bee");
    EXPECT_EQ(m_ui.m_mode, ListMode::searchResult);
    EXPECT_EQ(Current(), "2.x");
}

TEST_F(SearchTest, MarkSearchedMarksTheLiveRangeOnlyAfterASearch) {
    MarkSearched(m_doc, m_ui);
    EXPECT_EQ(m_prompt.Messages(), std::vector<std::string>{notSearchedMessage});
    const std::int32_t a = Add("a.x", {"sky"}), b = Add("b.x", {"SKY"}), c = Add("c.x", {"sky"});
    Add("d.x", {"sea"});
    Delete(b);
    ASSERT_TRUE(SearchKeyword(m_doc, "@sky"));
    ASSERT_TRUE(m_doc.GoNext());
    MarkSearched(m_doc, m_ui);
    const auto marks = Db().Marks().GetMarks();
    EXPECT_EQ(std::vector<std::int32_t>(marks.begin(), marks.end()),
              (std::vector<std::int32_t>{c, a}));
}

TEST_F(SearchTest, SortAndDisplayAllRebuildTheFullListInTheStoredOrder) {
    Add("b.x", {"k"}), Add("a.x", {"k"});
    CMemorySettings settings;
    EXPECT_FALSE(SortCommand(m_doc, m_ui, m_ui, settings)); // cancelled
    EXPECT_EQ(settings.GetProfileString("Options", "SortType", "none"), "none");
    m_ui.m_choice = ListMode::byDate;
    Db().Marks().Mark(0);
    EXPECT_TRUE(SortCommand(m_doc, m_ui, m_ui, settings));
    EXPECT_EQ(m_ui.m_offered, ListMode::byName);
    EXPECT_EQ(settings.GetProfileString("Options", "SortType", ""), "1");
    EXPECT_EQ(m_doc.GetListMode(), OrderFamily::dateSaved);
    EXPECT_EQ(Current(), "b.x"); // added first
    EXPECT_FALSE(Db().Marks().Exists());
    EXPECT_EQ(m_ui.m_barHidden, 1);

    ASSERT_TRUE(SearchKeyword(m_doc, "@k"));
    m_ui.m_mode = ListMode::searchResult;
    DisplayAll(m_doc, m_ui, settings);
    EXPECT_FALSE(Db().IsSearching());
    EXPECT_EQ(m_ui.m_mode, ListMode::byDate);
}

} // namespace
