#include "support/TestSupport.h"

#include "platform/ByteOrder.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

void CScriptedPrompt::ShowMessage(std::string_view text) {
    m_messages.emplace_back(text);
    m_texts.emplace_back(text);
}

bool CScriptedPrompt::AskYesNo(std::string_view text) {
    m_questions.emplace_back(text);
    m_texts.emplace_back(text);
    const bool yes = !m_answers.empty() && m_answers.front();
    if (!m_answers.empty())
        m_answers.pop_front();
    return yes;
}

bool CScriptedPrompt::Saw(std::string_view text) const {
    return std::find(m_texts.begin(), m_texts.end(), text) != m_texts.end();
}

void CScriptedPrompt::Clear() {
    m_messages.clear();
    m_questions.clear();
    m_texts.clear();
}

CTempDir::CTempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string name = std::string(base && *base ? base : "/tmp") + "/picdex-test-XXXXXX";
    if (!::mkdtemp(name.data()))
        ADD_FAILURE() << "cannot create a temporary folder from " << name;
    else
        m_path = name + "/";
}

CTempDir::~CTempDir() {
    std::error_code error;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, error);
}

CScopedTemporaryFolder::CScopedTemporaryFolder() {
    if (const char* saved = std::getenv("TMPDIR"))
        m_saved = saved;
    ::setenv("TMPDIR", m_dir.Path().c_str(), 1);
}

CScopedTemporaryFolder::~CScopedTemporaryFolder() {
    if (m_saved)
        ::setenv("TMPDIR", m_saved->c_str(), 1);
    else
        ::unsetenv("TMPDIR");
}

std::vector<std::string> CScopedTemporaryFolder::Entries() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.Path(), error))
        names.push_back(entry.path().filename().string());
    return names;
}

void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out)
        ADD_FAILURE() << "cannot write " << path;
}

void WriteFileBytes(const std::string& path, std::string_view text) {
    WriteFileBytes(path,
                   std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? std::size_t(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), std::streamsize(bytes.size()));
    return bytes;
}

void PatchFileLe32(const std::string& path, std::int64_t offset, std::int32_t value) {
    std::uint8_t bytes[4];
    PutLe32(bytes, value);
    std::fstream io(path, std::ios::binary | std::ios::in | std::ios::out);
    io.seekp(offset);
    io.write(reinterpret_cast<const char*>(bytes), sizeof bytes);
    if (!io)
        ADD_FAILURE() << "cannot patch " << path << " at " << offset;
}

std::int64_t FileLength(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

std::vector<std::uint8_t> PatternBytes(std::size_t count, unsigned seed) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

void FillMemFile(CMemFile& file, std::span<const std::uint8_t> bytes) {
    file.SetLength(0);
    file.SeekToBegin();
    file.Write(bytes.data(), bytes.size());
    file.SeekToBegin();
}

std::string TestDataDirFrom(const char* sourceDir) {
    std::string dir = std::string(sourceDir) + "/../shared/testdata/";
    std::error_code error;
    if (std::filesystem::is_directory(dir, error))
        return dir;
    const char* ci = std::getenv("CI");
    if (ci && std::string_view(ci) == "true")
        ADD_FAILURE() << "the shared picture corpus is missing: " << dir;
    else
        [&] { GTEST_SKIP() << "the shared picture corpus is absent: " << dir; }();
    return {};
}

std::vector<std::vector<std::string>> ManifestRows(const std::string& dir,
                                                   std::string_view format) {
    std::vector<std::vector<std::string>> rows;
    std::set<std::string> seen;
    std::ifstream in(dir + "manifest.tsv");
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> cells;
        std::stringstream split(line);
        for (std::string cell; std::getline(split, cell, '\t');)
            cells.push_back(cell);
        if (cells.size() >= 7 && cells[1] == format && seen.insert(cells[0]).second)
            rows.push_back(std::move(cells));
    }
    return rows;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}
