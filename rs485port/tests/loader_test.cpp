// Loading the POS subsystem by name: a missing library, or one that lacks an entry point the
// transport requires, fails the open with POS error 337 and is not kept; PosErrno alone may be
// missing. Each case runs the probe in a process of its own, with its own library path.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

std::string BuildDir() {
    const char* build = std::getenv("ORV_BUILD_DIR");
    return build != nullptr ? build : ".";
}

// Runs the probe with LD_LIBRARY_PATH = libraryPath; its one line of output.
std::string Probe(const std::string& libraryPath) {
    const fs::path work = fs::temp_directory_path() / ("orv-rs485-probe-" + std::to_string(getpid()));
    fs::create_directories(work);
    const std::string probe = BuildDir() + "/tests/rs485port_open_probe";
    std::vector<std::string> env = {"LD_LIBRARY_PATH=" + libraryPath,
                                    "ORV_POSS_DEVICES=1:1:1=64"};
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("LD_LIBRARY_PATH=", 0) != 0 && entry.rfind("ORV_POSS_", 0) != 0)
            env.push_back(entry);
    }
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string workArg = work.string();
    char* argv[] = {const_cast<char*>(probe.c_str()), workArg.data(), nullptr};

    int out[2];
    if (pipe(out) != 0) return "pipe failed";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    pid_t child = 0;
    const int spawned = posix_spawn(&child, probe.c_str(), &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string output;
    std::array<char, 256> chunk;
    ssize_t n = 0;
    while (spawned == 0 && (n = read(out[0], chunk.data(), chunk.size())) > 0)
        output.append(chunk.data(), size_t(n));
    close(out[0]);
    if (spawned == 0) waitpid(child, nullptr, 0);
    fs::remove_all(work);
    return spawned == 0 ? output : "spawn failed";
}

TEST(SubsystemLoader, TheSimulatedSubsystemOnTheLibraryPathOpens) {
    EXPECT_EQ(Probe(BuildDir() + "/lib/possim"),
              "opened=1 result=1 status=0 unavailable=0 mapped=1\n");
}

TEST(SubsystemLoader, NoSubsystemLibraryFailsWith337) {
    const fs::path empty = fs::temp_directory_path() / ("orv-rs485-empty-" + std::to_string(getpid()));
    fs::create_directories(empty);
    EXPECT_EQ(Probe(empty.string()), "opened=0 result=-617 status=-617 unavailable=1 mapped=0\n");
    fs::remove_all(empty);
}

struct MissingEntry {
    const char* entry;
    bool required;
};

void PrintTo(const MissingEntry& row, std::ostream* out) {
    *out << row.entry;
}

class MissingEntryTest : public ::testing::TestWithParam<MissingEntry> {};

TEST_P(MissingEntryTest, RequiredEntryPointsFailWith337AndTheLibraryIsFreed) {
    const MissingEntry& row = GetParam();
    const std::string output =
        Probe(BuildDir() + "/tests/possim-without-" + std::string(row.entry));
    if (row.required) {
        EXPECT_EQ(output, "opened=0 result=-617 status=-617 unavailable=1 mapped=0\n") << row.entry;
    } else {
        EXPECT_EQ(output, "opened=1 result=1 status=0 unavailable=0 mapped=1\n") << row.entry;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EntryPoints, MissingEntryTest,
    ::testing::Values(MissingEntry{"PosClose", true}, MissingEntry{"PosErrno", false},
                      MissingEntry{"PosInitialize", true}, MissingEntry{"PosIOCtl", true},
                      MissingEntry{"PosOpen", true}, MissingEntry{"PosRead", true},
                      MissingEntry{"PosTerm", true}, MissingEntry{"PosVersion", true},
                      MissingEntry{"PosWrite", true}),
    [](const auto& info) { return std::string(info.param.entry); });

}  // namespace
