// regsvr: registers or unregisters an in-process server library, like regsvr32.
//   regsvr [/u] [/s] LIBRARY
// Exit codes follow regsvr32: 0 success, 1 bad arguments, 3 the library cannot be loaded,
// 4 the entry point is missing, 5 the entry point failed.
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/com.h"
#include "platform/handles.h"
#include "platform/registry.h"

namespace {

enum ExitCode { kOk = 0, kBadArgs = 1, kLoadFailed = 3, kNoEntry = 4, kCallFailed = 5 };

void Report(bool silent, bool error, const std::string& text) {
    if (silent) return;
    std::fprintf(error ? stderr : stdout, "%s\n", text.c_str());
}

bool IsSwitch(const char* arg, const char* name) {
    return (arg[0] == '/' || arg[0] == '-') && strcasecmp(arg + 1, name) == 0;
}

std::string DefaultValue(HKEY root, const std::string& key) {
    orv::UniqueHkey h;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, h.out()) != ERROR_SUCCESS) return {};
    char buffer[4096] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = REG_NONE;
    if (RegQueryValueExA(h.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return std::string(buffer, ::strnlen(buffer, size));
}

// A server without DllUnregisterServer cannot remove itself: name the keys that point at this
// library, and the commands that remove them.
std::string RemovalHint(const char* library) {
    char resolved[PATH_MAX];
    const std::string path = ::realpath(library, resolved) ? resolved : library;
    std::string hint = "\nThis server does not remove its own registration.";
    orv::UniqueHkey classes;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, "CLSID", 0, KEY_READ, classes.out()) != ERROR_SUCCESS)
        return hint;
    bool found = false;
    for (DWORD i = 0;; ++i) {
        char clsid[256];
        DWORD size = sizeof clsid;
        if (RegEnumKeyExA(classes.get(), i, clsid, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        const std::string key = std::string("CLSID\\") + clsid;
        if (DefaultValue(HKEY_CLASSES_ROOT, key + "\\InprocServer32") != path) continue;
        if (!found) hint += " Remove it with:";
        found = true;
        const std::string progId = DefaultValue(HKEY_CLASSES_ROOT, key + "\\ProgID");
        if (!progId.empty()) hint += "\n  orvreg delete \"HKCR\\" + progId + "\" /f";
        hint += "\n  orvreg delete \"HKCR\\" + key + "\" /f";
    }
    if (!found) hint += " Nothing in the registry points at it.";
    return hint;
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
                                 entry + " was not found." + (unregister ? RemovalHint(library) : ""));
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
