// The command under valgrind, on its success paths and on every kind of failure it reports:
// no invalid access, no use of unset memory and no leak. Skipped where valgrind is missing
// and in sanitizer builds, whose runtime valgrind cannot run.

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

using testsupport::Quoted;

namespace {

class VeldconvValgrindTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef VELDGRID_SANITIZED
        GTEST_SKIP() << "sanitizer build";
#endif
        if (std::system("command -v valgrind >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "valgrind is not installed";
        Dir = testsupport::TempDir();
    }

    std::string Dir;
};

} // namespace

TEST_F(VeldconvValgrindTest, SuccessAndFailurePathsAreClean) {
    const std::string Example = Quoted(std::string(VELDGRID_EXAMPLES) + "/example.txt");
    const std::string Grid = Quoted(Dir + "/out.asc");
    const std::string Bad = Dir + "/bad.txt";
    testsupport::WriteFile(Bad, "x 0 1 lat degN/degE\nr 1 2 5\nr 1 5\nend degN/degE\n");
    const struct {
        const char* Name;
        std::string Arguments;
        std::string Redirections;
        int Status;
    } Cases[] = {
        {"metadata to standard output", Example + " " + Grid, "", 0},
        {"metadata file", Example + " " + Grid + " " + Quoted(Dir + "/meta.txt"), "", 0},
        {"usage", Example, "", 1},
        {"missing source", Quoted(Dir + "/none.txt") + " " + Grid, "", 1},
        {"malformed source", Quoted(Bad) + " " + Grid, "", 1},
        {"two names of one file", Example + " " + Grid + " " + Grid, "", 1},
        {"grid cannot be written", Example + " /dev/full", "", 1},
        {"metadata file cannot be opened", Example + " " + Grid + " " + Quoted(Dir), "", 1},
        {"standard output closed", Example + " " + Grid, ">&-", 1},
    };
    for (const auto& C : Cases) {
        const std::string Log = Dir + "/valgrind.log";
        // The log goes to a descriptor of its own, which a closed standard output cannot
        // turn into.
        const auto R = testsupport::RunCapturing(
            "valgrind -q --error-exitcode=1 --leak-check=full --log-fd=9 " + Quoted(VELDCONV_PATH) +
                " " + C.Arguments + " 9>" + Quoted(Log),
            Dir, C.Redirections);
        // With -q valgrind logs nothing but what it found.
        EXPECT_EQ(testsupport::ReadFile(Log), "") << C.Name;
        EXPECT_EQ(R.Status, C.Status) << C.Name << "\n" << R.Err;
        EXPECT_EQ(R.Err.empty(), C.Status == 0) << C.Name << "\n" << R.Err;
    }
}
