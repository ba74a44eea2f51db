#include "faults/FaultSweep.h"

#include "collection/VerifyDatabase.h"
#include "platform/FileException.h"
#include "storage/PictureDatabase.h"
#include "support/NoProgress.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

// Names for the traces and the summary lines, in the order of the enumerations.
const char* FaultName(Fault fault) {
    static const char* const names[] = {"ioError", "noSpace", "shortWrite"};
    return names[static_cast<int>(fault)];
}

const char* OperationName(Operation operation) {
    static const char* const names[] = {"read", "write", "sync", "rename"};
    return names[static_cast<int>(operation)];
}

} // namespace

std::string CFaultRun::Describe() const {
    if (IsClean())
        return std::string("clean run counting ") + OperationName(operation) + "s";
    return std::string(OperationName(operation)) + " #" + std::to_string(nth) + " fails with " +
           FaultName(fault);
}

CArmedFault::CArmedFault(CFaultRun& run) : m_run(run) {
    FaultInjection::Arm(run.operation, run.nth, run.fault);
}

CArmedFault::~CArmedFault() {
    m_run.fired = FaultInjection::Fired();
    m_run.counted = FaultInjection::Count(m_run.operation);
    FaultInjection::Disarm();
}

std::string FaultMessage(const CFaultRun& run) {
    // A short write stores part of a transfer and then finds the disk full; the other
    // operations have no part to store and fail as the hardware does.
    const bool full = run.fault == Fault::noSpace ||
                      (run.fault == Fault::shortWrite && run.operation == Operation::write);
    return FileErrorText(full ? FileCause::diskFull : FileCause::hardIO);
}

std::int32_t CDatabaseState::Named(const std::string& name) const {
    for (const CFormatReader::Record& record : reader.Records())
        if (record.fileName == name)
            return record.block;
    return -1;
}

CDatabaseState ReadDatabaseState(const std::string& base, const CDatabaseState* known) {
    CDatabaseState state;
    state.mainBytes = ReadFileBytes(base + ".PXM");
    state.indexBytes = ReadFileBytes(base + ".PXI");
    if (known && known->mainBytes == state.mainBytes && known->indexBytes == state.indexBytes)
        return *known;
    state.reader.Read(state.mainBytes, state.indexBytes);
    for (const CFormatReader::Entry& entry : state.reader.Entries())
        if (!entry.IsDeleted())
            state.live.insert(entry.record);
    return state;
}

void CFaultSweepTest::AddCopiedFile(const std::string& from, const std::string& to) {
    m_copies.emplace_back(from, to);
}

void CFaultSweepTest::Watch(const std::string& base, std::set<std::int32_t> changing) {
    CopyFreshFiles();
    m_watched.push_back({base, ReadDatabaseState(base), std::move(changing)});
    ASSERT_TRUE(m_watched.back().before.reader.IsClean())
        << base << " is damaged before the command:\n"
        << m_watched.back().before.reader.Report();
}

void CFaultSweepTest::CopyFreshFiles() {
    // Everything a run left behind goes, temporary files of a reconstruction included.
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_temp.Path(), error))
        std::filesystem::remove_all(entry.path(), error);
    for (const auto& [from, to] : m_copies)
        ASSERT_TRUE(std::filesystem::copy_file(from, to, error)) << from << ": " << error.message();
}

void CFaultSweepTest::Sweep(const std::string& name, Operation operation,
                            const std::vector<CFaultPlan>& plans, const Command& command,
                            const Check& check) {
    CFaultRun clean;
    clean.operation = operation;
    CopyFreshFiles();
    m_prompt.Clear();
    ASSERT_TRUE(command(clean)) << name << ": the command fails without a fault: "
                                << Joined(m_prompt.Messages());
    for (const std::string& text : m_prompt.Messages())
        ASSERT_TRUE(std::find(m_allowed.begin(), m_allowed.end(), text) != m_allowed.end())
            << name << " without a fault: " << Joined(m_prompt.Messages());
    ASSERT_FALSE(clean.fired);
    const std::uint64_t positions = clean.counted;

    std::string summary;
    for (std::size_t p = 0; p < plans.size(); ++p) {
        const std::uint64_t step = std::max<std::uint64_t>(plans[p].stride, 1);
        std::uint64_t runs = 0, successes = 0;
        for (std::uint64_t nth = 1 + p % step; nth <= positions; nth += step) {
            CFaultRun run;
            run.operation = operation;
            run.nth = nth;
            run.fault = plans[p].fault;
            SCOPED_TRACE(name + ": " + run.Describe());
            CopyFreshFiles();
            m_prompt.Clear();
            const bool success = command(run);
            CheckRun(run, success, check);
            ++runs;
            successes += success ? 1 : 0;
            // One broken run tells the story; the same fault would repeat at every position.
            if (HasFailure())
                return;
        }
        summary += " " + std::to_string(runs) + " " + FaultName(plans[p].fault) + " (" +
                   std::to_string(successes) + " succeeded)";
    }
    std::printf("[ sweep    ] %s: %llu %s positions, runs:%s\n", name.c_str(),
                static_cast<unsigned long long>(positions), OperationName(operation),
                summary.c_str());
}

