// The Reconstruct command's dialogs and the application around it: the choice is fixed,
// "&Start" is pressed at once, the progress is counted and the hand-over recorded.
#pragma once

#include "collection/ApplicationHost.h"
#include "collection/ReconstructCommand.h"

#include <string>

class CScriptedReconstruction : public IReconstructDialogs,
                                public IApplicationHost,
                                public IReconstructionProgress {
public:
    explicit CScriptedReconstruction(ReconstructChoice choice = ReconstructChoice::index)
        : m_choice(choice) {}

    ReconstructChoice AskReconstruction() override { return m_choice; }
    bool IsControlKeyDown() override { return false; }
    int RunBuild(ReconstructChoice, const Build& build) override { return build(*this); }
    bool AskSavePath(const CSaveFileRequest&, std::string&) override { return false; }
    void Step(std::int32_t done, std::int32_t total) override {
        // A build takes one step per block or entry: more would mean a walk out of bounds.
        if (done < 1 || done > total)
            ++m_badSteps;
    }
    void OpenByPath(const std::string& path) override { m_opened = path; }
    void CloseMainWindow() override { m_closed = true; }

    ReconstructChoice m_choice;
    int m_badSteps = 0;
    std::string m_opened;
    bool m_closed = false;
};
