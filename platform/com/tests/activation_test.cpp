// In-process activation through the registry: registration with regsvr, ProgID and CLSID
// lookup, creation, calls by name and by DISPID, the failure results, and unloading.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/dispatch_driver.h"
#include "platform/registry.h"

namespace {

namespace fs = std::filesystem;

constexpr CLSID kTestClsid = GUID_INIT(0x6A1C54E0, 0x3F5B, 0x4C1D, 0x9E, 0x57, 0x2B, 0x8A, 0x7D, 0x6C, 0x1F, 0x01);
constexpr CLSID kNoFactoryClsid = GUID_INIT(0x6A1C54E0, 0x3F5B, 0x4C1D, 0x9E, 0x57, 0x2B, 0x8A, 0x7D, 0x6C, 0x1F, 0x02);

int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// One private registry file for the whole test program, registered once.
class RegistryEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("orv-com-test-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        ::setenv("ORV_REGISTRY", (dir_ / "registry.reg").c_str(), 1);
        ASSERT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s " + ORV_TEST_SERVER), 0);
        ASSERT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s " + ORV_NO_FACTORY), 0);
    }
    void TearDown() override { fs::remove_all(dir_); }

private:
    fs::path dir_;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new RegistryEnvironment);

class Activation : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
    void TearDown() override { CoUninitialize(); }
};

TEST_F(Activation, RegsvrWritesTheStandardKeys) {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(u"Orv.TestServer", &clsid), S_OK);
    EXPECT_EQ(clsid, kTestClsid);
    ASSERT_EQ(CLSIDFromProgID(u"orv.testserver", &clsid), S_OK) << "ProgIDs ignore case";
    LPOLESTR progId = nullptr;
    ASSERT_EQ(ProgIDFromCLSID(kTestClsid, &progId), S_OK);
    EXPECT_EQ(std::u16string(progId), u"Orv.TestServer");
    CoTaskMemFree(progId);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CLASSES_ROOT, ("CLSID\\" + orv::GuidToString(kTestClsid) + "\\InprocServer32").c_str(),
                            0, KEY_READ, &key), ERROR_SUCCESS);
    char value[4096];
    DWORD size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    EXPECT_EQ(fs::path(value), fs::canonical(ORV_TEST_SERVER)) << "the library's absolute path";
    size = sizeof value;
    ASSERT_EQ(RegQueryValueExA(key, "ThreadingModel", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size), ERROR_SUCCESS);
    EXPECT_STREQ(value, "Apartment");
    RegCloseKey(key);
}

TEST_F(Activation, CreateByProgIdAndCallByNameAndDispid) {
    orv::DispatchDriver server;
    ASSERT_EQ(server.CreateDispatch("Orv.TestServer"), S_OK);
    DISPID add = 0;
    ASSERT_EQ(server.GetDispId("add", &add), S_OK);
    EXPECT_EQ(add, 1);
    int32_t sum = 0;
    ASSERT_EQ(server.Call(add, &sum, 2, 40), S_OK);
    EXPECT_EQ(sum, 42);
    BSTR echo = nullptr;
    ASSERT_EQ(server.Call(2, &echo, "hello"), S_OK);
    EXPECT_EQ(orv::AnsiFromBstr(echo), "echo:hello");
    SysFreeString(echo);
    int32_t data = 21;
    BSTR text = orv::BstrFromAnsi("hi");
    int32_t rc = -1;
    ASSERT_EQ(server.Call(3, &rc, 21, &data, &text), S_OK);
    EXPECT_EQ(data, 42);
    EXPECT_EQ(orv::AnsiFromBstr(text), "hi!");
    SysFreeString(text);
    CY money;
    money.int64 = 1234567;
    ASSERT_EQ(server.Put(11, money), S_OK);
    CY back{};
    ASSERT_EQ(server.Get(11, &back), S_OK);
    EXPECT_EQ(back.int64, 1234567);
    // Passing one object to another by IDispatch.
    orv::DispatchDriver other;
    ASSERT_EQ(other.CreateDispatch("Orv.TestServer"), S_OK);
    ASSERT_EQ(server.Call(7, &rc, other.Dispatch()), S_OK);
    EXPECT_EQ(rc, 42);
    orv::DispatchError err;
    const orv::DispArg reason("device busy");
    EXPECT_EQ(server.Invoke(4, DISPATCH_METHOD, VT_I4, nullptr, std::span<const orv::DispArg>(&reason, 1), &err),
              DISP_E_EXCEPTION);
    EXPECT_EQ(err.description, "device busy");
}

TEST_F(Activation, LoadedServerIsNotReloaded) {
    orv::DispatchDriver a, b;
    ASSERT_EQ(a.CreateDispatch("Orv.TestServer"), S_OK);
    int32_t first = 0, second = 0;
    ASSERT_EQ(a.Get(8, &first), S_OK);
    ASSERT_EQ(b.CreateDispatch("Orv.TestServer"), S_OK);
    ASSERT_EQ(b.Get(8, &second), S_OK);
    EXPECT_EQ(second, first + 1) << "the library's static state survives between creations";
}

TEST_F(Activation, FreeUnusedLibrariesUnloadsOnlyIdleServers) {
    int32_t serial = 0;
    {
        orv::DispatchDriver a;
        ASSERT_EQ(a.CreateDispatch("Orv.TestServer"), S_OK);
        CoFreeUnusedLibraries();  // an object is alive: stays loaded
        orv::DispatchDriver b;
        ASSERT_EQ(b.CreateDispatch("Orv.TestServer"), S_OK);
        int32_t sa = 0;
        ASSERT_EQ(a.Get(8, &sa), S_OK);
        ASSERT_EQ(b.Get(8, &serial), S_OK);
        EXPECT_EQ(serial, sa + 1);
    }
    CoFreeUnusedLibraries();  // nothing alive: unloaded, so the next load starts afresh
    orv::DispatchDriver c;
    ASSERT_EQ(c.CreateDispatch("Orv.TestServer"), S_OK);
    int32_t fresh = 0;
    ASSERT_EQ(c.Get(8, &fresh), S_OK);
    EXPECT_EQ(fresh, 1);
}

