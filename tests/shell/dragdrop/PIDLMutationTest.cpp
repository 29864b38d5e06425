// Mutated "Shell IDList Array" blocks from a peer, handed to a file drop source and read back as
// file names: every block is taken whole or refused whole, and none reaches the shell in a form
// that makes it read outside an item.
#include <gtest/gtest.h>

#include "DropSourceTestUtil.h"
#include "PIDLMutations.h"
#include "support/Sandbox.h"

namespace korv {
namespace {

using test::TSandbox;

class PIDLMutation : public test::TDropSourceTest {};

TEST_F(PIDLMutation, BlocksThroughSetDataAndBackToNamesNeverCrash) {
  TSandbox tmp;
  std::vector<std::string> files{tmp.File("a\\x.txt"), tmp.File("a\\b\\y.txt"), tmp.File("c\\z.txt")};
  const std::unique_ptr<TDropFileSource> sourcePtr(NewComponent<TDropFileSource>(nullptr));
  TDropFileSource& source = *sourcePtr;
  for (const auto& f : files) source.Files()->Add(f);
  std::string good;
  ASSERT_TRUE(test::GetBytes(source.AsDataObject(), test::FormatId("Shell IDList Array"), TYMED_HGLOBAL, good));
  // The block as it is comes back as the files.
  source.Files()->Clear();
  ASSERT_EQ(test::SetCIDA(source.AsDataObject(), good), S_OK);
  EXPECT_TRUE(test::SamePaths(StringsToVector(*source.Files()), files));
  // A few thousand blocks here; the benchmark program runs 100,000.
  const int count = 2000;
  test::TCIDAMutationRun run = test::RunCIDAMutations(source, good, count, 20240611);
  EXPECT_EQ(run.Inconsistent, 0);
  EXPECT_GT(run.Accepted, count / 10);
  EXPECT_GT(run.Refused, count / 10);
}

}  // namespace
}  // namespace korv
