#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/registry_ext.h"
#include "reg_fixture.h"

namespace orv::test {
namespace {

class Store : public RegistryTest {};

TEST_F(Store, MissingFileIsAnEmptyRegistryAndTheFirstWriteCreatesIt) {
    use_file(dir_ + "/not/yet/there/registry.reg");
    UniqueHkey key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, key.out()),
              ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(std::filesystem::exists(path_));
    key = create("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1");
    set_string(key.get(), nullptr, "ORVPin.so");
    EXPECT_EQ(file_text(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad]\n\n"
              "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1]\n"
              "@=\"ORVPin.so\"\n\n");
    EXPECT_EQ(std::filesystem::status(path_).permissions(), std::filesystem::perms(0644));
}

TEST_F(Store, WritesLeaveNoTemporaryFilesAndKeepTheMode) {
    UniqueHkey key = create("A");
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    set_dword(key.get(), "v", 1);
    EXPECT_EQ(std::filesystem::status(path_).permissions(), std::filesystem::perms(0640));
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"registry.reg", "registry.reg.lock"}));
}

const char kMalformed[] =
    "Windows Registry Editor Version 5.00\n\n"
    "[HKEY_LOCAL_MACHINE\\A]\n"
    "\"v\"=dword:nothex\n";

TEST_F(Store, MalformedFileFailsEveryCallAndIsNeverRewritten) {
    UniqueHkey a = create("A");
    set_dword(a.get(), "v", 1);
    write_file(kMalformed);

    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(a.get(), "v", nullptr, nullptr, nullptr, &size), ERROR_BADDB);
    EXPECT_EQ(orv::registry_error_text(), path_ + ":4: dword: needs 1 to 8 hexadecimal digits");

    UniqueHkey key;
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, key.out()), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.out(), nullptr),
              ERROR_BADDB);
    DWORD two = 2;
    EXPECT_EQ(RegSetValueExA(a.get(), "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4),
              ERROR_BADDB);
    EXPECT_EQ(
        RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&two), 4),
        ERROR_BADDB);
    EXPECT_EQ(RegDeleteValueA(a.get(), "v"), ERROR_BADDB);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A"), ERROR_BADDB);
    char name[16];
    DWORD cch = sizeof name;
    EXPECT_EQ(RegEnumKeyExA(HKEY_LOCAL_MACHINE, 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(RegEnumValueA(a.get(), 0, name, &cch, nullptr, nullptr, nullptr, nullptr),
              ERROR_BADDB);
    EXPECT_EQ(file_text(), kMalformed);

    // Once a person repairs it, everything works again.
    write_file("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:5\n");
    EXPECT_EQ(query(a.get(), "v"), std::string("\x05\0\0\0", 4));
}

// Rewrites the file in place with bytes of the same length and gives it back its modification
// time: inode, size and time are all unchanged, so the store has no reason to read it again.
void rewrite_in_place(const std::string& path, const std::string& text) {
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_EQ(static_cast<off_t>(text.size()), before.st_size);
    int fd = ::open(path.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::pwrite(fd, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
}

TEST_F(Store, ReaderDoesNotReadAnUnchangedFileAgain) {
    UniqueHkey a = create("A");
    set_dword(a.get(), "v", 1);
    ASSERT_EQ(query(a.get(), "v"), std::string("\x01\0\0\0", 4));
    std::string text = file_text();
    std::string garbage(text.size(), '#');
    rewrite_in_place(path_, garbage);
    // Still served from the tree parsed before: the file was not read again.
    EXPECT_EQ(query(a.get(), "v"), std::string("\x01\0\0\0", 4));

    // A new modification time is a change.
    struct stat st;
    ASSERT_EQ(::stat(path_.c_str(), &st), 0);
    struct timespec later[2] = {{0, UTIME_OMIT}, st.st_mtim};
    later[1].tv_sec += 1;
    ASSERT_EQ(::utimensat(AT_FDCWD, path_.c_str(), later, 0), 0);
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(a.get(), "v", nullptr, nullptr, nullptr, &size), ERROR_BADDB);
}

TEST_F(Store, ChangesOfAnotherWriterAreSeenOnOpenHandles) {
    UniqueHkey a = create("A");
    set_dword(a.get(), "v", 1);
    std::string text = file_text();
    replace_file(text.replace(text.find("dword:00000001"), 14, "dword:00000002"));
    EXPECT_EQ(query(a.get(), "v"), std::string("\x02\0\0\0", 4));
}

// Every way of writing, each expected to be refused with ERROR_ACCESS_DENIED.
void expect_every_write_denied(HKEY open_writer) {
    DWORD one = 1;
    HKEY out = nullptr;
    EXPECT_EQ(RegSetValueExA(open_writer, "new", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExA(open_writer, "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);  // even the value it already has
    EXPECT_EQ(RegDeleteValueA(open_writer, "v"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyA(HKEY_LOCAL_MACHINE, "A\\Leaf"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A\\New", 0, nullptr, 0, KEY_READ, nullptr, &out,
                              nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &out,
                              nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_WRITE, &out), ERROR_ACCESS_DENIED);
    EXPECT_EQ(out, nullptr);
}

TEST_F(Store, ReadOnlyFileDeniesWritersEvenRootAndStaysUnchanged) {
    UniqueHkey a = create("A");
    create("A\\Leaf");
    set_dword(a.get(), "v", 1);
    ASSERT_EQ(::chmod(path_.c_str(), 0444), 0);
    const std::string before = file_text();

    expect_every_write_denied(a.get());
    EXPECT_EQ(orv::registry_error_text(), path_ + ": the file is read-only");
    EXPECT_EQ(file_text(), before);

    // Reading goes on, and so does opening an existing key for reading.
    EXPECT_EQ(query(a.get(), "v"), std::string("\x01\0\0\0", 4));
    UniqueHkey reader;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, nullptr, 0, KEY_READ, nullptr,
                              reader.out(), nullptr),
              ERROR_SUCCESS);
    UniqueHkey maximum;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, 0x02000000, maximum.out()), ERROR_SUCCESS);
    DWORD one = 1;
    EXPECT_EQ(RegSetValueExA(maximum.get(), "v", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4),
              ERROR_ACCESS_DENIED);  // MAXIMUM_ALLOWED gave read rights only
}

TEST_F(Store, ReadOnlyFolderWithoutAFileDeniesTheFirstWrite) {
    std::string folder = dir_ + "/locked";
    ASSERT_EQ(::mkdir(folder.c_str(), 0555), 0);
    use_file(folder + "/registry.reg");
    UniqueHkey key;
    EXPECT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              key.out(), nullptr),
              ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegSetValueExA(HKEY_LOCAL_MACHINE, "v", 0, REG_BINARY, nullptr, 0),
              ERROR_ACCESS_DENIED);
    EXPECT_TRUE(std::filesystem::is_empty(folder));
}

