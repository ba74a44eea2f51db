// The corruption matrix: each damage (a byte flipped, a size, kind or counter field set to
// a value at the edge of its range, 512 bytes zeroed, the file cut) at
// chosen places of each region of the two files, applied to a copy of a prepared database
// of real pictures (some regions also with a password), and every operation run on the
// damaged copy (see CDamagedRun for what must hold). Each test prints its rows with one
// letter per operation, as RunOutcomes describes.
#include "corruption/DamagedRun.h"

#include <cctype>
#include <cstdio>
#include <tuple>

namespace {

constexpr const char* password = "Tiger7";

using MatrixParam = std::tuple<DamageRegion, bool>;

class CorruptionMatrixTest : public CTempDirTest,
                             public ::testing::WithParamInterface<MatrixParam> {};

std::string Row(const DamageCase& damage, const RunOutcomes& outcomes, int kept, int live) {
    std::string row = std::string(RegionName(damage.region)) + " | ";
    row.append(outcomes.begin(), outcomes.end());
    row += " | " + damage.Label();
    if (kept >= 0 && kept != live)
        row += " (the new main file holds " + std::to_string(kept) + " records)";
    return row + "\n";
}

TEST_P(CorruptionMatrixTest, EveryOperationFailsCleanlyAndKeepsTheUndamagedRecords) {
    const std::string corpus = TestDataDir();
    if (corpus.empty())
        return;
    const auto [region, withPassword] = GetParam();
    CPreparedDatabase prepared;
    ASSERT_TRUE(prepared.Build(File("prepared"), corpus, withPassword ? password : ""));
    m_prompt.Clear();

    std::string table;
    for (const DamageCase& damage : DamageCases(region, prepared)) {
        SCOPED_TRACE(damage.Label());
        // Every question is answered Yes; none is expected.
        for (int k = 0; k < 4; ++k)
            m_prompt.PushAnswer(true);
        CDamagedRun run(prepared, damage, m_prompt);
        const RunOutcomes outcomes = run.Run();
        table += Row(damage, outcomes, run.KeptByMainRebuild(), prepared.LiveCount());
    }
    std::printf("%s", table.c_str());
}

std::string ParamName(const ::testing::TestParamInfo<MatrixParam>& info) {
    std::string name;
    bool wordStart = true;
    for (char c : std::string(RegionName(std::get<0>(info.param)))) {
        if (c != ' ')
            name += wordStart ? static_cast<char>(std::toupper(c)) : c;
        wordStart = c == ' ';
    }
    return name + (std::get<1>(info.param) ? "WithPassword" : "");
}

INSTANTIATE_TEST_SUITE_P(Regions, CorruptionMatrixTest,
                         ::testing::Combine(::testing::ValuesIn(allDamageRegions),
                                            ::testing::Values(false)),
                         ParamName);
// The password lives in the main header and is carried over by a main-file reconstruction:
// the regions that decide whether the database opens, and one record's damage.
INSTANTIATE_TEST_SUITE_P(PasswordRegions, CorruptionMatrixTest,
                         ::testing::Values(MatrixParam{DamageRegion::mainHeader, true},
                                           MatrixParam{DamageRegion::recordHead, true},
                                           MatrixParam{DamageRegion::indexHeader, true}),
                         ParamName);

} // namespace
