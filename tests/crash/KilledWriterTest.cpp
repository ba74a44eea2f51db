// picdex-cli killed with SIGKILL while it writes a database: during an add (before it, in
// the middle of a picture chain, among the index entries, while a thumbnail is stored),
// during a deletion and a keyword change (a killed reconstruction is a power cut that
// keeps every write: the power-cut test covers it at every point). After each kill the database
// is opened by path, checked as verify checks it and, when the index is damaged, the index
// is rebuilt. Then the check must find no damage (an add that never completed only leaves
// a head it notes, and that head must not be one reported stored), and every picture the
// program reported stored must come back byte for byte and be found through the index.
//
// Each iteration draws its kill from a seeded generator. Most kills stop the child right
// before a drawn change to a file (a traced child stops at every system call): the same
// point on every run. The others fall at a drawn moment after a drawn number of
// acknowledgements, within the time that step took in a measured run: these reach the
// start and the end of the program and the inside of a system call.
// PICDEX_CRASH_ITERATIONS and PICDEX_CRASH_SEED change the number of iterations and the
// seed; the last line of the output sums the run up.
#include "crash/ChildProcess.h"
#include "crash/CrashRecovery.h"

#include "platform/MemFile.h"
#include "platform/Path.h"
#include "platform/Text.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <thread>

namespace {

using Clock = CChildProcess::Clock;
using Micros = std::chrono::microseconds;

// A child that neither writes nor ends within this time is hung.
constexpr auto hangLimit = std::chrono::seconds(60);
// Iterations on one database before a fresh one is made: later iterations add behind
// what earlier kills left.
constexpr int iterationsPerDatabase = 10;

struct PoolPicture {
    std::string path;
    std::vector<std::uint8_t> bytes;
    bool forAdd; // small and decodable: cheap to add with its thumbnail
};

// What a record acknowledged as stored must look like in the index.
enum class Expect { live, deleted, either };

struct StoredPicture {
    const PoolPicture* picture;
    Expect expect = Expect::live;
    std::string keyword; // a keyword a finished keyword change gave it, "" for none
};

// When to kill. Timed: after `wait` lines on standard output, then after `delay`.
// Traced: right before the `changes`-th change to a file after the `wait`-th write to
// standard output.
struct KillPlan {
    int wait = 0;
    std::chrono::microseconds delay{0};
    bool traced = false;
    int changes = 0;
};

struct Totals {
    int iterations = 0;
    int kills = 0;
    int tracedKills = 0;
    int acknowledged = 0;
    int lost = 0;
    int indexDamaged = 0;
    int rebuilds = 0;
    int interruptedAdds = 0;
};

int EnvNumber(const char* name, int fallback) {
    const char* text = std::getenv(name);
    int value = 0;
    if (!text || std::from_chars(text, text + std::strlen(text), value).ec != std::errc() ||
        value <= 0)
        return fallback;
    return value;
}

// The block number of an acknowledgement: the whole line of `store`, the word after
// "added " of `add`; -1 when the line is neither.
std::int32_t AcknowledgedBlock(std::string_view line) {
    if (line.starts_with("added "))
        line = line.substr(6, line.find(' ', 6) - 6);
    std::int32_t block = -1;
    const auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), block);
    return error == std::errc() && end == line.data() + line.size() ? block : -1;
}

// Whether the index holds an entry with key (folded) for record block: its liveness, or
// std::nullopt when there is none.
std::optional<bool> EntryIsLive(CIndexFile& index, const std::string& key, std::int32_t block) {
    const std::string folded = FoldLower(key);
    std::int32_t i = index.FindFirstOrBefore(key, true);
    for (std::int32_t budget = index.EntryCount(); i >= 0 && budget > 0; --budget) {
        CIndexEntry entry;
        if (!index.ReadEntry(entry, i))
            return std::nullopt;
        const int order = CompareKeys(FoldLower(entry.Key()), folded, false);
        if (order > 0)
            break;
        if (order == 0 && entry.record == block)
            return !entry.IsDeleted();
        i = entry.next;
    }
    return std::nullopt;
}

