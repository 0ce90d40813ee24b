// regsvr: registers or unregisters an in-process server library, like regsvr32.
//   regsvr [/u] [/s] LIBRARY
// Exit codes follow regsvr32: 0 success, 1 bad arguments, 3 the library cannot be loaded,
// 4 the entry point is missing, 5 the entry point failed.
#include <dlfcn.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com.h"

namespace {

enum ExitCode { kOk = 0, kBadArgs = 1, kLoadFailed = 3, kNoEntry = 4, kCallFailed = 5 };

void Report(bool silent, bool error, const std::string& text) {
    if (silent) return;
    std::fprintf(error ? stderr : stdout, "%s\n", text.c_str());
}

bool IsSwitch(const char* arg, const char* name) {
    return (arg[0] == '/' || arg[0] == '-') && strcasecmp(arg + 1, name) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    bool unregister = false, silent = false;
    const char* library = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (IsSwitch(argv[i], "u")) {
            unregister = true;
        } else if (IsSwitch(argv[i], "s")) {
            silent = true;
        } else if (IsSwitch(argv[i], "?") || IsSwitch(argv[i], "h") || IsSwitch(argv[i], "help")) {
            std::printf("Usage: regsvr [/u] [/s] LIBRARY\n  /u  unregister\n  /s  silent\n");
            return kOk;
        } else if (!library && (argv[i][0] != '-' && (argv[i][0] != '/' || std::strchr(argv[i] + 1, '/')))) {
            library = argv[i];  // an absolute path starts with '/' too, but is not a switch
        } else {
            Report(silent, true, std::string("Unrecognized flag: ") + argv[i]);
            return kBadArgs;
        }
    }
    if (!library) {
        Report(silent, true, "No library name specified.\nUsage: regsvr [/u] [/s] LIBRARY");
        return kBadArgs;
    }

    void* module = ::dlopen(library, RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        const char* why = ::dlerror();
        Report(silent, true, std::string("The module \"") + library + "\" failed to load.\n" + (why ? why : ""));
        return kLoadFailed;
    }
    const char* entry = unregister ? "DllUnregisterServer" : "DllRegisterServer";
    auto fn = reinterpret_cast<LPFNREGISTERSERVER>(::dlsym(module, entry));
    if (!fn) {
        Report(silent, true, std::string("The module \"") + library + "\" was loaded but the entry-point " +
                                 entry + " was not found.");
        ::dlclose(module);
        return kNoEntry;
    }
    // Registration code may use COM, as on Windows (regsvr32 initialises OLE first).
    CoInitialize(nullptr);
    const HRESULT hr = fn();
    CoUninitialize();
    ::dlclose(module);
    if (FAILED(hr)) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(hr));
        Report(silent, true, std::string("The module \"") + library + "\" was loaded but the call to " + entry +
                                 " failed with error code " + code + ".");
        return kCallFailed;
    }
    Report(silent, false, std::string(entry) + " in " + library + " succeeded.");
    return kOk;
}
