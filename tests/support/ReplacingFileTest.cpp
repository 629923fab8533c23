#include "support/ReplacingFile.h"
#include "common/RunProgram.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <sys/stat.h>

using namespace tarveno;
namespace fs = std::filesystem;

namespace {

size_t filesIn(const fs::path& folder) {
    return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

} // namespace

TEST(ReplacingFile, TheOldFileStaysUntilTheNewOneIsWholeAndKeepsItsModeAndLinks) {
    testutil::TempDir dir;
    const std::string file = dir.write("prog.mal", "old text\n");
    ::chmod(file.c_str(), 0640);

    // Written part-way and abandoned (a failure, a killed command): the old file is intact,
    // and nothing is left beside it.
    {
        ReplacingFile f;
        ASSERT_EQ(f.open(file), 0);
        f.write("half of the new");
    }
    EXPECT_EQ(testutil::readFile(file), "old text\n");
    EXPECT_EQ(filesIn(dir.path()), 1u);

    ASSERT_EQ(writeFileReplacing(file, "new text\n"), 0);
    EXPECT_EQ(testutil::readFile(file), "new text\n");
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(filesIn(dir.path()), 1u);

    // Through a link: the file it names is replaced, the link stays a link.
    const fs::path link = fs::path(dir.path()) / "link.mal";
    fs::create_symlink(file, link);
    ASSERT_EQ(writeFileReplacing(link.string(), "through the link\n"), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(testutil::readFile(file), "through the link\n");

    // A folder that does not exist, or a folder as the target: refused, nothing written.
    EXPECT_EQ(writeFileReplacing((dir / "no/such/file").string(), "x"), ENOENT);
    EXPECT_EQ(writeFileReplacing(dir.path().string(), "x"), EISDIR);
    EXPECT_EQ(filesIn(dir.path()), 2u);
}
