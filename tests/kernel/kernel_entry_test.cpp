// The program's entry: without a display it ends with the fatal message and
// a non-zero status instead of crashing.
#include "engine/FileTestFolder.h"
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

namespace {
// Runs the program with the video driver; its exit status, its stderr in *err.
int RunProgram(const char* driver, std::string* err) {
    FileTestFolder folder("dunmarch_stderr_");
    const std::string errFile = folder.File("stderr.txt");
    const std::string cmd = std::string("SDL_VIDEODRIVER=") + driver +
                            " SDL_AUDIODRIVER=dummy timeout 60 ./dunmarch 2>" + errFile + " >/dev/null";
    const int status = std::system(cmd.c_str());
    std::ifstream in(errFile);
    err->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
} // namespace

TEST(ProgramEntry, NoDisplayIsAFatalMessageAndAFailure) {
    if (!std::filesystem::exists("dunmarch")) GTEST_SKIP() << "the program is not built";
    std::string err;
    EXPECT_EQ(RunProgram("no_such_driver", &err), 1);
    EXPECT_NE(err.find("Konnte DirectX Grafik nicht erkennen"), std::string::npos);
}
