// The JVM library loaded at run time: which file is taken, what is said when none loads (the
// loader's message with every path tried, once per process in the debugger output), and that a
// library already in the process is the one used. This program does not link libjvm.so; each
// row runs in a fresh child, since a loaded library stays for the process.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "jni_support/jvm_library.h"

namespace {

namespace fs = std::filesystem;

std::string Slurp(const std::string& path) {
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

struct Outcome {
    bool loaded = false;
    std::string path, why, debugOutput;
    bool vmRunning = true;
};

class JvmLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "jvmlib-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ + "/text.so") << std::string(200, 'x');  // longer than an ELF header
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Loads three times in a child with that environment (nullptr: unset).
    Outcome Run(const char* chosen, const char* javaHome, bool preload) {
        const std::string out = dir_ + "/out", err = dir_ + "/err";
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (chosen) ::setenv("ORV_JVM_LIBRARY", chosen, 1);
            else ::unsetenv("ORV_JVM_LIBRARY");
            if (javaHome) ::setenv("JAVA_HOME", javaHome, 1);
            else ::unsetenv("JAVA_HOME");
            ::setenv("ORV_DEBUG_OUTPUT", "1", 1);
            const int fd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 2);
            if (preload && !::dlopen(ORV_TEST_JVM_LIBRARY, RTLD_NOW | RTLD_LOCAL)) ::_exit(3);
            std::string why;
            const orv::jni::JvmLibrary* library = nullptr;
            for (int i = 0; i < 3; ++i) library = orv::jni::LoadJvmLibrary(&why);
            FILE* f = std::fopen(out.c_str(), "w");
            std::fprintf(f, "%d\n%s\n%d\n%s", library ? 1 : 0, library ? library->path.c_str() : "",
                         orv::jni::RunningJvm() ? 1 : 0, why.c_str());
            std::fclose(f);
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        std::istringstream in(Slurp(out));
        Outcome o;
        std::string flag, running;
        std::getline(in, flag);
        std::getline(in, o.path);
        std::getline(in, running);
        std::getline(in, o.why);
        o.loaded = flag == "1";
        o.vmRunning = running == "1";
        o.debugOutput = Slurp(err);
        return o;
    }

    std::string dir_;
};

TEST_F(JvmLibraryTest, FindsTheLibraryInOrderOrSaysWhyNot) {
    // <home>/lib/server/libjvm.so
    const std::string home = fs::path(ORV_TEST_JVM_LIBRARY).parent_path().parent_path().parent_path();
    const std::string missing = dir_ + "/missing/libjvm.so";
    const std::string text = dir_ + "/text.so";
    struct Row {
        const char* name;
        std::string chosen;  // "-": unset
        std::string javaHome;
        bool preload;
        std::string path;                // when it loads
        std::vector<std::string> why;    // when it does not: parts of the message
    };
    const Row rows[] = {
        {"chosen file missing", missing, "-", false, "",
         {"cannot load the Java VM library: " + missing + " (ORV_JVM_LIBRARY): ",
          "No such file or directory", "set ORV_JVM_LIBRARY to the libjvm.so"}},
        {"chosen file not a library", text, "-", false, "",
         {text + " (ORV_JVM_LIBRARY): ", "invalid ELF header"}},
        {"chosen library without the JVM", ORV_TEST_NOT_JVM, "-", false, "",
         {std::string(ORV_TEST_NOT_JVM) + " (ORV_JVM_LIBRARY): no JNI_CreateJavaVM in it"}},
        {"chosen JVM", ORV_TEST_JVM_LIBRARY, home, false, ORV_TEST_JVM_LIBRARY, {}},
        {"chosen is the only one tried", missing, home, false, "", {missing}},
        {"JAVA_HOME", "-", home + "/", false, home + "/lib/server/libjvm.so", {}},
        {"JAVA_HOME without a JVM: the build's", "-", dir_, false, ORV_TEST_JVM_LIBRARY, {}},
        {"empty ORV_JVM_LIBRARY counts as unset", "", "-", false, ORV_TEST_JVM_LIBRARY, {}},
        {"a JVM already in the process wins", missing, "-", true, "libjvm.so", {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = Run(row.chosen == "-" ? nullptr : row.chosen.c_str(),
                              row.javaHome == "-" ? nullptr : row.javaHome.c_str(), row.preload);
        EXPECT_FALSE(o.vmRunning) << "loading the library starts no VM";
        if (!row.path.empty()) {
            EXPECT_TRUE(o.loaded) << o.why;
            EXPECT_EQ(o.path, row.path);
            EXPECT_EQ(o.debugOutput, "");
            continue;
        }
        EXPECT_FALSE(o.loaded);
        for (const std::string& part : row.why) EXPECT_NE(o.why.find(part), std::string::npos) << o.why;
        EXPECT_EQ(o.debugOutput, o.why + "\n") << "said once for three failed loads";
        EXPECT_EQ(Count(o.debugOutput, "cannot load"), 1u);
    }
}

}  // namespace
