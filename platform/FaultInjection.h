// FaultInjection: deliberate failures of the file layer, so that tests can prove every
// command survives a failing disk. It is disarmed unless a test arms it, and then costs
// one test of a flag per file operation.
//
// Every read, write, sync (fdatasync of a file or a folder) and rename done through the
// platform layer is counted per kind while armed. The operation whose count reaches the
// armed number fails once with the armed fault; the ones after it succeed again.
#pragma once

#include <cstdint>

namespace FaultInjection {

enum class Operation { read, write, sync, rename };

enum class Fault {
    ioError,    // the operation fails with EIO
    noSpace,    // the operation fails with ENOSPC
    shortWrite, // a write transfers only part of its bytes (other operations: EIO)
};

// Counts operations from zero and fails the nth (1-based) operation of kind operation;
// nth 0 only counts.
void Arm(Operation operation, std::uint64_t nth, Fault fault);
// Stops failing and counting; the counts and Fired stay readable until the next Arm.
void Disarm();
// Operations of kind operation counted since the last Arm.
std::uint64_t Count(Operation operation);
// True once the armed fault has been delivered.
bool Fired();

// For the file layer: counts one operation of kind operation and returns true when it
// must fail; fault then receives the fault to deliver.
bool Strike(Operation operation, Fault& fault);

// Arms for the lifetime of a test scope and disarms on leaving it.
class CScopedFault {
public:
    CScopedFault(Operation operation, std::uint64_t nth, Fault fault) {
        Arm(operation, nth, fault);
    }
    ~CScopedFault() { Disarm(); }
    CScopedFault(const CScopedFault&) = delete;
    CScopedFault& operator=(const CScopedFault&) = delete;
};

} // namespace FaultInjection
