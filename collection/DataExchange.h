// Data exchange: brings two picture databases to the same set of pictures. A picture is
// present in a database when a live record there has the same checksum and the same data
// size; every picture one side lacks is copied from the other, in one direction or both.
// The open database is the source, the other is named by its path. A counting pass asks
// the user first; the copying pass reports a running count.
//
// The dialogs are reached through the interfaces below, which the windowed program
// implements and tests script; messages go through the prompt.
#pragma once

#include "collection/OpenCommand.h"
#include "collection/Settings.h"

#include <string>
#include <string_view>

class CPictureDatabase;

namespace ExchangeDirection {
// both: "<-->"; outward: "->" source to destination; inward: "<-" destination to source.
enum : int { both = 0, outward = 1, inward = 2 };
} // namespace ExchangeDirection

// The "Data Exchange" dialog: shows the source's file name, lets the user pick the direction
// and the destination main file. False on Cancel.
class IDataExchangeDialog {
public:
    virtual ~IDataExchangeDialog() = default;
    virtual bool AskExchange(const std::string& sourceName, int& direction,
                             std::string& destination) = 0;
};

// The progress dialog of the copying pass.
class IExchangeProgress {
public:
    virtual ~IExchangeProgress() = default;
    // Shows question with Start and Cancel; true on Start (both buttons are then disabled).
    virtual bool AskStart(std::string_view question) = 0;
    // Shows text ("Copied : %d") at once.
    virtual void ShowProgress(std::string_view text) = 0;
    // Lets pending window messages be handled between entries, so the windows repaint.
    virtual void ProcessPending() {}
    // The counting pass begins (true) or has ended (false): the wait cursor meanwhile.
    virtual void Counting(bool /*counting*/) {}
    // The pass is over: the dialog closes.
    virtual void Finish() {}
};

// One direction: with outward, pictures of db missing from the other database are copied
// into it, else the other way round. With countOnly nothing is copied. After each copy,
// progress (when given) shows the running count. The count of pictures lacking (counted or
// copied); 0 after "Cannot open. File already in use or is READONLY." when the other
// database cannot be written; -1 when it cannot be opened, or when a picture could not
// be copied or an index entry read (the copying goes on past a picture that fails; the
// messages were shown).
int ExchangeOneWay(CPictureDatabase& db, const std::string& otherPath, bool outward, bool countOnly,
                   IExchangeProgress* progress);

// The checks and the counting pass of the command for a chosen destination and direction:
// the number of pictures to transfer, or -1 when nothing is to be done (the destination is
// db itself, or "%s not found", or the other database cannot be opened).
int CountExchange(CPictureDatabase& db, const std::string& destination, int direction);

// The copying pass: the number of pictures copied, or -1 when the other database cannot
// be opened.
int CopyExchange(CPictureDatabase& db, const std::string& destination, int direction,
                 IExchangeProgress* progress);

// The command: the dialog, the counting pass, "No pic found to transfer" or the question
// "%d pics found to transter. Continue?", the copying pass and "Data transfer completed".
// The number of pictures copied; -1 when the command ended before copying.
int DataExchange(CPictureDatabase& db, IDataExchangeDialog& dialog, IExchangeProgress& progress);

// "&Ref" of the "Data Exchange" dialog: the open-file dialog "Open Picdex file" for the
// destination, in the folder of the setting "OpenPath". On OK path is the chosen file and
// its folder becomes "OpenPath"; false on Cancel, path unchanged.
bool ChooseExchangeDestination(ISettings& settings, IOpenFileDialog& dialog, std::string& path);

// The question of the progress dialog for count pictures.
std::string ExchangeQuestion(int count);
