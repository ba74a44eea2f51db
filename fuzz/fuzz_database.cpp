// Fuzz target of the database files: the main file and the index file are made from the
// input, opened as the program opens them and taken through every reading operation (the
// list walked both ways in each order, key searches, record heads, pictures, thumbnails,
// data sizes, the password, an index rebuilt from the main file), checked by the integrity
// check first, and, when asked, a record is appended and must read back byte for byte. Damage of
// any kind must end in a failure value, never in a read or write outside a block, a crash or an
// endless walk.
//
// Input layout, so that a small input describes whole 2048-byte blocks and a 32 KB index
// header:
//   byte 0        options: bit 0 main file read-only, bit 1 index read-only, bit 2 open
//                 both through the database's own open, bit 3 append a record, bit 4
//                 make the integrity check the quick one
//   bytes 1..4    length M of the main-file part (little-endian, cut to what is there)
//   main part     blocks, each a 2-byte length L (at most 2048) and L bytes, zero-filled to
//                 2048; a block whose bytes run out ends the file there (a torn block)
//   index part    the 24 fixed header bytes, a 2-byte count S of skip slots and S slots of
//                 4 bytes (the other slots -1), then the entries as they are in the file
// An empty part leaves its file out; a part that ends early leaves a short file.
//
// Built with PICDEX_FUZZ_REPLAY it has a main of its own that replays files, so that the
// seed corpus and the regressions run as an ordinary test in any build.
#include "collection/VerifyDatabase.h"
#include "platform/ByteOrder.h"
#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/Crc16.h"
#include "storage/IndexEntry.h"
#include "storage/PictureDatabase.h"
#include "storage/Reconstruction.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr std::size_t maxMainBlocks = 256;
constexpr std::size_t fixedIndexHeader = 24;
// Steps of each walk over the list; a sound list of the corpus sizes is shorter.
constexpr int walkSteps = 300;

// Inputs that made a database the integrity check finds sound and holding records.
int g_soundDatabases = 0;

class CSilentPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view) override {}
    bool AskYesNo(std::string_view) override { return false; }
};

class CNoProgress : public IReconstructionProgress {
public:
    void Step(std::int32_t, std::int32_t) override {}
};

// One folder per process, made on first use and removed at exit.
class CWorkspace {
public:
    CWorkspace() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pxfuzzdbXXXXXX").string();
        if (mkdtemp(pattern.data()))
            m_folder = pattern;
    }
    ~CWorkspace() {
        std::error_code ignored;
        if (!m_folder.empty())
            std::filesystem::remove_all(m_folder, ignored);
    }
    CWorkspace(const CWorkspace&) = delete;
    CWorkspace& operator=(const CWorkspace&) = delete;

    bool Usable() const { return !m_folder.empty(); }
    std::string Base() const { return m_folder + "/fuzz"; }
    // Removes every file a previous input left (rebuilt indexes included).
    void Clear() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(m_folder, ignored))
            std::filesystem::remove(entry.path(), ignored);
    }

private:
    std::string m_folder;
};

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

std::vector<std::uint8_t> ExpandMain(std::span<const std::uint8_t> part) {
    std::vector<std::uint8_t> file;
    for (std::size_t blocks = 0; part.size() >= 2 && blocks < maxMainBlocks; ++blocks) {
        const std::size_t declared =
            std::min<std::size_t>(GetLe16(part.data()), MainFormat::blockSize);
        part = part.subspan(2);
        const std::size_t given = std::min(declared, part.size());
        file.insert(file.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(given));
        part = part.subspan(given);
        if (given < declared)
            break; // the torn last block
        file.resize(file.size() + (MainFormat::blockSize - given), 0);
    }
    return file;
}

std::vector<std::uint8_t> ExpandIndex(std::span<const std::uint8_t> part) {
    if (part.size() < fixedIndexHeader + 2)
        return {part.begin(), part.end()};
    std::vector<std::uint8_t> file(part.begin(), part.begin() + fixedIndexHeader);
    const std::size_t slots =
        std::min<std::size_t>(GetLe16(part.data() + fixedIndexHeader), IndexFormat::skipSlots);
    part = part.subspan(fixedIndexHeader + 2);
    const std::size_t given = std::min(slots * 4, part.size() / 4 * 4);
    file.insert(file.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(given));
    part = part.subspan(given);
    file.resize(IndexFormat::headerSize, 0xFF);
    file.insert(file.end(), part.begin(), part.end());
    return file;
}

// Walks the current order from one end to the other and back, locating each entry's record
// and counting the range around the first few.
void WalkOrder(CPictureDatabase& db, int family) {
    CIndexFile& index = db.Index();
    index.SetOrder(family);
    bool wrapped = false;
    int position = 0;
    if (index.GoFirst() == 1)
        for (int step = 0; step < walkSteps; ++step) {
            if (step < 8) {
                db.LocateRecord(index.GetCurrentRecord());
                db.CountRange(position, false);
            }
            if (index.GoNext(wrapped) != 1 || wrapped)
                break;
        }
    if (index.GoLast() == 1)
        for (int step = 0; step < walkSteps; ++step)
            if (index.GoPrevious(wrapped) != 1 || wrapped)
                break;
}