class KilledWriterTest : public CTempDirTest {
protected:
    void SetUp() override {
        const std::string data = TestDataDir();
        if (data.empty())
            return;
        const std::pair<const char*, bool> files[] = {
            {"jpeg/testorig.jpg", true},       {"gif/porsche-screen400x300.gif", true},
            {"bmp/bmpsuite-pal8.bmp", true},   {"gif/cat.gif", true},
            {"tiff/oxford.tif", false},        {"bmp/testimg.bmp", false},
            {"tiff/rgb-3c-8b.tiff", false},    {"photos/Dune-704x440.jpg", false},
            {"photos/GreenMeadow.jpg", false}, {"photos/LadyBird.jpg", false}};
        for (const auto& [name, forAdd] : files) {
            PoolPicture picture{data + name, ReadFileBytes(data + name), forAdd};
            ASSERT_FALSE(picture.bytes.empty()) << "cannot read " << picture.path;
            m_pool.push_back(std::move(picture));
        }
        Calibrate();
    }

    // One undisturbed run of `store` and of `add`, to learn how long their steps take on
    // this machine now.
    void Calibrate() {
        NewDatabase();
        std::vector<std::string> args = {"store", m_db};
        for (std::size_t k = 0; k < 5; ++k)
            args.push_back(m_pool[k * 2].path);
        CChildProcess child;
        ASSERT_TRUE(child.Start(PICDEX_CLI_PATH, args, File("stderr.txt")));
        std::vector<Clock::time_point> acks = {child.StartTime()};
        while (child.ReadLine(Clock::now() + hangLimit))
            acks.push_back(Clock::now());
        ASSERT_TRUE(child.Wait(Clock::now() + hangLimit));
        ASSERT_EQ(child.ExitStatus(), 0) << ReadStderr();
        ASSERT_EQ(acks.size(), 6u);
        auto micros = [](Clock::duration d) { return std::chrono::duration_cast<Micros>(d); };
        m_firstAck = micros(acks[1] - acks[0]);
        for (std::size_t k = 2; k < acks.size(); ++k)
            m_longestStep = std::max(m_longestStep, micros(acks[k] - acks[k - 1]));
        m_tail = micros(Clock::now() - acks.back());

        const auto started = Clock::now();
        CChildProcess add;
        ASSERT_TRUE(
            add.Start(PICDEX_CLI_PATH, {"--yes", "add", m_db, m_pool[0].path}, File("stderr.txt")));
        ASSERT_TRUE(add.Wait(Clock::now() + hangLimit));
        ASSERT_EQ(add.ExitStatus(), 0) << ReadStderr();
        m_addRun = micros(Clock::now() - started);
    }

