// Helpers shared by the tests: a prompt that answers from a script and records what it was
// shown, a temporary folder removed at the end of a test, file
// helpers and the location of the shared picture corpus.
#pragma once

#include "platform/MemFile.h"
#include "platform/Prompt.h"
#include "storage/Password.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Records messages and questions; answers questions from a script, No beyond it.
class CScriptedPrompt : public IPrompt {
public:
    void ShowMessage(std::string_view text) override;
    bool AskYesNo(std::string_view text) override;

    void PushAnswer(bool yes) { m_answers.push_back(yes); }
    const std::vector<std::string>& Messages() const { return m_messages; }
    const std::vector<std::string>& Questions() const { return m_questions; }
    // Messages and questions together, in the order they were shown.
    const std::vector<std::string>& Texts() const { return m_texts; }
    bool Saw(std::string_view text) const;
    void Clear();

private:
    std::deque<bool> m_answers;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_questions;
    std::vector<std::string> m_texts;
};

// A fresh folder under the temporary folder, removed with its content on destruction.
class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // The folder, with its trailing "/".
    const std::string& Path() const { return m_path; }
    std::string File(std::string_view name) const { return m_path + std::string(name); }

private:
    std::string m_path;
};

// Points TMPDIR at an empty folder of its own for the object's life and restores it after,
// so that a test can see whether what it ran left any temporary file.
class CScopedTemporaryFolder {
public:
    CScopedTemporaryFolder();
    ~CScopedTemporaryFolder();
    CScopedTemporaryFolder(const CScopedTemporaryFolder&) = delete;
    CScopedTemporaryFolder& operator=(const CScopedTemporaryFolder&) = delete;

    // The names in the folder.
    std::vector<std::string> Entries() const;

private:
    CTempDir m_dir;
    std::optional<std::string> m_saved;
};

// Fixture: a temporary folder and a scripted prompt installed for the test's duration.
class CTempDirTest : public ::testing::Test {
protected:
    std::string File(std::string_view name) const { return m_temp.File(name); }

    CTempDir m_temp;
    CScriptedPrompt m_prompt;

private:
    CScopedPrompt m_promptScope{m_prompt};
};

// Writes bytes as the whole content of path; fails the test when it cannot.
void WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);
void WriteFileBytes(const std::string& path, std::string_view text);
// The whole content of path; empty when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
// Overwrites four bytes of an existing file at offset with value, least significant first.
void PatchFileLe32(const std::string& path, std::int64_t offset, std::int32_t value);
std::int64_t FileLength(const std::string& path);

// count bytes of a reproducible pattern that differs with seed.
std::vector<std::uint8_t> PatternBytes(std::size_t count, unsigned seed = 1);
// Replaces the content of file with bytes and seeks it to the start.
void FillMemFile(CMemFile& file, std::span<const std::uint8_t> bytes);
// Each of lines followed by a line break, for failure messages.
std::string Joined(const std::vector<std::string>& lines);
// The whole content of file.
inline std::vector<std::uint8_t> BytesOf(const CMemFile& file) {
    return {file.Data().begin(), file.Data().end()};
}

// The shared picture corpus ("<sourceDir>/../shared/testdata/"), or "" when it is absent;
// the test is then skipped, or failed when CI=true. Callers return at once on "".
std::string TestDataDirFrom(const char* sourceDir);
// The rows of the corpus manifest (dir + "manifest.tsv") whose format column is format
// ("BMP", "JPEG", ...), each as its tab-separated cells (path, format, width, height, bits,
// frames, notes), each path once.
std::vector<std::vector<std::string>> ManifestRows(const std::string& dir, std::string_view format);
#ifdef PICDEX_SOURCE_DIR
inline std::string TestDataDir() {
    return TestDataDirFrom(PICDEX_SOURCE_DIR);
}
#endif
