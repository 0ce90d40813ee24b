// Several processes on one registry file: concurrent writers lose nothing, a writer without
// permission changes nothing, a dead or stopped writer does not block the others for ever.
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "platform/registry_ext.h"
#include "reg_fixture.h"

namespace orv::test {
namespace {

class Processes : public RegistryTest {};

// Runs body in a child process; its exit code is body's result (0 = success).
pid_t spawn(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    return pid;
}

int wait_for(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Adds count values named <prefix><i> below HKLM\Shared; the number of failed calls.
int add_values(const std::string& prefix, int count) {
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        HKEY key;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &key, nullptr) != ERROR_SUCCESS) {
            ++failures;
            continue;
        }
        DWORD value = static_cast<DWORD>(i);
        std::string name = prefix + std::to_string(i);
        if (RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), 4) !=
            ERROR_SUCCESS)
            ++failures;
        RegCloseKey(key);
    }
    return failures;
}

// Counts the values of HKLM\Shared as a fresh process would read them from the file.
int values_in_file(const std::string& path) {
    std::string copy = path + ".check";
    std::filesystem::copy_file(path, copy, std::filesystem::copy_options::overwrite_existing);
    ::setenv("ORV_REGISTRY", copy.c_str(), 1);
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, KEY_READ, &key) != ERROR_SUCCESS) return -1;
    int count = 0;
    for (;; ++count) {
        char name[32];
        DWORD cch = sizeof name;
        if (RegEnumValueA(key, static_cast<DWORD>(count), name, &cch, nullptr, nullptr, nullptr,
                          nullptr) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    ::setenv("ORV_REGISTRY", path.c_str(), 1);
    return count;
}

TEST_F(Processes, TwoWritersOfTwoHundredValuesEachLoseNothing) {
    pid_t a = spawn([] { return add_values("a", 200); });
    pid_t b = spawn([] { return add_values("b", 200); });
    EXPECT_EQ(wait_for(a), 0);
    EXPECT_EQ(wait_for(b), 0);
    EXPECT_EQ(values_in_file(path_), 400);
}

TEST_F(Processes, TwoThreadsOfOneProcessLoseNothing) {
    int failures_a = -1, failures_b = -1;
    std::thread a([&] { failures_a = add_values("a", 100); });
    std::thread b([&] { failures_b = add_values("b", 100); });
    a.join();
    b.join();
    EXPECT_EQ(failures_a, 0);
    EXPECT_EQ(failures_b, 0);
    EXPECT_EQ(values_in_file(path_), 200);
}

TEST_F(Processes, UnprivilegedWriterIsDeniedAndChangesNothing) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to start a child as another user";
    UniqueHkey key = create("Shared");
    set_dword(key.get(), "v", 1);
    // Readable for everyone, writable for root only.
    ASSERT_EQ(::chmod(dir_.c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path_.c_str(), 0644), 0);
    const std::string before = file_text();

    pid_t child = spawn([] {
        const uid_t nobody = 65534;
        if (::setgid(nobody) != 0 || ::setuid(nobody) != 0) return 77;
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, KEY_READ, &k) != ERROR_SUCCESS) return 1;
        DWORD size = 0;
        if (RegQueryValueExA(k, "v", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
            size != 4)
            return 2;
        DWORD two = 2;
        if (RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two),
                           4) != ERROR_ACCESS_DENIED)
            return 3;
        HKEY w = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, KEY_ALL_ACCESS, &w) !=
            ERROR_ACCESS_DENIED)
            return 4;
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Other", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &w,
                            nullptr) != ERROR_ACCESS_DENIED)
            return 5;
        if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, "Shared") != ERROR_ACCESS_DENIED) return 6;
        return 0;
    });
    int code = wait_for(child);
    if (code == 77) GTEST_SKIP() << "this system does not let root change to uid 65534";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(file_text(), before);
}

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A writer killed between its temporary file and the rename leaves the file behind; the next
// writer, holding the lock, knows no live writer owns it.
TEST_F(Processes, TemporariesOfAKilledWriterAreRemovedByTheNextWriter) {
    UniqueHkey key = create("Shared");
    for (const char* name : {".registry.reg.a1B2c3", ".registry.reg.ZZZZZZ", ".registry.reg.keep",
                             ".other.reg.a1B2c3"})
        std::ofstream(dir_ + "/" + name) << std::string(4096, 'x');
    set_dword(key.get(), "v", 1);
    EXPECT_EQ(names_in(dir_),
              (std::vector<std::string>{".other.reg.a1B2c3", ".registry.reg.keep", "registry.reg",
                                        "registry.reg.lock"}));
}

// A writer stopped (SIGSTOP, a debugger) while it holds the lock: the others wait a bounded
// time and then fail naming it, and write again once it is gone.
TEST_F(Processes, StoppedLockHolderFailsOtherWritersNamingItsPid) {
    UniqueHkey key = create("Shared");
    set_dword(key.get(), "v", 1);
    const std::string before = file_text();
    const std::string lock = path_ + ".lock";
    pid_t holder = ::fork();
    if (holder == 0) {
        // What a writer does on taking the lock, then stopped in the middle of its write.
        int fd = ::open(lock.c_str(), O_RDWR | O_CREAT, 0644);
        if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
        const std::string pid = std::to_string(::getpid()) + "\n";
        if (::ftruncate(fd, 0) != 0 || ::write(fd, pid.data(), pid.size()) < 0) ::_exit(2);
        ::kill(::getpid(), SIGSTOP);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(holder, &status, WUNTRACED), holder);
    ASSERT_TRUE(WIFSTOPPED(status));
    ::setenv("ORV_REGISTRY_LOCK_TIMEOUT_MS", "200", 1);
    DWORD two = 2;
    EXPECT_EQ(RegSetValueExA(key.get(), "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4),
              ERROR_TIMEOUT);
    EXPECT_EQ(orv::registry_error_text(),
              lock + ": held by process " + std::to_string(holder) + " for more than 200 ms");
    EXPECT_EQ(file_text(), before);
    ::kill(holder, SIGKILL);
    ::waitpid(holder, &status, 0);
    EXPECT_EQ(RegSetValueExA(key.get(), "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4),
              ERROR_SUCCESS);
    ::unsetenv("ORV_REGISTRY_LOCK_TIMEOUT_MS");
    EXPECT_EQ(query(key.get(), "v"), std::string("\2\0\0\0", 4));
}

// A FIFO named as the registry file (or imported) would block the reader for ever.
TEST_F(Processes, FifoAsRegistryFileOrImportIsRefusedAtOnce) {
    const std::string fifo = dir_ + "/pipe.reg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    pid_t child = spawn([&] {
        ::alarm(20);  // a hang fails the test instead of stopping the run
        if (OrvRegImportFile(fifo.c_str(), nullptr) != ERROR_CANTREAD) return 1;
        if (orv::registry_error_text() != fifo + ": not a regular file") return 2;
        ::setenv("ORV_REGISTRY", fifo.c_str(), 1);
        HKEY k = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Shared", 0, KEY_READ, &k) != ERROR_CANTREAD)
            return 3;
        return 0;
    });
    EXPECT_EQ(wait_for(child), 0);
}

}  // namespace
}  // namespace orv::test
