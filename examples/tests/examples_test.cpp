// The example programs as a user meets them when the installation is broken: no usable JVM
// library (the PIN pad's Open fails with 104 / 304 and the program says why, the debugger output
// and the service object's trace carry the loader's message), and a registry file that cannot
// be read (each program prints file, line and reason with its failing creation). The programs
// do not link the JVM, so they start in every case; the healthy run loads it at run time.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/com_register.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// A step as orv-pinpad-eft prints it: the call in 40 columns, then its result.
std::string Shown(const std::string& call) {
    return call + std::string(40 - call.size(), ' ') + " -> ";
}

struct Outcome {
    int code = -1;
    std::string out, err;
};

class Examples : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orv-examples-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        fs::create_directories(dir_ / "log");
        fs::create_directories(dir_ / "locks");
        good_ = (dir_ / "registry.reg").string();
        ::setenv("ORV_REGISTRY", good_.c_str(), 1);
        for (const char* server : {ORV_PIN_CONTROL, ORV_PIN_SO})
            ASSERT_EQ(Run({ORV_REGSVR, "/s", server}).code, 0) << server;
        const char* info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
        ASSERT_EQ(orv::RegWriteString(HKEY_LOCAL_MACHINE,
                                      "SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", nullptr,
                                      "ORVPin.so"),
                  ERROR_SUCCESS);
        ASSERT_EQ(orv::RegWriteString(HKEY_LOCAL_MACHINE, info, "Logpath",
                                      (dir_ / "log").string() + "/"),
                  ERROR_SUCCESS);
        ASSERT_EQ(orv::RegWriteString(HKEY_LOCAL_MACHINE, info, "Classpath", ORV_LIB_DIR),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        ::unsetenv("ORV_REGISTRY");
        fs::remove_all(dir_);
    }

    // Runs a program with the test's registry, the jar and the debugger output on; extra
    // environment entries are NAME=VALUE.
    Outcome Run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                const std::string& registry = "") {
        const fs::path out = dir_ / "out", err = dir_ / "err";
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("ORV_REGISTRY", (registry.empty() ? good_ : registry).c_str(), 1);
            ::setenv("ORV_SIM_LOCK_DIR", (dir_ / "locks").c_str(), 1);
            ::setenv("CLASSPATH", ORV_JAR, 1);
            ::setenv("ORV_DEBUG_OUTPUT", "1", 1);
            ::unsetenv("ORV_SIM_CONTROL");
            for (const std::string& e : env) ::putenv(const_cast<char*>(e.c_str()));
            ::alarm(120);
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(o, 1);
            ::dup2(e, 2);
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Slurp(out),
                Slurp(err)};
    }

    fs::path dir_;
    std::string good_;
};

TEST_F(Examples, PinpadEftWithoutAUsableJvmSaysWhyOpenFails) {
    const std::string missing = (dir_ / "nojvm" / "libjvm.so").string();
    const std::string text = (dir_ / "text.so").string();
    std::ofstream(text) << std::string(200, 'x');
    struct Row {
        const char* name;
        std::string library;
        std::string reason;
    };
    const Row rows[] = {
        {"missing file", missing, "cannot open shared object file: No such file or directory"},
        {"not a library", text, "invalid ELF header"},
        {"a library without the JVM", ORV_NOT_JVM, "no JNI_CreateJavaVM in it"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove(dir_ / "log" / "Pinpadso.log");
        const Outcome r = Run({ORV_EFT, "P1"}, {"ORV_JVM_LIBRARY=" + row.library});
        const std::string message = "cannot load the Java VM library: " + row.library +
                                    " (ORV_JVM_LIBRARY): " + row.reason;
        EXPECT_EQ(r.code, 3) << "the documented code of a failed Open\n" << r.out << r.err;
        EXPECT_NE(r.out.find(Shown("Open(\"P1\")") + "104\n"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find(Shown("OpenResult") + "304: " + message), std::string::npos) << r.out;
        EXPECT_EQ(Count(r.err, message), 1u) << "debugger output, once\n" << r.err;
        EXPECT_EQ(r.err.find("error while loading shared libraries"), std::string::npos) << r.err;
        EXPECT_NE(Slurp(dir_ / "log" / "Pinpadso.log").find(message), std::string::npos)
            << "the service object's trace";
    }
}

TEST_F(Examples, PinpadEftLoadsTheJvmAtRunTime) {
    const Outcome r = Run({ORV_EFT, "P1"});
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("EFT transaction complete"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("[event] DataEvent"), std::string::npos) << r.out;
}

TEST_F(Examples, EachProgramPrintsTheRegistryProblemWithItsFailingCreation) {
    const std::string broken = (dir_ / "broken.reg").string();
    std::ofstream(broken) << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A\n";
    const std::string absent = (dir_ / "absent.reg").string();
    struct Row {
        std::vector<std::string> argv;
        const char* progId;
        int code;  // each program's code for a control it cannot create
    };
    const Row rows[] = {
        {{ORV_EFT, "P1"}, "OPOS.PINPad", 2},
        {{ORV_MSR, "M1", "--demo"}, "OPOS.MSR", 2},
        {{ORV_DISPLAY, "L1", "A", "B"}, "DisplayControl.DisplayControlCtrl.1", 1},
        {{ORV_SCAN, "SCAN1", "--demo"}, "OPOS.Scanner", 1},
        {{ORV_SIG, "S1", "--demo"}, "OPOS.SigCap", 1},
        {{ORV_KEYS, "K1", "--demo"}, "OPOS.POSKeyboard", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.argv[0]);
        Outcome r = Run(row.argv, {}, broken);
        EXPECT_EQ(r.code, row.code) << r.out << r.err;
        const std::string said = "creating " + std::string(row.progId) +
                                 " failed: HRESULT 0x800401F3 " + broken + ":3: missing ]";
        EXPECT_NE((r.out + r.err).find(said), std::string::npos) << r.out << r.err;
        EXPECT_EQ(Count(r.err, "registry: " + broken + ":3: missing ]"), 1u)
            << "the debugger output's line, once\n" << r.err;

        r = Run(row.argv, {}, absent);
        EXPECT_EQ(r.code, row.code) << r.out << r.err;
        EXPECT_NE((r.out + r.err).find("failed: HRESULT 0x800401F3 " + absent +
                                       ": the registry file does not exist"),
                  std::string::npos)
            << r.out << r.err;
    }
}

}  // namespace
