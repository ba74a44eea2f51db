// The fault-injection switch of the file layer: only the chosen operation fails, once,
// with its cause, and a short write leaves its first half behind. The fault tests rely on
// it failing what they ask for.
#include "platform/FaultInjection.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <numeric>

namespace {

using FaultInjection::CScopedFault;
using FaultInjection::Fault;
using FaultInjection::Operation;

// The text of the cause op throws, "" when it does not throw.
std::string FailureOf(auto&& op) {
    try {
        op();
    } catch (const CFileException& e) {
        return e.what();
    }
    return "";
}

class FaultInjectionTest : public CTempDirTest {
protected:
    void SetUp() override {
        std::vector<std::uint8_t> numbers(100);
        std::iota(numbers.begin(), numbers.end(), std::uint8_t{0});
        WriteFileBytes(File("numbers"), numbers);
        ASSERT_TRUE(m_file.Open(File("numbers"), CFile::modeReadWrite));
    }
    void TearDown() override { FaultInjection::Disarm(); }

    CFile m_file;
};

TEST_F(FaultInjectionTest, OnlyTheNthOperationFailsOnceWithTheCauseOfItsErrno) {
    const std::pair<Fault, const char*> cases[] = {{Fault::ioError, "Hardware failure"},
                                                   {Fault::noSpace, "Disk full"},
                                                   {Fault::shortWrite, "Hardware failure"}};
    for (const auto& [fault, text] : cases) {
        CScopedFault armed(Operation::read, 3, fault);
        std::uint8_t byte = 0;
        for (std::int64_t k = 0; k < 6; ++k) {
            const std::string failure = FailureOf([&] { m_file.ReadAt(&byte, 1, k); });
            EXPECT_EQ(failure, k == 2 ? text : "") << "read " << k + 1;
            EXPECT_EQ(FaultInjection::Fired(), k >= 2);
            if (failure.empty()) {
                EXPECT_EQ(byte, k);
            }
        }
        EXPECT_EQ(FaultInjection::Count(Operation::read), 6u);
    }
}

TEST_F(FaultInjectionTest, ShortWriteStoresTheFirstHalfThenFailsAsDiskFull) {
    const std::vector<std::uint8_t> marks(10, 0xEE);
    {
        CScopedFault armed(Operation::write, 1, Fault::shortWrite);
        m_file.Seek(2, CFile::begin);
        EXPECT_EQ(FailureOf([&] { m_file.Write(marks.data(), marks.size()); }), "Disk full");
        EXPECT_EQ(m_file.GetPosition(), 2) << "a failed write does not move the position";
        // Outside a transfer a short write is a hardware failure, and changes nothing.
        FaultInjection::Arm(Operation::write, 1, Fault::shortWrite);
        EXPECT_EQ(FailureOf([&] { m_file.SetLength(10); }), "Hardware failure");
    }
    const auto bytes = ReadFileBytes(File("numbers"));
    ASSERT_EQ(bytes.size(), 100u);
    for (std::size_t i = 0; i < 12; ++i)
        EXPECT_EQ(bytes[i], i >= 2 && i < 7 ? 0xEE : i) << "byte " << i;
}

} // namespace
