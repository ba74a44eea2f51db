#include "collection/SaveAsCommand.h"

#include "collection/PicdexDoc.h"
#include "imaging/ImageExport.h"
#include "platform/Path.h"
#include "platform/PathInfo.h"
#include "platform/Prompt.h"
#include "storage/PictureExport.h"

#include <system_error>

CSaveAsCommand::CSaveAsCommand(CPicdexDoc& doc, ISaveFileDialog& dialog, ISettings& settings)
    : m_doc(doc), m_dialog(dialog), m_settings(settings) {}

SaveAsResult CSaveAsCommand::Run() {
    CRecordHead head;
    if (!m_doc.GetCurrentHead(head))
        return SaveAsResult::cancelled;

    CSaveFileRequest request;
    request.title = "Create picture file";
    request.initialFolder = m_settings.GetProfileString("Options", "CreatePath", "");
    // The root keeps its "/"; any other folder is given without it.
    if (request.initialFolder.size() > 1 && request.initialFolder.back() == '/')
        request.initialFolder.pop_back();
    // Only the last component of the stored name is proposed: a name from a damaged
    // database must not point the dialog elsewhere.
    request.proposedName = GetFileName(head.FileName());
    std::string path;
    if (!m_dialog.AskSavePath(request, path) || path.empty())
        return SaveAsResult::cancelled;
    m_settings.WriteProfileString("Options", "CreatePath", GetFolder(path));

    // The path exactly as chosen: a name that differs in letter case is another file.
    if (PathExists(path) && !AskYesNo("File already exists. Overwrite?"))
        return SaveAsResult::cancelled;

    const int kind = CPicdexDoc::PictureKindOf(path);
    if (kind == imageNone)
        return SaveAsResult::nothingWritten;
    const int recordKind = CPicdexDoc::PictureKindOf(head.FileName());
    if (kind == recordKind)
        return WriteCurrentPicture(m_doc.Database(), path, true) ? SaveAsResult::copied
                                                                 : SaveAsResult::failed;
    // The document keeps the last picture it decoded, which may be another record's when
    // this one could not be read or decoded: that one is never written under this name.
    PxImage* picture = m_doc.GetPictureRecord() == m_doc.Database().Index().GetCurrentRecord()
                           ? m_doc.GetCurrentPicture()
                           : nullptr;
    if (!picture)
        return SaveAsResult::nothingWritten;
    return ExportAs(*picture, kind, path) ? SaveAsResult::converted : SaveAsResult::failed;
}
