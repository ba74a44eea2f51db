// CViewMarkCommands: the picture view's commands on marked records and the bulk commands
// that write or count over the collection: the bar for paging among marks, keyword on
// marked data, transfer, output to a folder, the duplicate check and the counts by type.
// The work is the collection's; the windows gather input, keep painting while the work
// runs and show what it did.
#pragma once

#include "collection/MarkCommands.h"
#include "ui/ViewMarkDialogs.h"

#include <QPointer>

class CMarkBar;
class CPicdexView;

class CViewMarkCommands {
public:
    // view outlives this object.
    explicit CViewMarkCommands(CPicdexView& view);

    // The collection's marked-data commands over the view and its dialogs.
    CMarkCommands MarkCommands();

    // The bar for paging among marked records, made on first use; null until then.
    CMarkBar* MarkBar() const;
    void ShowMarkBar();
    void HideMarkBar();
    void ToggleMarkBar();
    // Private message 0x482 from the bar: one of the MarkMove codes.
    void MoveAmongMarks(int code);

    void KeywordOnMarked();
    void TransferMarked();
    // The marked records, or the whole list, written to a folder.
    void Output(bool marked);
    void CheckDuplicates();
    void FileProperties();

private:
    CPicdexView& m_view;
    CViewMarkDialogs m_dialogs;
    QPointer<CMarkBar> m_markBar;
};
