// The installed program as a user meets it: help and version without any window, exit status
// 0 / 1 / 2, messages on stderr, results written where asked.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status;
    std::string output;  // stdout and stderr together
};

Outcome Batch(const std::string& args) {
    // No display: the program must not need one.
    const std::string command =
        "env -u DISPLAY -u QT_QPA_PLATFORM " BRIMLET_BATCH_PROGRAM " " + args + " 2>&1";
    Outcome run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace

TEST(BatchProgram, HelpVersionAndBadOptions) {
    Outcome help = Batch("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: brimlet-batch --press BUTTONS"), std::string::npos);
    Outcome version = Batch("--version");
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.output.find("Brimlet 4.08"), std::string::npos);
    Outcome bad = Batch("--press shallow photo.jpg");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("\"Shallow\""), std::string::npos) << bad.output;
    EXPECT_EQ(Batch("--press massing --scalar 16 photo.jpg").status, 2);
}

TEST(BatchProgram, ExitStatusTellsWhetherEveryPhotoWasDone) {
    const fs::path root = fs::temp_directory_path() / "brimlet-batch-program";
    fs::remove_all(root);
    fs::create_directories(root);
    fs::copy_file(fs::path(BRIMLET_TEST_DATA) / "sample-362x272.jpg", root / "cat.jpg");
    fs::copy_file(fs::path(BRIMLET_TEST_DATA) / "clock.wmf", root / "clock.wmf");
    std::ofstream(root / "bad.gif") << "GIF89a";

    const std::string dir = root.string();
    Outcome good = Batch("--press massing,pen-sketch --dyeing-and-sketch " + dir + "/cat.jpg " + dir +
                     "/clock.wmf");
    EXPECT_EQ(good.status, 0) << good.output;
    EXPECT_TRUE(fs::exists(root / "cat-cartoon.jpg"));
    EXPECT_TRUE(fs::exists(root / "clock-cartoon.jpg"));
    EXPECT_NE(good.output.find("2 cartoons written, 0 failed"), std::string::npos) << good.output;

    Outcome some = Batch("--quiet --format bmp --press pencil-sketch " + dir);
    EXPECT_EQ(some.status, 1) << some.output;
    EXPECT_NE(some.output.find("bad.gif: "), std::string::npos) << some.output;
    EXPECT_EQ(some.output.find("written"), std::string::npos) << some.output;
    EXPECT_TRUE(fs::exists(root / "cat-cartoon.bmp"));

    std::ofstream(root / "blocker") << "x";
    Outcome blocked = Batch("--press pen-sketch -o " + dir + "/blocker/out " + dir + "/cat.jpg");
    EXPECT_EQ(blocked.status, 2);
    EXPECT_NE(blocked.output.find("cannot make the output folder"), std::string::npos);
    fs::remove_all(root);
}
