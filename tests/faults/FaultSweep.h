// The harness of the fault tests. A command runs again and again on fresh copies of
// prepared databases, each run with one file operation failing (the first, the second, ...
// of its kind), and every run is checked for what a failing disk must never cause: a
// second or a missing error message, success reported after a failure, a database that no
// longer opens, a record stored before that no longer reads back as it was, or damage that
// an index reconstruction does not repair. The sanitizers of the test build catch crashes
// and leaks on the way.
#pragma once

#include "platform/FaultInjection.h"
#include "support/FormatReader.h"
#include "support/TestSupport.h"

#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

using FaultInjection::Fault;
using FaultInjection::Operation;

// One run of a command: the fault it meets and, afterwards, whether the fault was
// delivered and how many operations of its kind were counted.
struct CFaultRun {
    static constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();

    Operation operation = Operation::write;
    std::uint64_t nth = never; // never: the clean run that counts the positions
    Fault fault = Fault::ioError;
    bool fired = false;
    std::uint64_t counted = 0;

    bool IsClean() const { return nth == never; }
    std::string Describe() const;
};

// Arms the run's fault for a scope. Leaving it records whether the fault fired and how many
// operations were counted, then disarms. A command arms it after its own preparations
// (opening the databases), so only the command's own operations are counted.
class CArmedFault {
public:
    explicit CArmedFault(CFaultRun& run);
    ~CArmedFault();
    CArmedFault(const CArmedFault&) = delete;
    CArmedFault& operator=(const CArmedFault&) = delete;

private:
    CFaultRun& m_run;
};

// The message a failed operation of the run must show.
std::string FaultMessage(const CFaultRun& run);

// A database as the independent reader sees it: its records and which of them are live.
struct CDatabaseState {
    CFormatReader reader;
    std::set<std::int32_t> live; // head blocks with live index entries
    std::vector<std::uint8_t> mainBytes, indexBytes;

    const CFormatReader::Record* Find(std::int32_t block) const { return reader.FindRecord(block); }
    // The head block of the record stored under name; -1 when there is none.
    std::int32_t Named(const std::string& name) const;
    bool IsLive(std::int32_t block) const { return live.count(block) != 0; }
};

// Reads the pair base + ".PXM" / ".PXI"; when both files still hold the bytes of known,
// known's reading is taken over instead of reading them again.
CDatabaseState ReadDatabaseState(const std::string& base, const CDatabaseState* known = nullptr);

// A database that a command may write, with its state before the command. Records in
// changing may lose their liveness or their keywords; the command's own check looks at them.
struct CWatchedDatabase {
    std::string base;
    CDatabaseState before;
    std::set<std::int32_t> changing;
};

// What the harness found in a watched database after a run.
struct CDatabaseAfter {
    CDatabaseState state; // after the repair, when one was needed
    bool repaired = false;
};

class CFaultSweepTest : public CTempDirTest {
protected:
    // Runs the command once with no fault, which must succeed with none but its own allowed
    // messages and tells how many operations of the kind it does; then once per position
    // and plan: every stride-th position, starting at a different one for each plan, so
    // that plans with the same stride cover different positions. Before each run the files
    // are copied afresh. command returns whether the command reported success.
    //
    // After each run: the fault's text was shown exactly once (a succeeding command may
    // show none: a fault in reading a record only to show its picture is silent), the
    // other messages are allowed ones, every watched database passes InspectDatabase and
    // one that a succeeding command wrote needs no repair; then check looks at the effect.
    struct CFaultPlan {
        Fault fault;
        std::uint64_t stride = 1;
    };
    using Command = std::function<bool(CFaultRun& run)>;
    using Check = std::function<void(const CFaultRun& run, bool success,
                                     const std::vector<CDatabaseAfter>& after)>;
    void Sweep(const std::string& name, Operation operation, const std::vector<CFaultPlan>& plans,
               const Command& command, const Check& check);
    // The sweeps most commands get: every write failing with each fault (a full disk and a
    // short write at every writeStride-th position), every sync, every readStride-th read.
    void SweepDisk(const std::string& name, std::uint64_t writeStride, std::uint64_t readStride,
                   const Command& command, const Check& check);

    // The files copied before each run: (from, to) pairs of full paths.
    void AddCopiedFile(const std::string& from, const std::string& to);
    void ClearCopiedFiles() { m_copies.clear(); }
    // A database the checks look at after each run; its state now is the state before.
    void Watch(const std::string& base, std::set<std::int32_t> changing = {});
    // The command's own messages that may follow or precede the file error's text.
    void AllowMessages(std::vector<std::string> texts) { m_allowed = std::move(texts); }

    void CopyFreshFiles();
    const CWatchedDatabase& Watched(std::size_t k) const { return m_watched.at(k); }

private:
    void CheckRun(const CFaultRun& run, bool success, const Check& check);
    // Opens the database, reads every record of before back through the storage layer, has
    // the independent reader and the program's integrity check judge the files, repairs the
    // index with a reconstruction when either finds damage (damage of the main file fails
    // the test), and checks that the records live before are live still.
    CDatabaseAfter InspectDatabase(const CWatchedDatabase& watched);

    std::vector<std::pair<std::string, std::string>> m_copies;
    std::vector<CWatchedDatabase> m_watched;
    std::vector<std::string> m_allowed;
};