// The registry path is a link (to a shared or packaged file): writes go to its target and the
// link stays, whether the target exists yet or not.
TEST_F(Store, WritesGoThroughASymbolicLinkToItsTarget) {
    for (const char* target : {"real/registry.reg", "real/new.reg"}) {
        SCOPED_TRACE(target);
        std::filesystem::remove(path_);
        std::filesystem::create_directories(dir_ + "/real");
        if (std::string(target) == "real/registry.reg")
            std::ofstream(dir_ + "/" + target) << "Windows Registry Editor Version 5.00\n\n";
        std::filesystem::create_symlink(target, path_);
        UniqueHkey key = create("A");
        set_dword(key.get(), "v", 7);
        EXPECT_TRUE(std::filesystem::is_symlink(path_));
        std::ifstream in(dir_ + "/" + target);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_NE(text.find("\"v\"=dword:00000007"), std::string::npos) << text;
        key.reset();
    }
}

// A registry file that cannot be used: the application sees ERROR_BADDB or a read error, and the
// debugger output says file, line and reason once per process, however many calls fail.
TEST_F(Store, FileProblemsReachTheDebuggerOutputOncePerProcess) {
    struct Row {
        const char* name;
        std::function<void(const std::string&)> make;
        LONG status;
        std::string line;  // after "registry: <path>"
    };
    const Row rows[] = {
        {"malformed.reg", [](const std::string& p) { std::ofstream(p) << kMalformed; }, ERROR_BADDB,
         ":4: dword: needs 1 to 8 hexadecimal digits\n"},
        {"folder.reg", [](const std::string& p) { std::filesystem::create_directory(p); },
         ERROR_CANTREAD, ": not a regular file\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string file = dir_ + "/" + row.name;
        row.make(file);
        use_file(file);
        const std::string captured = dir_ + "/stderr.txt";
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const int fd = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
        ::setenv("ORV_DEBUG_OUTPUT", "1", 1);
        UniqueHkey key;
        for (int call = 0; call < 3; ++call)
            EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, key.out()), row.status);
        ::unsetenv("ORV_DEBUG_OUTPUT");
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        std::ifstream in(captured);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(text, "registry: " + file + row.line);
    }
}

}  // namespace
}  // namespace orv::test
