// Two opens of one database: the first writes; the second gets it read-only, cannot change
// it and, in a second process, sees through the index header's generation the records the
// first adds.
#include "storage/PictureDatabase.h"

#include "storage/Crc16.h"
#include "support/AddPicture.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::vector<std::uint8_t> kPictureA = PatternBytes(2500, 11);
const std::vector<std::uint8_t> kPictureB = PatternBytes(4100, 12);

class TwoInstanceTest : public CTempDirTest {
protected:
    void SetUp() override {
        ASSERT_EQ(m_writer->OpenDatabase(m_path, true), 1);
        m_headA = AddPicture(*m_writer, "a.jpg", kPictureA);
        ASSERT_GT(m_headA, 0);
    }

    std::string m_path = File("shared.PXM");
    std::unique_ptr<CPictureDatabase> m_writer = std::make_unique<CPictureDatabase>();
    std::int32_t m_headA = -1;
};

TEST_F(TwoInstanceTest, SecondOpenIsReadOnlyAndCannotChangeTheDatabase) {
    {
        CPictureDatabase reader;
        ASSERT_EQ(reader.OpenDatabase(m_path, false), 1);
        EXPECT_TRUE(reader.Main().IsReadOnly() && reader.Index().IsReadOnly());
        EXPECT_FALSE(m_writer->IsReadOnly());
        EXPECT_TRUE(m_prompt.Texts().empty()) << "falling back to reading is silent";
        EXPECT_TRUE(ReadsBack(reader, m_headA, kPictureA));

        const std::vector<std::uint8_t> main = ReadFileBytes(m_path);
        const std::vector<std::uint8_t> index = ReadFileBytes(File("shared.PXI"));
        EXPECT_EQ(AddPicture(reader, "c.jpg", kPictureA), -1);
        EXPECT_FALSE(m_prompt.Messages().empty());
        EXPECT_EQ(reader.SetPassword("abcd"), 0);
        EXPECT_EQ(ReadFileBytes(m_path), main);
        EXPECT_EQ(ReadFileBytes(File("shared.PXI")), index);
    }
    // Closing the reader leaves the writer's lock alone; closing the writer releases it.
    EXPECT_GT(AddPicture(*m_writer, "b.jpg", kPictureB), 0);
    CPictureDatabase other;
    ASSERT_EQ(other.OpenDatabase(m_path, false), 1);
    EXPECT_TRUE(other.IsReadOnly());
    m_writer.reset();
    CPictureDatabase next;
    ASSERT_EQ(next.OpenDatabase(m_path, false), 1);
    EXPECT_FALSE(next.IsReadOnly());
}

// The writer adds record B with keyword "zz" (its keyword entry is appended at the end of
// the list) and gives it the date key of 1970 as well, a new first entry of the whole list:
// both rewrite the index header, and only a reader that reloads the header finds them.
std::int32_t WriterAddsB(CPictureDatabase& writer) {
    std::int32_t headB = AddPicture(writer, "0first.jpg", kPictureB, {"zz"});
    CIndexEntry oldest;
    oldest.SetKey(MakeDateKey(0));
    oldest.flags = 0;
    oldest.record = headB;
    return headB > 0 && writer.Index().InsertKey(oldest, true) == 1 ? headB : -1;
}

// Exit codes of the reading child process.
enum ChildResult { childOk = 0, childNotReadOnly = 10, childMissesA, childNoSignal, childMissesB };

int RunReaderChild(const std::string& path, std::int32_t headA, int fromParent, int toParent) {
    CPictureDatabase reader;
    if (reader.OpenDatabase(path, false) != 1 || !reader.IsReadOnly())
        return childNotReadOnly;
    if (!ReadsBack(reader, headA, kPictureA) || reader.Index().FindExact("!a.jpg", true) < 0)
        return childMissesA;
    char signal = 'r';
    std::int32_t headB = -1;
    if (::write(toParent, &signal, 1) != 1 || ::read(fromParent, &headB, 4) != 4)
        return childNoSignal;
    CIndexFile& index = reader.Index();
    for (int family : {OrderFamily::dateSaved, OrderFamily::fileName}) {
        index.SetOrder(family);
        if (index.GoFirst() != 1 || index.GetCurrentRecord() != headB)
            return childMissesB;
    }
    index.SetOrder(OrderFamily::keyword);
    if (index.GoLast() != 1 || index.GetCurrentRecord() != headB || index.Current().Key() != "@zz")
        return childMissesB;
    return ReadsBack(reader, headB, kPictureB) ? childOk : childMissesB;
}

TEST_F(TwoInstanceTest, ReaderInASecondProcessSeesTheWritersNewRecords) {
    int toChild[2], toParent[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(toParent), 0);
    pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::close(toChild[1]);
        ::close(toParent[0]);
        ::_exit(RunReaderChild(m_path, m_headA, toChild[0], toParent[1]));
    }
    ::close(toChild[0]);
    ::close(toParent[1]);
    char signal = 0;
    std::int32_t headB = -1;
    if (::read(toParent[0], &signal, 1) == 1) {
        headB = WriterAddsB(*m_writer);
        EXPECT_EQ(::write(toChild[1], &headB, 4), 4);
    }
    ::close(toChild[1]);
    ::close(toParent[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "the child crashed";
    EXPECT_EQ(WEXITSTATUS(status), childOk);
    EXPECT_GT(headB, m_headA);
}

} // namespace
