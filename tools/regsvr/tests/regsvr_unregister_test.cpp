// regsvr /u on a server library without DllUnregisterServer: it fails as regsvr32 does (exit 4)
// and names the commands that remove the keys pointing at the library, which then work.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct CommandResult {
    int exitCode;
    std::string output;
};

CommandResult RunCommand(const std::string& command) {
    CommandResult run{-1, {}};
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::vector<std::string> OrvregCommands(const std::string& output) {
    std::vector<std::string> commands;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("orvreg delete ");
        if (at != std::string::npos) commands.push_back(line.substr(at + 7));
    }
    return commands;
}

class RegsvrUnregister : public ::testing::Test {
protected:
    void SetUp() override {
        char folder[] = "/tmp/regsvr_test_XXXXXX";
        ASSERT_NE(::mkdtemp(folder), nullptr);
        folder_ = folder;
        const std::string registry = folder_ + "/registry.reg";
        std::ofstream(registry) << "Windows Registry Editor Version 5.00\n";
        ::setenv("ORV_REGISTRY", registry.c_str(), 1);
    }
    void TearDown() override { RunCommand("rm -rf '" + folder_ + "'"); }

    std::string folder_;
};

TEST_F(RegsvrUnregister, NamesTheKeysOfAServerThatCannotRemoveItself) {
    const std::string regsvr = ORV_REGSVR, orvreg = ORV_ORVREG, server = ORV_SERVER;
    ASSERT_EQ(RunCommand(regsvr + " /s " + server).exitCode, 0);
    ASSERT_EQ(RunCommand(orvreg + " query \"HKCR\\ORVPin.so\"").exitCode, 0);

    const CommandResult refused = RunCommand(regsvr + " /u " + server);
    EXPECT_EQ(refused.exitCode, 4);
    EXPECT_NE(refused.output.find("DllUnregisterServer was not found"), std::string::npos);
    EXPECT_NE(refused.output.find("This server does not remove its own registration"),
              std::string::npos)
        << refused.output;
    const std::vector<std::string> commands = OrvregCommands(refused.output);
    ASSERT_EQ(commands.size(), 2u) << refused.output;
    EXPECT_EQ(commands[0], "delete \"HKCR\\ORVPin.so\" /f");
    EXPECT_EQ(commands[1], "delete \"HKCR\\CLSID\\{F4986AB2-61C2-11D3-A734-0080C88C35FA}\" /f");

    for (const std::string& command : commands)
        EXPECT_EQ(RunCommand(orvreg + " " + command).exitCode, 0) << command;
    EXPECT_NE(RunCommand(orvreg + " query \"HKCR\\ORVPin.so\"").exitCode, 0);

    const CommandResult again = RunCommand(regsvr + " /u " + server);
    EXPECT_EQ(again.exitCode, 4);
    EXPECT_NE(again.output.find("Nothing in the registry points at it."), std::string::npos)
        << again.output;
}

}  // namespace
