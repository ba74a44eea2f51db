// The Add command on a failing disk: two files in one command, a corpus JPEG of 23 KB (a
// picture chain of twelve blocks, a thumbnail chain of its own) and a small GIF. The fault
// meets one of them, which is then refused and leaves nothing behind; the other must still
// be stored whole.
#include "collection/AddPictures.h"
#include "faults/FaultFixtures.h"
#include "imaging/PxGif.h"

#include <algorithm>

namespace {

class AddFaultTest : public CPreparedFaultTest {
protected:
    void SetUp() override {
        if (!UsePrepared({"db"}))
            return;
        m_files = {{CorpusFolder() + "jpeg/vips-sample.jpg", {"meadow", "", "Green"}},
                   {CorpusFolder() + "gif/gifgrid.gif", {"grid"}}};
        Watch(File("db"));
        AllowMessages({"Failed to add", "Failed to read image file"});
    }

    // The files the command reported it could not store, each with its own message; a file
    // error alone (the record shown afterwards could not be read, say) stores the file.
    long Refused() const {
        const auto& texts = m_prompt.Messages();
        return std::count(texts.begin(), texts.end(), "Failed to add") +
               std::count(texts.begin(), texts.end(), "Failed to read image file");
    }

    bool Add(CFaultRun& run) {
        CPicdexDoc doc;
        if (!doc.Database().OpenDatabase(File("db"), false) || !doc.GoTop())
            return false;
        CScriptedAddDialogs dialogs;
        dialogs.m_saveAll = m_saveAll;
        dialogs.m_files = m_files;
        CAddPictures command(doc, dialogs, dialogs, false);
        {
            CArmedFault armed(run);
            command.AddPictures();
        }
        m_reported = command.StoredRecords();
        m_failures = command.Failures();
        return m_failures == 0;
    }

    void Check(bool success, const CDatabaseAfter& after) {
        // One fault refuses one file, or every file of the batch its sync held.
        EXPECT_LE(Refused(), 1) << "one fault, but more than one refusal shown";
        EXPECT_EQ(m_failures > 0, Refused() == 1);
        const CDatabaseState& before = Watched(0).before;
        std::vector<std::int32_t> stored; // live new records
        std::vector<bool> seen(m_files.size());
        for (const CFormatReader::Record& record : after.state.reader.Records()) {
            if (before.Find(record.block))
                continue;
            SCOPED_TRACE("new record " + std::to_string(record.block));
            // Every record that reached the main file is one of the files, whole, once.
            const auto file = std::find_if(m_files.begin(), m_files.end(), [&](const auto& f) {
                return ReadFileBytes(f.first) == record.picture;
            });
            ASSERT_NE(file, m_files.end()) << "a record that is none of the files";
            const std::size_t k = std::size_t(file - m_files.begin());
            EXPECT_FALSE(seen[k]) << "stored twice";
            seen[k] = true;
            EXPECT_TRUE(record.keywords == file->second);
            // The thumbnail may be missing (it is made when the record is next shown),
            // never bad.
            if (!record.thumbnail.empty()) {
                CMemFile bytes;
                FillMemFile(bytes, record.thumbnail);
                PxGif thumbnail;
                EXPECT_TRUE(thumbnail.LoadFromFile(bytes)) << "its thumbnail does not decode";
            }
            if (after.state.IsLive(record.block))
                stored.push_back(record.block);
        }
        // A refused file leaves nothing behind: no record that the index does not know, no
        // partial entry, nothing an index reconstruction would bring back. Every file not
        // refused is stored and live, and so is every record the command counts as stored.
        EXPECT_FALSE(after.repaired) << "the failed add left damage behind";
        EXPECT_EQ(long(stored.size()), long(m_files.size()) - m_failures);
        EXPECT_EQ(m_reported.size(), stored.size());
        EXPECT_TRUE(!success || stored.size() == m_files.size());
        for (std::int32_t block : m_reported)
            EXPECT_TRUE(std::find(stored.begin(), stored.end(), block) != stored.end())
                << "record " << block << " reported stored is not";
    }

    void SweepAdd(Operation operation, const std::vector<CFaultPlan>& plans) {
        Sweep(
            "add", operation, plans, [&](CFaultRun& run) { return Add(run); },
            [&](const CFaultRun&, bool success, const std::vector<CDatabaseAfter>& after) {
                Check(success, after.at(0));
            });
    }

    std::vector<std::pair<std::string, CPictureDatabase::Keywords>> m_files; // path, keywords
    std::vector<std::int32_t> m_reported;
    long m_failures = 0;
    bool m_saveAll = false;
};

TEST_F(AddFaultTest, EveryWriteFailsWithOneMessageAndKeepsTheDatabase) {
    if (m_files.empty())
        return;
    SweepAdd(Operation::write, {{Fault::ioError}, {Fault::shortWrite}, {Fault::noSpace, 4}});
}

TEST_F(AddFaultTest, EverySyncFailsWithOneMessageAndKeepsTheDatabase) {
    if (m_files.empty())
        return;
    SweepAdd(Operation::sync, {{Fault::ioError}});
    // Stored in one batch: a failed sync takes back the whole batch, reported once.
    for (auto& file : m_files)
        file.second = m_files[0].second;
    m_saveAll = true;
    SweepAdd(Operation::sync, {{Fault::ioError}});
}

TEST_F(AddFaultTest, FailingReadsStoreNothingHalfWay) {
    if (m_files.empty())
        return;
    SweepAdd(Operation::read, {{Fault::ioError, 3}});
}

} // namespace
