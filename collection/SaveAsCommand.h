// CSaveAsCommand: the Save As command. It writes the current record's picture to a file the
// user names: an exact copy of the stored bytes, with the file's time of when it was added,
// when the name's picture kind is the record's own; otherwise the picture the document
// shows, converted into the format the name's extension gives. The folder chosen is
// remembered in the setting "CreatePath" of section "Options".
#pragma once

#include "collection/SaveFileDialog.h"
#include "collection/Settings.h"

#include <string>

class CPicdexDoc;

enum class SaveAsResult {
    cancelled,      // no current record, the dialog cancelled, or No to overwriting
    nothingWritten, // the name's kind is unknown, or there is no decoded picture to convert
    copied,         // the stored bytes were written
    converted,      // the picture was written in another format
    failed,         // the file could not be written (no message of its own)
};

class CSaveAsCommand {
public:
    CSaveAsCommand(CPicdexDoc& doc, ISaveFileDialog& dialog, ISettings& settings);

    SaveAsResult Run();

private:
    CPicdexDoc& m_doc;
    ISaveFileDialog& m_dialog;
    ISettings& m_settings;
};
