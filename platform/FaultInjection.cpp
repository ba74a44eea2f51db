// The state behind FaultInjection.h. One flag guards everything, so a disarmed program pays
// a single well-predicted test per file operation; the counters are only touched while armed.
// The switch belongs to one process and is meant for tests that run their commands on one
// thread, so plain variables suffice.
#include "platform/FaultInjection.h"

#include <array>
#include <cstddef>

namespace FaultInjection {
namespace {

constexpr std::size_t operationKinds = 4;

struct State {
    bool armed = false;
    bool fired = false;
    Operation operation = Operation::read;
    std::uint64_t nth = 0;
    Fault fault = Fault::ioError;
    std::array<std::uint64_t, operationKinds> counts{};
};

State state;

std::size_t Slot(Operation operation) {
    return static_cast<std::size_t>(operation) % operationKinds;
}

} // namespace

void Arm(Operation operation, std::uint64_t nth, Fault fault) {
    state = State{};
    state.armed = true;
    state.operation = operation;
    state.nth = nth;
    state.fault = fault;
}

void Disarm() {
    // The counts and the fired flag stay readable until the next Arm.
    state.armed = false;
}

std::uint64_t Count(Operation operation) {
    return state.counts[Slot(operation)];
}

bool Fired() {
    return state.fired;
}

bool Strike(Operation operation, Fault& fault) {
    if (!state.armed) [[likely]]
        return false;
    std::uint64_t count = ++state.counts[Slot(operation)];
    if (state.fired || operation != state.operation || count != state.nth)
        return false;
    state.fired = true;
    fault = state.fault;
    return true;
}

} // namespace FaultInjection
