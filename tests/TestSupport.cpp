#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace testsupport {

std::string ReadFile(const std::string& FileName) {
    std::ifstream In(FileName, std::ios::binary);
    std::ostringstream Text;
    Text << In.rdbuf();
    return Text.str();
}

void WriteFile(const std::string& FileName, const std::string& Text) {
    std::ofstream Out(FileName, std::ios::binary | std::ios::trunc);
    Out << Text;
}

std::string TempDir() {
    const ::testing::TestInfo* Info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string Name = std::string(Info->test_suite_name()) + "_" + Info->name();
    for (char& C : Name)
        if (C == '/')
            C = '_';
    const std::string Dir = ::testing::TempDir() + "veldgrid_" + Name;
    const int Status = std::system(("rm -rf '" + Dir + "' && mkdir -p '" + Dir + "'").c_str());
    EXPECT_EQ(Status, 0) << Dir;
    return Dir;
}

} // namespace testsupport