    void NewDatabase() {
        m_db = File("crash" + std::to_string(m_databases++) + ".PXM");
        m_stored.clear();
        m_interruptedBefore = 0;
        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_db, true), 1);
    }

    std::string ReadStderr() const {
        const std::vector<std::uint8_t> bytes = ReadFileBytes(File("stderr.txt"));
        return std::string(bytes.begin(), bytes.end());
    }

    static Micros Draw(std::mt19937& rng, Micros limit) {
        return Micros(std::uniform_int_distribution<std::int64_t>(0, limit.count())(rng));
    }
    static int Pick(std::mt19937& rng, int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(rng);
    }
    // Half of the kills at a drawn moment within window, the others right before one of the
    // first changes changes to a file.
    static KillPlan TimedOrTraced(std::mt19937& rng, Micros window, int changes) {
        KillPlan plan = {0, Draw(rng, window), false, 0};
        if (rng() % 2)
            plan = {0, Micros(0), true, Pick(rng, 1, changes)};
        return plan;
    }
    // Blocks one stored picture adds to the main file: the head and the picture chain.
    static int RecordBlocks(const PoolPicture& picture) {
        return 2 + static_cast<int>(picture.bytes.size() / 2032);
    }

    // Runs picdex-cli with args and kills it as plan says; every line it wrote.
    std::vector<std::string> RunAndKill(const std::vector<std::string>& args, KillPlan plan) {
        std::vector<std::string> lines;
        plan.traced = plan.traced && CChildProcess::CanTrace();
        CChildProcess child;
        if (!child.Start(PICDEX_CLI_PATH, args, File("stderr.txt"), plan.traced)) {
            ADD_FAILURE() << "cannot start " << PICDEX_CLI_PATH;
            return lines;
        }
        if (plan.traced) {
            if (child.RunToChange(plan.wait, plan.changes, Clock::now() + hangLimit))
                child.Kill();
        } else {
            while (static_cast<int>(lines.size()) < plan.wait) {
                std::optional<std::string> line = child.ReadLine(Clock::now() + hangLimit);
                if (!line)
                    break;
                lines.push_back(*line);
            }
            std::this_thread::sleep_for(plan.delay);
            child.Kill();
        }
        EXPECT_FALSE(child.TimedOut()) << "picdex-cli hung: " << args[0];
        EXPECT_TRUE(child.Wait(Clock::now() + hangLimit)) << "picdex-cli hung: " << args[0];
        for (std::string& line : child.TakeRemainingLines())
            lines.push_back(std::move(line));
        m_lastKilled = child.WasKilled();
        if (m_lastKilled) {
            ++m_totals.kills;
            m_totals.tracedKills += plan.traced ? 1 : 0;
        } else {
            EXPECT_EQ(child.ExitStatus(), 0) << "not killed, yet failed: " << ReadStderr();
        }
        return lines;
    }

    void Acknowledge(const std::vector<std::string>& lines,
                     const std::vector<const PoolPicture*>& pictures) {
        ASSERT_LE(lines.size(), pictures.size());
        for (std::size_t k = 0; k < lines.size(); ++k) {
            const std::int32_t block = AcknowledgedBlock(lines[k]);
            ASSERT_GT(block, 0) << "not an acknowledgement: " << lines[k];
            // A record is appended behind everything: no block is ever handed out twice.
            ASSERT_EQ(m_stored.count(block), 0u) << "block " << block << " acknowledged twice";
            m_stored[block] = StoredPicture{pictures[k], Expect::live, {}};
            ++m_totals.acknowledged;
        }
    }

    std::vector<std::int32_t> LiveBlocks() const {
        std::vector<std::int32_t> blocks;
        for (const auto& [block, stored] : m_stored)
            if (stored.expect == Expect::live)
                blocks.push_back(block);
        return blocks;
    }

    void StoreAndKill(std::mt19937& rng) {
        std::vector<const PoolPicture*> pictures;
        std::vector<std::string> args = {"store", m_db};
        const int count = Pick(rng, 3, 5);
        for (int k = 0; k < count; ++k) {
            pictures.push_back(&m_pool[rng() % m_pool.size()]);
            args.push_back(pictures.back()->path);
        }
        const int keywords = Pick(rng, 0, 2);
        for (int k = 0; k < keywords; ++k)
            args.insert(args.end(), {"--keyword", k == 0 ? "Harbour" : "night"});

        // Right before a drawn change while a drawn picture is stored: a block of its
        // picture chain, or one of the writes and syncs of its index entries. Or at a drawn
        // moment after a drawn number of acknowledgements: the start and first add, a
        // later add, or the end of the run.
        KillPlan plan;
        const int target = Pick(rng, 0, count - 1);
        const int blocks = RecordBlocks(*pictures[target]);
        switch (rng() % 3) {
        case 0:
            plan = {target, Micros(0), true, Pick(rng, 1, blocks)};
            break;
        case 1:
            plan = {target, Micros(0), true, blocks + Pick(rng, 1, 4 * (3 + keywords) + 2)};
            break;
        default: {
            const int wait = Pick(rng, 0, count);
            const Micros window = wait == 0       ? m_firstAck * 6 / 5
                                  : wait == count ? m_tail
                                                  : m_longestStep * 3 / 2;
            plan = {wait, Draw(rng, window), false, 0};
        }
        }
        Acknowledge(RunAndKill(args, plan), pictures);
    }

    void AddAndKill(std::mt19937& rng) {
        std::vector<const PoolPicture*> small;
        for (const PoolPicture& picture : m_pool)
            if (picture.forAdd)
                small.push_back(&picture);
        // One to three pictures: those of one command share their syncs, and each is
        // acknowledged only once its batch is synced. --yes stores a picture already in
        // the database instead of asking.
        std::vector<const PoolPicture*> pictures;
        std::vector<std::string> args = {"--yes", "add", m_db};
        int changes = 0;
        for (int k = Pick(rng, 1, 3); k > 0; --k) {
            pictures.push_back(small[rng() % small.size()]);
            args.push_back(pictures.back()->path);
            changes += RecordBlocks(*pictures.back()) + 20;
        }
        // The traced kills land right before a change of a record, its entries, its
        // thumbnail or their syncs.
        const KillPlan plan =
            TimedOrTraced(rng, m_addRun * 11 / 10 * int(pictures.size()), changes);
        Acknowledge(RunAndKill(args, plan), pictures);
    }

    void DeleteAndKill(std::mt19937& rng) {
        std::vector<std::int32_t> live = LiveBlocks();
        std::shuffle(live.begin(), live.end(), rng);
        live.resize(std::min<std::size_t>(live.size(), 2));
        std::vector<std::string> args = {"delete", m_db};
        for (std::int32_t block : live)
            args.push_back(std::to_string(block));
        RunAndKill(args, TimedOrTraced(rng, m_firstAck * 3 / 2, 12));
        for (std::int32_t block : live)
            m_stored[block].expect = m_lastKilled ? Expect::either : Expect::deleted;
    }

    void ChangeKeywordsAndKill(std::mt19937& rng, int iteration) {
        const std::vector<std::int32_t> live = LiveBlocks();
        const std::int32_t block = live[rng() % live.size()];
        const std::string keyword = "Kill" + std::to_string(iteration);
        RunAndKill({"set-keywords", m_db, std::to_string(block), keyword, "crash"},
                   TimedOrTraced(rng, m_firstAck * 3 / 2, 14));
        m_stored[block].keyword = m_lastKilled ? "" : keyword;
    }

    // Recovers the database (rebuilding the index in this process or with picdex-cli)
    // and checks every acknowledged picture.
    void RecoverAndCheck(int iteration, bool withCli) {
        const CrashRecovery recovery =
            RecoverAfterKill(m_db, m_temp.Path(), withCli ? PICDEX_CLI_PATH : "");
        const int interrupted = static_cast<int>(recovery.interruptedAdds.size());
        m_totals.interruptedAdds += interrupted - m_interruptedBefore;
        m_interruptedBefore = interrupted;
        m_totals.indexDamaged += recovery.firstCheck.indexDamaged ? 1 : 0;
        m_totals.rebuilds += recovery.indexRebuilt ? 1 : 0;
        EXPECT_FALSE(recovery.rebuildFailed) << "iteration " << iteration;
        EXPECT_TRUE(recovery.finalCheck.Clean()) << "iteration " << iteration << "\n"
                                                 << Joined(recovery.finalCheck.problems);
        for (std::int32_t head : recovery.interruptedAdds)
            EXPECT_EQ(m_stored.count(head), 0u)
                << "iteration " << iteration << ": acknowledged record " << head
                << " has an incomplete picture chain";

        CPictureDatabase db;
        ASSERT_EQ(db.OpenDatabase(m_db, false), 1);
        for (auto& [block, stored] : m_stored) {
            if (recovery.indexRebuilt)
                stored.expect = Expect::live; // a rebuilt index brings deleted records back
            if (const std::string fault = CheckStored(db, block, stored); !fault.empty()) {
                ++m_totals.lost;
                ADD_FAILURE() << "iteration " << iteration << ": record " << block << " ("
                              << stored.picture->path << ") " << fault;
            }
        }
    }

    // The picture reads back byte for byte under its name, and its name, date and CRC
    // entries (and the keyword a finished change gave it) are found as expected. What is
    // wrong, or "" when nothing is.
    static std::string CheckStored(CPictureDatabase& db, std::int32_t block,
                                   const StoredPicture& stored) {
        CMemFile bytes;
        CRecordHead head;
        if (db.ReadPicture(bytes, block, head) != 1)
            return "cannot be read";
        if (!std::ranges::equal(bytes.Data(), stored.picture->bytes))
            return "reads back " + std::to_string(bytes.Data().size()) + " other bytes";
        if (head.FileName() != GetFileName(stored.picture->path))
            return "has the name " + head.FileName();
        std::vector<std::string> keys = {MakeNameKey(head.FileName()),
                                         MakeDateKey(head.DateSaved()), MakeCrcKey(head.Crc())};
        if (!stored.keyword.empty())
            keys.push_back(MakeKeywordKey(stored.keyword));
        for (const std::string& key : keys) {
            const std::optional<bool> live = EntryIsLive(db.Index(), key, block);
            if (!live)
                return "has no entry \"" + key + "\"";
            if (stored.expect == Expect::live && !*live)
                return "has its entry \"" + key + "\" flagged deleted";
            if (stored.expect == Expect::deleted && *live)
                return "was deleted, but its entry \"" + key + "\" is live";
        }
        return {};
    }

    std::vector<PoolPicture> m_pool;
    std::string m_db;
    int m_databases = 0;
    std::map<std::int32_t, StoredPicture> m_stored;
    int m_interruptedBefore = 0;
    bool m_lastKilled = false;
    Totals m_totals;
    Micros m_firstAck{0}, m_longestStep{0}, m_tail{0}, m_addRun{0};
};