void SearchKeys(CPictureDatabase& db) {
    CIndexFile& index = db.Index();
    CIndexEntry entry;
    std::vector<std::string> keys = {MakeNameKey("a.gif"),  MakeCrcKey(0x1234),     MakeDateKey(0),
                                     MakeKeywordKey("cat"), std::string(1, '\xff'), ""};
    // Keys the file itself holds find real entries.
    const std::int32_t count = index.EntryCount();
    for (std::int32_t i = 0; i < std::min(count, 64); ++i)
        if (index.ReadEntry(entry, i) && i % 8 == 0)
            keys.emplace_back(entry.Key());
    for (const std::string& key : keys)
        for (bool fold : {false, true}) {
            index.FindExact(key, fold);
            index.FindFloor(key, fold);
            index.FindInsertPosition(key, fold);
            const std::int32_t first = index.FindFirstOrBefore(key, fold);
            if (fold && first >= 0 && index.ReadEntry(entry, first)) {
                // A search range over the key, as the search commands make it.
                db.SetSearch(key, first, first);
                db.LocateRecord(entry.record);
                int position = 0;
                db.CountRange(position, false);
                db.EndSearch();
            }
        }
}

void ReadRecords(CPictureDatabase& db) {
    CMainFile& main = db.Main();
    std::string password;
    main.GetPassword(password);
    const std::int32_t blocks = std::min(main.BlockCount(), 48);
    for (std::int32_t block = 0; block < blocks; ++block) {
        CRecordHead head;
        if (!db.ReadHead(head, block))
            continue;
        db.GetDataSize(block);
        CMemFile picture, thumbnail;
        db.ReadPicture(picture, block, head);
        db.ReadThumbnail(thumbnail, head);
    }
}

// A record appended to whatever file is there must come back byte for byte.
void AppendAndReadBack(CPictureDatabase& db, std::span<const std::uint8_t> content) {
    CMemFile source;
    source.Write(content.data(), content.size());
    source.SeekToBegin();
    CRecordHead head;
    head.SetFileName("appended.gif");
    head.SetCrc(UpdateCrc16(0, content));
    head.SetDataSize(static_cast<std::uint32_t>(content.size()));
    std::int32_t block = -1;
    if (!db.Main().AppendRecord(source, block, head))
        return;
    CMemFile back;
    CRecordHead readHead;
    if (!db.ReadPicture(back, block, readHead) || !std::ranges::equal(back.Data(), content))
        std::abort();
    if (db.Index().IsOpen() && !db.Index().IsReadOnly())
        db.AddRecordEntries(readHead, block);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CSilentPrompt prompt;
    static CScopedPrompt scoped(prompt);
    static CWorkspace workspace;
    if (size < 5 || !workspace.Usable())
        return 0;
    const std::uint8_t options = data[0];
    const std::span<const std::uint8_t> rest(data + 5, size - 5);
    const std::size_t mainLength = std::min<std::size_t>(GetLe32(data + 1), rest.size());
    const std::vector<std::uint8_t> mainBytes = ExpandMain(rest.first(mainLength));
    const std::vector<std::uint8_t> indexBytes = ExpandIndex(rest.subspan(mainLength));

    workspace.Clear();
    const std::string base = workspace.Base();
    const std::string mainPath = base + ".PXM", indexPath = base + ".PXI";
    if ((!mainBytes.empty() && !WriteFile(mainPath, mainBytes)) ||
        (!indexBytes.empty() && !WriteFile(indexPath, indexBytes)))
        return 0;

    const DatabaseCheckResult check = VerifyDatabase(base, (options & 16) != 0);
    if (check.Clean() && check.records > 0)
        ++g_soundDatabases;

    CPictureDatabase db;
    if (options & 4) {
        db.OpenDatabase(base, false);
    } else {
        db.Main().Open(mainPath, options & 1);
        db.Index().Open(indexPath, (options >> 1) & 1);
    }
    if (db.Index().IsOpen()) {
        for (int family : {OrderFamily::dateSaved, OrderFamily::fileName, OrderFamily::keyword})
            WalkOrder(db, family);
        SearchKeys(db);
    }
    if (db.Main().IsOpen()) {
        ReadRecords(db);
        if (db.Index().IsOpen()) {
            CNoProgress progress;
            const std::string rebuilt = TemporaryIndexPath(mainPath);
            if (BuildIndexFromMain(db, rebuilt, progress)) {
                CIndexFile index;
                if (index.Open(rebuilt, 1)) {
                    bool wrapped = false;
                    index.GoFirst();
                    for (int step = 0; step < walkSteps && index.GoNext(wrapped) == 1; ++step)
                        if (wrapped)
                            break;
                }
            }
        }
        if ((options & 8) && !db.Main().IsReadOnly())
            AppendAndReadBack(db, rest.first(std::min<std::size_t>(rest.size(), 5000)));
    }
    db.Close();
    return 0;
}

#ifdef PICDEX_FUZZ_REPLAY
#define PICDEX_FUZZ_OWN_MAIN
#include "FuzzReplay.h"

// A corpus none of whose inputs makes a sound database with records fails the run too:
// the inputs would no longer reach past the files' headers.
int main(int argc, char** argv) {
    ReplayFolders(argc, argv);
    if (argc > 1 && g_soundDatabases == 0) {
        std::fprintf(stderr, "no input made a sound database with records\n");
        return 1;
    }
    return 0;
}
#endif
