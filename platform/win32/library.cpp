// LoadLibraryA / GetProcAddress / FreeLibrary over dlopen.
//
// Name rule. A name with a '/' is a path and is loaded as given. A bare name is tried as given
// (searched on the library path), then, unless it already ends in ".so", with a Windows ".dll"
// suffix removed and as "lib<name>.so" (skipped when the name starts with "lib") and
// "<name>.so". So "aiplib32", "aiplib32.dll" and "libaiplib32.so" all load libaiplib32.so.
#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/win32.h"

namespace {

// Modules handed out by LoadLibraryA, with the number of loads not yet freed. GetProcAddress
// and FreeLibrary accept nothing else, so a stale or made-up HMODULE never reaches dlsym.
struct ModuleTable {
    std::mutex mutex;
    std::unordered_map<void*, unsigned> loads;
};

ModuleTable& Modules() {
    static ModuleTable* table = new ModuleTable;  // never destroyed: used until process exit
    return *table;
}

std::atomic<UINT> g_errorMode{0};

bool EndsWith(const std::string& s, const char* suffix, bool ignoreCase) {
    const std::string tail(suffix);
    if (s.size() < tail.size()) return false;
    for (size_t i = 0; i < tail.size(); ++i) {
        char a = s[s.size() - tail.size() + i];
        char b = tail[i];
        if (ignoreCase) {
            if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        }
        if (a != b) return false;
    }
    return true;
}

std::vector<std::string> Candidates(const std::string& name) {
    std::vector<std::string> names{name};
    if (name.find('/') != std::string::npos || EndsWith(name, ".so", false)) return names;
    std::string base = name;
    if (EndsWith(base, ".dll", true)) base.resize(base.size() - 4);
    if (base.empty()) return names;
    if (base.rfind("lib", 0) != 0) names.push_back("lib" + base + ".so");
    names.push_back(base + ".so");
    return names;
}

bool IsOrdinal(LPCSTR procName) {
    // Windows lets a procedure be named by ordinal (a value below 64K in the pointer); there
    // are no ordinals here, and such a value must never be read as a string.
    return reinterpret_cast<uintptr_t>(procName) < 0x10000;
}

// Windows callers name __stdcall exports with their decoration ("PosClose@4"). An ELF symbol
// cannot carry it ('@' marks a symbol version), so the undecorated name is tried as well.
std::optional<std::string> WithoutStdcallSuffix(const char* procName) {
    const char* at = std::strrchr(procName, '@');
    if (at == nullptr || at == procName || at[1] == '\0') return std::nullopt;
    for (const char* p = at + 1; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return std::nullopt;
    }
    return std::string(procName, at);
}

void* MainProgram() {
    static void* self = dlopen(nullptr, RTLD_NOW);
    return self;
}

}  // namespace

extern "C" {

ORV_API HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
    if (fileName == nullptr || fileName[0] == '\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        std::string lastFailure;
        for (const std::string& candidate : Candidates(fileName)) {
            void* handle = dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
            if (handle == nullptr) {
                if (const char* why = dlerror()) lastFailure = why;
                continue;
            }
            ModuleTable& table = Modules();
            std::lock_guard lock(table.mutex);
            ++table.loads[handle];
            return reinterpret_cast<HMODULE>(handle);
        }
        // The loader's reason (missing dependency, bad ELF) is what a person needs to see.
        lastFailure = "LoadLibraryA(" + std::string(fileName) + "): " + lastFailure + "\n";
        OutputDebugStringA(lastFailure.c_str());
    } catch (...) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

// A null module means the program itself (with the libraries loaded globally), as on Windows.
ORV_API FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
    void* handle = nullptr;
    if (module == nullptr) {
        handle = MainProgram();
    } else {
        ModuleTable& table = Modules();
        std::lock_guard lock(table.mutex);
        if (table.loads.count(module) != 0) handle = module;
    }
    if (handle == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    if (IsOrdinal(procName)) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = dlsym(handle, procName);
    if (symbol == nullptr) {
        if (auto plain = WithoutStdcallSuffix(procName)) symbol = dlsym(handle, plain->c_str());
    }
    if (symbol == nullptr) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(symbol);
}

// FALSE with ERROR_MOD_NOT_FOUND for a module LoadLibraryA did not return (or already freed as
// often as it was loaded).
ORV_API BOOL WINAPI FreeLibrary(HMODULE module) {
    {
        ModuleTable& table = Modules();
        std::lock_guard lock(table.mutex);
        auto it = table.loads.find(module);
        if (it == table.loads.end()) {
            SetLastError(ERROR_MOD_NOT_FOUND);
            return FALSE;
        }
        if (--it->second == 0) table.loads.erase(it);
    }
    dlclose(module);
    return TRUE;
}

ORV_API UINT WINAPI SetErrorMode(UINT mode) {
    return g_errorMode.exchange(mode);
}

}  // extern "C"
