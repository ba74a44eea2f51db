// The state behind WriteJournal.h. Recording is for single-threaded tests, like the
// fault-injection switch, so plain variables suffice.
#include "platform/WriteJournal.h"

#include <utility>

namespace WriteJournal {
namespace {
bool recording = false;
std::vector<Entry> entries;
} // namespace

void Start() {
    entries.clear();
    recording = true;
}

void Stop() {
    recording = false;
}

bool IsRecording() {
    return recording;
}

const std::vector<Entry>& Entries() {
    return entries;
}

void Append(Entry entry) {
    if (recording)
        entries.push_back(std::move(entry));
}

void Mark(const std::string& note) {
    Entry entry;
    entry.kind = Kind::mark;
    entry.path = note;
    Append(std::move(entry));
}

} // namespace WriteJournal
