// The integrity check and the index reconstruction must agree: what the check calls index
// damage is what an index reconstruction repairs. So right after an index has been
// rebuilt from a damaged main file, the check may still find the main file's damage, but
// never damage of the index, or a user told to reconstruct the index would be told so
// again after every reconstruction.
#include "collection/VerifyDatabase.h"
#include "corruption/Damage.h"
#include "corruption/PreparedDatabase.h"
#include "support/NoProgress.h"
#include "support/TestSupport.h"

namespace {

class RebuiltIndexCheckTest : public CTempDirTest {};

TEST_F(RebuiltIndexCheckTest, NoIndexDamageRightAfterAnIndexReconstruction) {
    const std::string corpus = TestDataDir();
    if (corpus.empty())
        return;
    CPreparedDatabase prepared;
    ASSERT_TRUE(prepared.Build(File("prepared"), corpus, ""));
    for (DamageRegion region :
         {DamageRegion::recordHead, DamageRegion::pictureChain, DamageRegion::thumbnailChain}) {
        for (const DamageCase& damage : DamageCases(region, prepared)) {
            SCOPED_TRACE(damage.Label());
            std::vector<std::uint8_t> main = prepared.MainBytes();
            damage.Apply(main);
            const std::string path = File("db.PXM");
            WriteFileBytes(path, main);
            WriteFileBytes(File("db.PXI"), prepared.IndexBytes());
            CPictureDatabase db;
            ASSERT_TRUE(db.OpenDatabase(path, false) && BuildAndInstall(db));
            const DatabaseCheckResult check = VerifyDatabase(path, false);
            EXPECT_FALSE(check.indexDamaged) << Joined(check.problems);
            m_prompt.Clear();
        }
    }
}

} // namespace