void CFaultSweepTest::SweepDisk(const std::string& name, std::uint64_t writeStride,
                                std::uint64_t readStride, const Command& command,
                                const Check& check) {
    Sweep(name, Operation::write,
          {{Fault::ioError}, {Fault::noSpace, writeStride}, {Fault::shortWrite, writeStride}},
          command, check);
    Sweep(name, Operation::sync, {{Fault::ioError}}, command, check);
    Sweep(name, Operation::read, {{Fault::ioError, readStride}}, command, check);
}

void CFaultSweepTest::CheckRun(const CFaultRun& run, bool success, const Check& check) {
    EXPECT_TRUE(run.fired) << "the fault was never delivered";
    const std::vector<std::string>& messages = m_prompt.Messages();
    const std::string expected = FaultMessage(run);
    const auto shown = std::count(messages.begin(), messages.end(), expected);
    const auto others = std::count_if(messages.begin(), messages.end(), [&](const auto& text) {
        return text != expected &&
               std::find(m_allowed.begin(), m_allowed.end(), text) == m_allowed.end();
    });
    // A command that succeeds may have met the fault while reading a record only to show
    // its picture, which fails silently: the picture is simply not shown.
    EXPECT_TRUE((shown == 1 || (success && shown == 0)) && others == 0)
        << "expected \"" << expected << "\" once, saw " << Joined(messages);

    std::vector<CDatabaseAfter> after;
    for (const CWatchedDatabase& watched : m_watched) {
        after.push_back(InspectDatabase(watched));
        // A command that reports success leaves nothing to repair.
        EXPECT_FALSE(success && after.back().repaired)
            << watched.base << " was damaged by a command that reported success:\n"
            << ReadDatabaseState(watched.base).reader.Report();
    }
    check(run, success, after);
}

CDatabaseAfter CFaultSweepTest::InspectDatabase(const CWatchedDatabase& watched) {
    CDatabaseAfter after;
    {
        CScriptedPrompt quiet;
        CScopedPrompt scope(quiet);
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(watched.base, false), 1) << watched.base << " no longer opens";
        for (const CFormatReader::Record& record : watched.before.reader.Records()) {
            SCOPED_TRACE(watched.base + " record " + std::to_string(record.block) + " " +
                         record.fileName);
            CMemFile picture;
            CRecordHead head;
            const int read = db.ReadPicture(picture, record.block, head);
            EXPECT_EQ(read, 1);
            if (read != 1)
                continue;
            EXPECT_TRUE(BytesOf(picture) == record.picture) << "picture bytes altered";
            if (!watched.changing.count(record.block)) {
                for (int slot = 0; slot < MainFormat::keywordCount; ++slot)
                    EXPECT_EQ(head.Keyword(slot), record.keywords[std::size_t(slot)]);
            }
            if (!record.thumbnail.empty()) {
                CMemFile thumbnail;
                EXPECT_EQ(db.ReadThumbnail(thumbnail, head), 1);
                EXPECT_TRUE(BytesOf(thumbnail) == record.thumbnail) << "thumbnail altered";
            }
        }
        EXPECT_TRUE(quiet.Messages().empty()) << "reading back: " << Joined(quiet.Messages());
    }
    // Two independent judges: the independent reader of the tests and the program's own
    // integrity check (thumbnails decoded); both must find the pair clean, if need be
    // after an index reconstruction. Unchanged files were judged before the command.
    after.state = ReadDatabaseState(watched.base, &watched.before);
    const bool unchanged = after.state.mainBytes == watched.before.mainBytes &&
                           after.state.indexBytes == watched.before.indexBytes;
    DatabaseCheckResult verified;
    if (!unchanged)
        verified = VerifyDatabase(watched.base + ".PXM", false);
    EXPECT_FALSE(verified.mainDamaged) << watched.base << ": the main file is damaged:\n"
                                       << Joined(verified.problems);
    if (!after.state.reader.IsClean() || !verified.Clean()) {
        const std::string report = after.state.reader.Report() + Joined(verified.problems);
        CScriptedPrompt quiet;
        CScopedPrompt scope(quiet);
        CPictureDatabase db;
        EXPECT_EQ(db.OpenDatabase(watched.base, false), 1);
        EXPECT_TRUE(BuildAndInstall(db));
        after.repaired = true;
        after.state = ReadDatabaseState(watched.base);
        verified = VerifyDatabase(watched.base + ".PXM", false);
        EXPECT_TRUE(after.state.reader.IsClean() && verified.Clean())
            << watched.base << " stays damaged after an index reconstruction:\n"
            << after.state.reader.Report() << Joined(verified.problems) << "\nbefore it:\n"
            << report;
    }
    for (std::int32_t block : watched.before.live) {
        if (!watched.changing.count(block)) {
            EXPECT_TRUE(after.state.IsLive(block))
                << watched.base << ": record " << block << " is no longer in the index";
        }
    }
    return after;
}
