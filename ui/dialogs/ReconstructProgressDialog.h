// CReconstructProgressDialog: the "Reconstructing" dialog of an index or a main-file
// reconstruction: its label, the counter (at first "128/1024") and "&Start". Start disables
// the button, shows the wait cursor and runs the build on this thread with the dialog as
// its progress: the counter shows "%d / %d" and the windows stay painted while it runs
// (CProgressPacer). The core's messages meanwhile appear with the normal cursor
// (CBusyPrompt). When the build returns, the dialog closes with its result. The build
// cannot be cancelled: closing the dialog is refused while it runs.
#pragma once

#include "collection/ReconstructCommand.h"
#include "ui/dialogs/ProgressPacer.h"

#include <QDialog>

class QLabel;
class QPushButton;

class CReconstructProgressDialog : public QDialog, public IReconstructionProgress {
    Q_OBJECT

public:
    // index: the index's dialog, else the main file's.
    CReconstructProgressDialog(bool index, QWidget* parent);

    // Shows the dialog until it closes; the build's result after Start, 0 when it was
    // closed without Start.
    int RunBuild(const IReconstructDialogs::Build& build);

    // IReconstructionProgress: the counter shows done / total, painted at once when it is
    // due; the last step is always shown before the dialog closes.
    void Step(std::int32_t done, std::int32_t total) override;

    QString CounterText() const;
    bool IsBuilding() const { return m_building; }

signals:
    // The counter was painted with these numbers.
    void progressShown(int done, int total);

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Start();
    void ShowCounter();

    IReconstructDialogs::Build m_build;
    QLabel* m_counter;
    QPushButton* m_start;
    CProgressPacer m_pacer;
    std::int32_t m_done = 0;
    std::int32_t m_total = 0;
    bool m_stepped = false;
    bool m_building = false;
    int m_result = 0;
};
