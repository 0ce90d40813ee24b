// A private installation for one test process: its own registry file (service information
// values, the OPOS device key of "P1", the PIN pad server registered with regsvr), its own trace
// folder and claim-lock folder. Nothing is shared with other processes running at the same time.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orv::so::test {

class TestInstall {
public:
    // Creates the folders and the registry file and sets ORV_REGISTRY, ORV_SIM_LOCK_DIR. With
    // registerBridge, runs regsvr on libPinpadBridge.so.
    explicit TestInstall(bool registerBridge = true);
    // The same with these COM server libraries registered instead of the PIN pad bridge.
    explicit TestInstall(const std::vector<std::filesystem::path>& servers);
    ~TestInstall();
    TestInstall(const TestInstall&) = delete;
    TestInstall& operator=(const TestInstall&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path LogDir() const { return root_ / "logs"; }
    std::filesystem::path TracePath(const std::string& file = "Pinpadso.log") const {
        return LogDir() / file;
    }

    // Service information values (Logpath, Classpath); nullopt deletes the value.
    static void SetServiceInfo(const char* name, const std::optional<std::string>& value);
    static void DeleteServiceInfoKey();
    static void SetString(const std::string& key, const char* name, const std::string& value);

private:
    std::filesystem::path root_;
};

// Build-tree locations (from ORV_BUILD_DIR, set by CTest, or the compiled-in default).
std::filesystem::path BuildDir();
std::filesystem::path BridgeLibrary();  // lib/libPinpadBridge.so
std::filesystem::path RegsvrTool();     // bin/regsvr

int RunCommand(const std::string& command);

}  // namespace orv::so::test
