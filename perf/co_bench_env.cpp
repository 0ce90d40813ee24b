#include "co_bench_env.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "platform/com_register.h"
#include "platform/registry.h"

namespace orv::perf {
namespace {

namespace fs = std::filesystem;

fs::path& Folder() {
    static fs::path folder;
    return folder;
}

bool Regsvr(const char* library) {
    const int status = std::system((std::string(ORV_REGSVR) + " /s " + library).c_str());
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    std::fprintf(stderr, "regsvr %s failed\n", library);
    return false;
}

bool Write(const std::string& key, const char* name, const std::string& value) {
    if (RegWriteString(HKEY_LOCAL_MACHINE, key, name, value) == ERROR_SUCCESS) return true;
    std::fprintf(stderr, "cannot write %s\n", key.c_str());
    return false;
}

}  // namespace

bool SetUpControlInstallation() {
    Folder() = fs::temp_directory_path() / ("orv-co-bench-" + std::to_string(::getpid()));
    fs::create_directories(Folder() / "log");
    fs::create_directories(Folder() / "locks");
    ::setenv("ORV_REGISTRY", (Folder() / "registry.reg").c_str(), 1);
    ::setenv("ORV_SIM_LOCK_DIR", (Folder() / "locks").c_str(), 1);
    ::setenv("CLASSPATH", ORV_JAR, 1);
    const std::string opos = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\PINPad\\";
    const std::string info = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
#ifdef ORV_MSR_CONTROL
    if (!Regsvr(ORV_MSR_CONTROL) || !Regsvr(ORV_MSR_BRIDGE) ||
        !Write("SOFTWARE\\OLEforRetail\\ServiceOPOS\\MSR\\M1", nullptr, "ORVMsr.so"))
        return false;
#endif
    bool ok = Regsvr(ORV_PINPAD_CONTROL) && Regsvr(ORV_PINPAD_BRIDGE) && Regsvr(ORV_FAKE_SO) &&
              Write(opos + "P1", nullptr, "ORVPin.so") &&
              Write(opos + "FAKE", nullptr, "OrvTest.FakePinSO") &&
              Write(info, "Logpath", (Folder() / "log").string() + "/") &&
              Write(info, "Classpath", ORV_LIB_DIR);
#ifdef ORV_DISPLAY_CONTROL
    ok = ok && Regsvr(ORV_DISPLAY_CONTROL) && Regsvr(ORV_DISPLAY_BRIDGE) &&
         Write("SOFTWARE\\OLEforRetail\\ServiceOPOS\\LineDisplay\\L1", nullptr, "ORVLine.so");
#endif
    return ok;
}

std::string InstallationFolder() {
    return Folder().string();
}

void RemoveControlInstallation() {
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
}

}  // namespace orv::perf
