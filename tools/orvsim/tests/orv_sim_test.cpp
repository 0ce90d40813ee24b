// Runs orv-sim against a FIFO with and without a listener. The listener here stands in for the
// simulator's FIFO reader: it reads lines and appends "<line> -> <answer>" to the control log.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;

std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

struct Outcome {
    int code = -1;
    std::string out, err;
};

class OrvSim : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orv-sim-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fifo_ = dir_ + "/control";
        log_ = dir_ + "/control.log";
        ASSERT_EQ(::mkfifo(fifo_.c_str(), 0600), 0);
        const char* build = std::getenv("ORV_BUILD_DIR");
        program_ = std::string(build ? build : ".") + "/bin/orv-sim";
        ASSERT_TRUE(fs::exists(program_)) << program_;
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome run(const std::vector<std::string>& args, bool withLog = true) {
        const std::string out = dir_ + "/out", err = dir_ + "/err";
        pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("ORV_SIM_CONTROL", fifo_.c_str(), 1);
            if (withLog) ::setenv("ORV_SIM_CONTROL_LOG", log_.c_str(), 1);
            else ::unsetenv("ORV_SIM_CONTROL_LOG");
            ::alarm(20);  // a hang ends as 142
            ::dup2(::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 1);
            ::dup2(::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), 2);
            std::vector<char*> argv{const_cast<char*>(program_.c_str())};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(program_.c_str(), argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        Outcome r;
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        r.out = slurp(out);
        r.err = slurp(err);
        return r;
    }

    std::string dir_, fifo_, log_, program_;
};

TEST_F(OrvSim, FailuresSayWhatIsWrongWithoutBlocking) {
    const std::string plain = dir_ + "/plain";
    std::ofstream(plain) << "x";
    struct Row {
        std::vector<std::string> args;
        int code;
        std::string err;
    };
    const Row rows[] = {
        {{"--timeout", "0.2", "pin", "P1", "1234"}, 3,
         "orv-sim: no program is listening on " + fifo_ + "\n"},
        {{"--fifo", dir_ + "/none", "reset"}, 3,
         "orv-sim: no program is listening on " + dir_ + "/none (No such file or directory)\n"},
        {{"--fifo", plain, "reset"}, 2, "orv-sim: " + plain + " is not a FIFO\n"},
        {{"--timeout", "soon", "reset"}, 2, "orv-sim: --timeout takes 0 to 3600 seconds, not soon\n"},
        {{"pin", "P1", "1\nreset"}, 2, "orv-sim: a command is one line\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.err);
        Outcome r = run(row.args);
        EXPECT_EQ(r.code, row.code);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(r.out, "");
    }
    Outcome r = run({});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.starts_with("orv-sim: no command\nusage: orv-sim")) << r.err;
}

TEST_F(OrvSim, SendsOneLineAndPrintsTheAnswerFromTheControlLog) {
    std::vector<std::string> received;
    std::thread listener([&] {
        // Reopened after each writer's end of file, as the simulator's reader does.
        while (received.size() < 3) {
            std::ifstream in(fifo_);  // blocks until orv-sim opens the FIFO
            for (std::string line; std::getline(in, line);) {
                received.push_back(line);
                if (line.starts_with("echo ")) continue;  // no log: nothing to answer
                std::ofstream(log_, std::ios::app)
                    << line << (line.starts_with("bogus") ? " -> ERR unknown command 'bogus'"
                                                          : " -> OK")
                    << "\n";
            }
        }
    });
    Outcome ok = run({"pin", "P1", "1234"});
    Outcome err = run({"bogus"});
    Outcome unlogged = run({"echo", "x"}, false);
    listener.join();
    EXPECT_EQ(received, (std::vector<std::string>{"pin P1 1234", "bogus", "echo x"}));
    EXPECT_EQ(ok.code, 0);
    EXPECT_EQ(ok.out, "pin P1 1234 -> OK\n");
    EXPECT_EQ(err.code, 1);
    EXPECT_EQ(err.out, "bogus -> ERR unknown command 'bogus'\n");
    EXPECT_EQ(unlogged.code, 0);
    EXPECT_TRUE(unlogged.out.starts_with("sent;")) << unlogged.out;
}

}  // namespace
