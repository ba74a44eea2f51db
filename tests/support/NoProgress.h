// A reconstruction's progress that nobody watches.
#pragma once

#include "storage/Reconstruction.h"

class CNoProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t, std::int32_t) override {}
};
