#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
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

std::string Quoted(const std::string& Text) {
    std::string Word = "'";
    for (char C : Text)
        Word += C == '\'' ? std::string("'\\''") : std::string(1, C);
    return Word + "'";
}

TProcessRun RunCapturing(const std::string& CommandLine, const std::string& Dir,
                         const std::string& Redirections) {
    const std::string Out = Dir + "/run.stdout", Err = Dir + "/run.stderr";
    const std::string Full =
        CommandLine + " >" + Quoted(Out) + " 2>" + Quoted(Err) + " " + Redirections;
    const int Raw = std::system(Full.c_str());
    const int Status = Raw != -1 && WIFEXITED(Raw) ? WEXITSTATUS(Raw) : -1;
    TProcessRun Run{Status, ReadFile(Out), ReadFile(Err)};
    std::remove(Out.c_str());
    std::remove(Err.c_str());
    return Run;
}

} // namespace testsupport