TEST_F(Activation, FailuresGiveTheWindowsResults) {
    void* object = reinterpret_cast<void*>(0xDEADBEEF);
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(u"No.Such.ProgId", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromProgID(nullptr, &clsid), E_INVALIDARG);
    const CLSID unregistered = GUID_INIT(0x12345678, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8);
    EXPECT_EQ(CoCreateInstance(unregistered, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleControl, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, nullptr),
              E_INVALIDARG);
    EXPECT_EQ(CoCreateInstance(kNoFactoryClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              CO_E_ERRORINDLL);
    // A registration whose library file is gone.
    const CLSID moved = GUID_INIT(0x6A1C54E0, 0x3F5B, 0x4C1D, 0x9E, 0x57, 0x2B, 0x8A, 0x7D, 0x6C, 0x1F, 0x03);
    ASSERT_EQ(orv::RegWriteString(HKEY_CLASSES_ROOT, "CLSID\\" + orv::GuidToString(moved) + "\\InprocServer32",
                                  nullptr, "/nonexistent/libGone.so"), ERROR_SUCCESS);
    EXPECT_EQ(CoCreateInstance(moved, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object), CO_E_DLLNOTFOUND);
}

// A server library that cannot be loaded: the application gets the Windows result, and the
// loader's own message reaches the debugger output once per library however often it is tried,
// and stays retrievable (OrvGetLoadFailureText) for tools and applications.
TEST_F(Activation, LoadFailuresAreSaidOncePerLibraryAndKept) {
    const fs::path dir = fs::temp_directory_path() / ("orv-com-load-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "text.so") << std::string(200, 'x');
    fs::copy_file(ORV_NO_FACTORY, dir / "libNoEntry.so", fs::copy_options::overwrite_existing);
    struct Row {
        std::string path;
        HRESULT result;
        std::string reason;  // the end of the kept message
    };
    const Row rows[] = {
        {(dir / "libGone.so").string(), CO_E_DLLNOTFOUND, "No such file or directory"},
        {(dir / "text.so").string(), CO_E_ERRORINDLL, "invalid ELF header"},
        {(dir / "libNoEntry.so").string(), CO_E_ERRORINDLL, "it does not export DllGetClassObject"},
    };
    const std::string captured = (dir / "stderr.txt").string();
    unsigned serial = 0x10;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        const CLSID clsid = GUID_INIT(0x6A1C54E0, 0x3F5B, 0x4C1D, 0x9E, 0x57, 0x2B, 0x8A, 0x7D, 0x6C,
                                      0x1F, static_cast<unsigned char>(serial++));
        ASSERT_EQ(orv::RegWriteString(HKEY_CLASSES_ROOT,
                                      "CLSID\\" + orv::GuidToString(clsid) + "\\InprocServer32",
                                      nullptr, row.path),
                  ERROR_SUCCESS);
        std::fflush(stderr);
        const int saved = ::dup(STDERR_FILENO);
        const int fd = ::open(captured.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
        ::setenv("ORV_DEBUG_OUTPUT", "1", 1);
        for (int call = 0; call < 3; ++call) {
            void* object = nullptr;
            EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
                      row.result);
        }
        ::unsetenv("ORV_DEBUG_OUTPUT");
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        std::ifstream in(captured);
        const std::string said((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

        std::string kept(OrvGetLoadFailureText(row.path.c_str(), nullptr, 0), '\0');
        OrvGetLoadFailureText(row.path.c_str(), kept.data(), static_cast<DWORD>(kept.size() + 1));
        EXPECT_EQ(kept.rfind("cannot load in-process server " + row.path + ": ", 0), 0u) << kept;
        EXPECT_TRUE(kept.ends_with(row.reason)) << kept;
        EXPECT_EQ(said, kept + "\n") << "one line for three failures";
        char last[512];
        OrvGetLoadFailureText(nullptr, last, sizeof last);
        EXPECT_EQ(std::string(last), kept.substr(0, sizeof last - 1)) << "the last failure";
    }
    char small[8] = "zzzzzzz";
    EXPECT_GT(OrvGetLoadFailureText(nullptr, small, 4), 4u);
    EXPECT_STREQ(small, "can") << "cut to fit, terminated";
    EXPECT_EQ(OrvGetLoadFailureText("/never/tried.so", small, sizeof small), 0u);
    EXPECT_STREQ(small, "");
    fs::remove_all(dir);
}

TEST(ActivationWithoutApartment, NeedsCoInitialize) {
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(kTestClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    CoUninitialize();
}

TEST(Regsvr, UnregisterRemovesKeysAndBadInputFails) {
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s /u " + ORV_TEST_SERVER), 0);
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(u"Orv.TestServer", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s " + ORV_TEST_SERVER), 0);
    EXPECT_EQ(CLSIDFromProgID(u"Orv.TestServer", &clsid), S_OK);
    EXPECT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s /nonexistent/lib.so"), 3);   // cannot load
    EXPECT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s /u " + ORV_NO_FACTORY), 4);  // no entry point
    EXPECT_EQ(RunCommand(std::string(ORV_REGSVR) + " /s"), 1);                       // no library
    CoUninitialize();
}

}  // namespace
