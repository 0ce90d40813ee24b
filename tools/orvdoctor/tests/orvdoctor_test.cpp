// Runs orvdoctor on a registry made as scripts/register.sh makes it, then breaks one thing per
// row: each failure is found and comes with its fix; the healthy registry exits 0.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/handles.h"
#include "platform/registry.h"

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
    std::string out;
};

class OrvDoctor : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "orvdoctor-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        good_ = dir_ + "/good.reg";
        registry_ = dir_ + "/registry.reg";
        const char* build = std::getenv("ORV_BUILD_DIR");
        program_ = std::string(build ? build : ".") + "/bin/orvdoctor";
        jar_ = std::string(build ? build : ".") + "/share/java/orvpos.jar";
        ASSERT_TRUE(fs::exists(program_)) << program_;
        fs::create_directory(dir_ + "/log");
        for (const char* server : {ORV_PIN_CONTROL, ORV_PIN_SO})
            ASSERT_EQ(run_with(good_, {ORV_REGSVR, "/s", server}, jar_).code, 0) << server;
        ::setenv("ORV_REGISTRY", good_.c_str(), 1);
        // Claims of other programs on this machine (the default lock folder) stay out of it.
        ::setenv("ORV_SIM_LOCK_DIR", (dir_ + "/locks").c_str(), 1);
        set("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", nullptr, "ORVPin.so");
        set("SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", "Logpath", dir_ + "/log");
        set("SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", "Classpath",
            fs::path(ORV_PIN_SO).parent_path().string());
    }
    void TearDown() override {
        ::unsetenv("ORV_REGISTRY");
        ::unsetenv("ORV_SIM_LOCK_DIR");
        fs::remove_all(dir_);
    }

    static void set(const std::string& path, const char* name, const std::string& value,
                    HKEY root = HKEY_LOCAL_MACHINE) {
        orv::UniqueHkey key;
        ASSERT_EQ(RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  key.out(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key.get(), name, 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1)),
                  ERROR_SUCCESS);
    }
    static std::string get(const std::string& path, HKEY root) {
        orv::UniqueHkey key;
        EXPECT_EQ(RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.out()), ERROR_SUCCESS) << path;
        char value[512] = {};
        DWORD size = sizeof value - 1;
        EXPECT_EQ(RegQueryValueExA(key.get(), nullptr, nullptr, nullptr,
                                   reinterpret_cast<BYTE*>(value), &size),
                  ERROR_SUCCESS);
        return value;
    }

    Outcome run_with(const std::string& registry, const std::vector<std::string>& argv,
                     const std::string& classPath) {
        const std::string out = dir_ + "/out";
        pid_t pid = ::fork();
        if (pid == 0) {
            ::setenv("ORV_REGISTRY", registry.c_str(), 1);
            if (classPath.empty()) ::unsetenv("CLASSPATH");
            else ::setenv("CLASSPATH", classPath.c_str(), 1);
            ::alarm(60);
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            std::vector<char*> args;
            for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), slurp(out)};
    }

    std::string dir_, good_, registry_, program_, jar_;
};