TEST_F(KilledWriterTest, AcknowledgedPicturesSurviveKillsAtAnyMoment) {
    if (m_pool.empty())
        return; // no picture corpus: TestDataDir has skipped or failed the test
    const int iterations = EnvNumber("PICDEX_CRASH_ITERATIONS", 50);
    const auto seed = static_cast<unsigned>(EnvNumber("PICDEX_CRASH_SEED", 20250601));
    // To replay the iterations of one database of a long run: the first iteration of it.
    const int first =
        EnvNumber("PICDEX_CRASH_FROM", 0) / iterationsPerDatabase * iterationsPerDatabase;
    const auto started = Clock::now();
    for (int i = first; i < first + iterations && !HasFatalFailure(); ++i) {
        if (i % iterationsPerDatabase == 0)
            NewDatabase();
        std::mt19937 rng(seed + static_cast<unsigned>(i));
        const unsigned pick = rng() % 10;
        const bool anyLive = !LiveBlocks().empty();
        if (pick == 0)
            AddAndKill(rng);
        else if (pick == 1 && anyLive)
            DeleteAndKill(rng);
        else if (pick == 2 && anyLive)
            ChangeKeywordsAndKill(rng, i);
        else
            StoreAndKill(rng);
        RecoverAndCheck(i, rng() % 2 == 0);
        ++m_totals.iterations;
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    std::printf("crash loop: iterations %d, kills %d (%d at a traced change), acknowledged "
                "records %d, records lost %d, index damaged %d, index reconstructions %d, "
                "interrupted adds %d, time %.1f s\n",
                m_totals.iterations, m_totals.kills, m_totals.tracedKills, m_totals.acknowledged,
                m_totals.lost, m_totals.indexDamaged, m_totals.rebuilds, m_totals.interruptedAdds,
                seconds);
    EXPECT_EQ(m_totals.lost, 0);
    if (iterations < 50)
        return;
    // The drawn kills must reach the writing itself, not only the start of the program.
    EXPECT_GT(m_totals.kills, iterations / 2);
    EXPECT_GT(m_totals.acknowledged, iterations);
    if (CChildProcess::CanTrace()) {
        EXPECT_GT(m_totals.interruptedAdds, 0) << "no kill landed inside a picture chain";
        EXPECT_GT(m_totals.indexDamaged, 0) << "no kill landed among the index writes";
    }
}

} // namespace
