#include "test_env.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "platform/com_register.h"
#include "platform/registry.h"

namespace orv::so::test {
namespace fs = std::filesystem;

#ifndef ORV_BUILD_DIR_DEFAULT
#define ORV_BUILD_DIR_DEFAULT ""
#endif

fs::path BuildDir() {
    const char* dir = std::getenv("ORV_BUILD_DIR");
    return fs::path(dir && *dir ? dir : ORV_BUILD_DIR_DEFAULT);
}
fs::path BridgeLibrary() { return BuildDir() / "lib" / "libPinpadBridge.so"; }
fs::path RegsvrTool() { return BuildDir() / "bin" / "regsvr"; }

int RunCommand(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TestInstall::TestInstall(bool registerBridge)
    : TestInstall(registerBridge ? std::vector<fs::path>{BridgeLibrary()} : std::vector<fs::path>{}) {}

TestInstall::TestInstall(const std::vector<fs::path>& servers) {
    root_ = fs::temp_directory_path() / ("orv-so-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(LogDir());
    fs::create_directories(root_ / "locks");
    ::setenv("ORV_REGISTRY", (root_ / "registry.reg").c_str(), 1);
    ::setenv("ORV_SIM_LOCK_DIR", (root_ / "locks").c_str(), 1);
    ::setenv("ORV_SIM_DEVICES", "P2=PINPad", 0);  // a second PIN pad for routing tests
    SetServiceInfo("Logpath", LogDir().string());
    SetServiceInfo("Classpath", (BuildDir() / "lib").string());
    SetString("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P1", nullptr, "ORVPin.so");
    SetString("SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\P2", nullptr, "ORVPin.so");
    for (const fs::path& server : servers)
        if (RunCommand(RegsvrTool().string() + " /s " + server.string()) != 0)
            throw std::runtime_error("regsvr failed for " + server.string());
}

TestInstall::~TestInstall() {
    std::error_code ec;
    fs::remove_all(root_, ec);
}

void TestInstall::SetString(const std::string& key, const char* name, const std::string& value) {
    if (orv::RegWriteString(HKEY_LOCAL_MACHINE, key, name, value) != ERROR_SUCCESS)
        throw std::runtime_error("cannot write " + key);
}

void TestInstall::SetServiceInfo(const char* name, const std::optional<std::string>& value) {
    const std::string key = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
    if (value) {
        SetString(key, name, *value);
        return;
    }
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_ALL_ACCESS, &h) == ERROR_SUCCESS) {
        RegDeleteValueA(h, name);
        RegCloseKey(h);
    }
}

void TestInstall::DeleteServiceInfoKey() {
    orv::RegDeleteTreeA(HKEY_LOCAL_MACHINE, "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane");
}

}  // namespace orv::so::test