TEST_F(OrvDoctor, HealthyRegistryPassesEveryStep) {
    Outcome r = run_with(good_, {program_, "PINPad", "P1"}, jar_);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_EQ(r.out.find("FAIL"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("OK    JVM library "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Open of PINPad P1 should succeed."), std::string::npos) << r.out;
}

TEST_F(OrvDoctor, ClasspathWithoutTheLibraryIsSaidButStillOpens) {
    fs::copy_file(good_, registry_, fs::copy_options::overwrite_existing);
    ::setenv("ORV_REGISTRY", registry_.c_str(), 1);
    set("SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane", "Classpath", dir_);
    Outcome r = run_with(registry_, {program_, "--open", "PINPad", "P1"}, jar_);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("Classpath = " + dir_ + " (does not hold " +
                         fs::path(ORV_PIN_SO).filename().string()),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("--open: Open(\"P1\") = 0, OpenResult = 0\n"), std::string::npos) << r.out;
}

TEST_F(OrvDoctor, OpenReallyOpensAndClaimsThroughTheControl) {
    Outcome r = run_with(good_, {program_, "--open", "PINPad", "P1"}, jar_);
    EXPECT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("--open: Open(\"P1\") = 0, OpenResult = 0\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--open: ClaimDevice(1000) = 0"), std::string::npos) << r.out;
    // A device the registry does not know: the doctor's finding and the control's own answer.
    r = run_with(good_, {program_, "--open", "PINPad", "P9"}, jar_);
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(r.out.find("FAIL  no device"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--open: Open(\"P9\") = 109"), std::string::npos) << r.out;
}

TEST_F(OrvDoctor, EachFailureIsFoundWithItsFix) {
    const std::string clsid = get("ORVPin.so\\CLSID", HKEY_CLASSES_ROOT);
    const std::string inproc = "CLSID\\" + clsid + "\\InprocServer32";
    const std::string info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
    const std::string text = dir_ + "/text.so";
    std::ofstream(text) << "not a library";
    fs::create_directory(dir_ + "/jars");
    std::ofstream(dir_ + "/jars/other.jar") << "PK jpos/MSR.class";
    pid_t holder = 0;
    struct Row {
        const char* name;
        std::function<void()> breakIt;  // on a copy of the good registry, ORV_REGISTRY set to it
        std::string classPath;
        std::string device;
        std::string problem;
        std::string fix;
    };
    const Row rows[] = {
        {"no registry file", [&] { fs::remove(registry_); }, jar_, "P1",
         "FAIL  registry file " + registry_ + " does not exist", "run scripts/register.sh"},
        {"malformed registry file",
         [&] { std::ofstream(registry_) << "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A\n"; },
         jar_, "P1", "FAIL  registry file " + registry_ + ":3: missing ]", "repair that line"},
        {"no device key", [] {}, jar_, "P9",
         "FAIL  no device HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P9",
         "orvreg add \"HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P9\" /ve /d"},
        {"unregistered ProgID",
         [&] { set("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", nullptr, "Nope.so"); }, jar_,
         "P1", "service object ProgID Nope.so is not registered", "regsvr"},
        {"library missing", [&] { set(inproc, nullptr, dir_ + "/gone.so", HKEY_CLASSES_ROOT); },
         jar_, "P1", "service object library does not load: " + dir_ + "/gone.so",
         "install " + dir_ + "/gone.so"},
        {"not a library", [&] { set(inproc, nullptr, text, HKEY_CLASSES_ROOT); }, jar_, "P1",
         "service object library does not load: " + text, "rebuild or reinstall"},
        {"control not registered",
         [&] { RegDeleteKeyA(HKEY_CLASSES_ROOT, "OPOS.PINPad\\CLSID"); }, jar_, "P1",
         "control ProgID OPOS.PINPad is not registered", "regsvr"},
        {"Logpath folder missing", [&] { set(info, "Logpath", dir_ + "/nolog"); }, jar_, "P1",
         "Logpath " + dir_ + "/nolog is not a folder", "mkdir -p " + dir_ + "/nolog"},
        {"Logpath too long", [&] { set(info, "Logpath", dir_ + "/" + std::string(100, 'x')); },
         jar_, "P1", "the service objects read at most 99", "use a shorter folder"},
        {"CLASSPATH unset", [] {}, "", "P1", "FAIL  CLASSPATH is unset", "export CLASSPATH="},
        {"CLASSPATH without the class", [] {}, dir_ + "/jars/other.jar", "P1",
         "no jar of CLASSPATH", "export CLASSPATH="},
        {"JVM library missing",
         [&] { ::setenv("ORV_JVM_LIBRARY", (dir_ + "/nojvm/libjvm.so").c_str(), 1); }, jar_, "P1",
         "FAIL  JVM library: cannot load the Java VM library: " + dir_ +
             "/nojvm/libjvm.so (ORV_JVM_LIBRARY): cannot open shared object file: No such file",
         "point ORV_JVM_LIBRARY at the lib/server/libjvm.so of a Java 17 runtime"},
        {"JVM library not a library", [&] { ::setenv("ORV_JVM_LIBRARY", text.c_str(), 1); }, jar_,
         "P1", "FAIL  JVM library: cannot load the Java VM library: " + text +
                   " (ORV_JVM_LIBRARY): file too short",
         "point ORV_JVM_LIBRARY at"},
        {"trace file held",
         [&] {
             // Another program with a PIN pad open: its live trace, locked as a service object does.
             const std::string trace = dir_ + "/log/Pinpadso.log";
             holder = ::fork();
             if (holder == 0) {
                 const int fd = ::open(trace.c_str(), O_WRONLY | O_CREAT, 0640);
                 ::flock(fd, LOCK_SH);
                 ::pause();
                 ::_exit(0);
             }
             while (!fs::exists(trace)) ::usleep(1000);
         },
         jar_, "P1", "is held by process", "give this program its own Logpath"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::copy_file(good_, registry_, fs::copy_options::overwrite_existing);
        ::setenv("ORV_REGISTRY", registry_.c_str(), 1);
        ::unsetenv("ORV_JVM_LIBRARY");
        row.breakIt();
        Outcome r = run_with(registry_, {program_, "PINPad", row.device}, row.classPath);
        if (holder > 0) {
            EXPECT_NE(r.out.find("held by process " + std::to_string(holder)), std::string::npos);
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
            holder = 0;
        }
        EXPECT_EQ(r.code, 1) << r.out;
        const size_t at = r.out.find(row.problem);
        EXPECT_NE(at, std::string::npos) << r.out;
        // The fix is on the line after the problem.
        if (at != std::string::npos) {
            EXPECT_NE(r.out.find("      fix: ", at), std::string::npos) << r.out;
        }
        EXPECT_NE(r.out.find(row.fix), std::string::npos) << r.out;
    }
    ::unsetenv("ORV_JVM_LIBRARY");
}

// A claim is held across processes by a lock on the device's lock file: whoever holds it, the
// doctor names its process; a lock file nobody holds is a free claim.
TEST_F(OrvDoctor, ClaimHeldByAnotherProcessIsNamedWithItsPid) {
    const std::string locks = dir_ + "/locks";
    const std::string lockFile = locks + "/P1.lock";
    fs::create_directory(locks);
    // A Java program claiming P1 through the JavaPOS control, as any application on the
    // simulated terminal does.
    const std::string source = dir_ + "/Hold.java";
    std::ofstream(source) << "public class Hold { public static void main(String[] a) throws "
                             "Exception { jpos.PINPad p = new jpos.PINPad(); p.open(a[0]); "
                             "p.claim(1000); System.out.println(\"claimed\"); "
                             "Thread.sleep(600000); } }\n";
    auto javaHolder = [&] {
        const std::string out = dir_ + "/hold.out";
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(fd, 1);
            ::dup2(fd, 2);
            ::execlp("java", "java", "-cp", jar_.c_str(), source.c_str(), "P1", nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 6000 && slurp(out).find("claimed") == std::string::npos; ++i) {
            if (::waitpid(pid, nullptr, WNOHANG) == pid) break;
            ::usleep(10000);
        }
        EXPECT_NE(slurp(out).find("claimed"), std::string::npos) << slurp(out);
        return pid;
    };
    // The lock taken the way Java's FileChannel.lock() takes it: a POSIX write lock on the whole
    // file.
    auto fcntlHolder = [&] {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT, 0644);
            struct flock lock {};
            lock.l_type = F_WRLCK;
            lock.l_whence = SEEK_SET;
            if (::fcntl(fd, F_SETLK, &lock) != 0 || ::write(ready[1], "x", 1) != 1) ::_exit(1);
            ::pause();
            ::_exit(0);
        }
        char x;
        EXPECT_EQ(::read(ready[0], &x, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        return pid;
    };
    struct Row {
        const char* name;
        std::function<pid_t()> hold;  // the holder's pid, or 0
    };
    const Row rows[] = {
        {"no lock file", [] { return pid_t{0}; }},
        {"claimed by a Java program", javaHolder},
        {"lock file left by an ended holder", [] { return pid_t{0}; }},
        {"locked like Java locks", fcntlHolder},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const pid_t holder = row.hold();
        Outcome r = run_with(good_, {program_, "PINPad", "P1"}, jar_);
        if (holder > 0) {
            ::kill(holder, SIGKILL);
            ::waitpid(holder, nullptr, 0);
            EXPECT_EQ(r.code, 1) << r.out;
            const std::string problem =
                "FAIL  claim of P1 is held by process " + std::to_string(holder);
            const size_t at = r.out.find(problem);
            EXPECT_NE(at, std::string::npos) << r.out;
            EXPECT_NE(r.out.find("      fix: end process " + std::to_string(holder), at),
                      std::string::npos)
                << r.out;
        } else {
            EXPECT_EQ(r.code, 0) << r.out;
            EXPECT_NE(r.out.find("OK    claim of P1 is free (locks in " + locks + ")"),
                      std::string::npos)
                << r.out;
        }
    }
    EXPECT_TRUE(fs::exists(lockFile));  // the last rows ran with the file in place
    if (::geteuid() != 0) {  // root may write any file
        SCOPED_TRACE("lock file of another user");
        fs::permissions(lockFile, fs::perms::owner_read);
        Outcome r = run_with(good_, {program_, "PINPad", "P1"}, jar_);
        EXPECT_EQ(r.code, 1) << r.out;
        EXPECT_NE(r.out.find("claim lock file " + lockFile + " is not writable"), std::string::npos)
            << r.out;
    }
}

}  // namespace
