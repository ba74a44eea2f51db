// ScanRecordHeads: finds the record heads of a main file, front to back, and decides for
// each whether its picture chain is complete (CPictureChainWalk). Both reconstructions
// start from it: an index rebuild gives every complete record its entries, and a main-file
// reconstruction checks against it that its index names every complete record.
//
// A block of kind 1 is a record head unless its previous link names an earlier block
// whose next link is this one: then it is a data block of that chain whose kind byte is
// damaged (a head always has -1 as its previous link). The integrity check judges blocks
// by the same rule.
#pragma once

#include "storage/PictureChainWalk.h"
#include "storage/RecordHead.h"

#include <cstdint>
#include <functional>
#include <vector>

class CMainFile;
class IReconstructionProgress;

// What the scan found at one head. complete is also true for a chain left undecided
// because the walks ran out of blocks to read (a file made to send many heads round one
// long chain): such a head keeps its record.
struct ScannedHead {
    std::int32_t block;
    const CRecordHead& head;
    const CPictureChainWalk& walk;
    bool complete;
};

// Calls found for every record head in block order; progress gets one step per block.
// 1, or 0 when a block cannot be read (the file error has been shown).
int ScanRecordHeads(CMainFile& main, IReconstructionProgress& progress,
                    const std::function<void(const ScannedHead&)>& found);

// The rule above for a block of kind 1 at b with previous link previous; nextOf(p) gives
// the next link of block p, for 1 <= p < b.
template <class NextOf>
bool IsRecordHead(std::int32_t b, std::int32_t previous, const NextOf& nextOf) {
    return !(previous >= 1 && previous < b && nextOf(previous) == b);
}
