// Apartment bookkeeping, ProgID lookup and in-process activation through the registry.
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <system_error>

#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/handles.h"
#include "platform/registry.h"
#include "platform/win32.h"

namespace {

// Load failures by library, with the last one reported: without them an application sees only
// CO_E_ERRORINDLL or an OpenResult, and the loader's own reason is lost.
class LoadFailures {
public:
    static LoadFailures& Instance() {
        static LoadFailures* failures = new LoadFailures;  // used until the process ends
        return *failures;
    }

    // True the first time this library is reported.
    bool Report(const std::string& library, const std::string& message) {
        std::lock_guard<std::mutex> lock(mutex_);
        const bool first = messages_.count(library) == 0;
        messages_[library] = message;
        last_ = library;
        return first;
    }

    std::string Text(const char* library) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = messages_.find(library ? library : last_);
        return it == messages_.end() ? std::string() : it->second;
    }

private:
    std::mutex mutex_;
    std::map<std::string, std::string> messages_;
    std::string last_;
};

void ReportLoadFailure(const std::string& path, const std::string& why) {
    try {
        OrvReportLoadFailure(path.c_str(),
                             ("cannot load in-process server " + path + ": " + why).c_str());
    } catch (...) {
        // Out of memory: the activation fails all the same.
    }
}

thread_local int tApartmentInits = 0;

// A loaded in-process server library.
struct Server {
    void* handle = nullptr;
    LPFNGETCLASSOBJECT getClassObject = nullptr;
    LPFNCANUNLOADNOW canUnloadNow = nullptr;
};

// Process-wide table of loaded servers by library path: each library is loaded once.
class ServerTable {
public:
    static ServerTable& Instance() {
        static ServerTable* table = new ServerTable;  // lives as long as the libraries it loaded
        return *table;
    }

    HRESULT Get(const std::string& path, Server* out) {
        std::lock_guard<std::mutex> lock(mutex_);
        auto it = servers_.find(path);
        if (it != servers_.end()) {
            *out = it->second;
            return S_OK;
        }
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0) {
            ReportLoadFailure(path, std::generic_category().message(errno));
            return CO_E_DLLNOTFOUND;
        }
        Server s;
        s.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!s.handle) {
            // The loader's text names the file at fault (the library or a library it needs).
            const char* why = ::dlerror();
            ReportLoadFailure(path, why ? why : "the loader gives no reason");
            return CO_E_ERRORINDLL;
        }
        s.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(s.handle, "DllGetClassObject"));
        s.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(s.handle, "DllCanUnloadNow"));
        if (!s.getClassObject) {
            ::dlclose(s.handle);
            ReportLoadFailure(path, "it does not export DllGetClassObject");
            return CO_E_ERRORINDLL;
        }
        servers_.emplace(path, s);
        *out = s;
        return S_OK;
    }

    void FreeUnused() {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = servers_.begin(); it != servers_.end();) {
            if (it->second.canUnloadNow && it->second.canUnloadNow() == S_OK) {
                ::dlclose(it->second.handle);
                it = servers_.erase(it);
            } else {
                ++it;
            }
        }
    }

private:
    std::mutex mutex_;
    std::map<std::string, Server> servers_;
};

// Default value of HKEY_CLASSES_ROOT\<key>; false when the key or value is missing.
bool ReadClassesRootDefault(const std::string& key, std::string* value) {
    orv::UniqueHkey h;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, h.out()) != ERROR_SUCCESS)
        return false;
    char buf[4096];
    DWORD size = sizeof buf;
    DWORD type = 0;
    const LSTATUS rc =
        RegQueryValueExA(h.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    while (size > 0 && buf[size - 1] == '\0') --size;
    value->assign(buf, size);
    return true;
}

}  // namespace

extern "C" {

HRESULT WINAPI CoInitializeEx(LPVOID, DWORD) { return tApartmentInits++ == 0 ? S_OK : S_FALSE; }
HRESULT WINAPI CoInitialize(LPVOID reserved) {
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}
void WINAPI CoUninitialize(void) {
    if (tApartmentInits > 0) --tApartmentInits;
}

HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid) {
    if (!progId || !clsid) return E_INVALIDARG;
    size_t n = 0;
    while (progId[n] != 0) ++n;
    const std::string name = orv::AnsiFromUtf16(std::u16string_view(progId, n));
    std::string text;
    if (name.empty() || !ReadClassesRootDefault(name + "\\CLSID", &text)) return CO_E_CLASSSTRING;
    GUID g;
    if (!orv::GuidFromString(text, &g)) return CO_E_CLASSSTRING;
    *clsid = g;
    return S_OK;
}

HRESULT WINAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId) {
    if (!progId) return E_INVALIDARG;
    *progId = nullptr;
    std::string text;
    if (!ReadClassesRootDefault("CLSID\\" + orv::GuidToString(clsid) + "\\ProgID", &text))
        return REGDB_E_CLASSNOTREG;
    const std::u16string w = orv::Utf16FromAnsi(text);
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc((w.size() + 1) * sizeof(OLECHAR)));
    if (!out) return E_OUTOFMEMORY;
    std::copy(w.begin(), w.end(), out);
    out[w.size()] = 0;
    *progId = out;
    return S_OK;
}

HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD clsctx, void*, REFIID riid, LPVOID* object) {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    if (tApartmentInits == 0) return CO_E_NOTINITIALIZED;
    if (!(clsctx & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
    std::string path;
    if (!ReadClassesRootDefault("CLSID\\" + orv::GuidToString(clsid) + "\\InprocServer32", &path) ||
        path.empty())
        return REGDB_E_CLASSNOTREG;
    Server server;
    const HRESULT hr = ServerTable::Instance().Get(path, &server);
    if (FAILED(hr)) return hr;
    return server.getClassObject(clsid, riid, object);
}

HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid,
                                LPVOID* object) {
    if (!object) return E_INVALIDARG;
    *object = nullptr;
    orv::ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, clsctx, nullptr, IID_IClassFactory, factory.PutVoid());
    if (FAILED(hr)) return hr;
    if (!factory) return E_NOINTERFACE;
    hr = factory->CreateInstance(outer, riid, object);
    if (FAILED(hr)) *object = nullptr;
    return hr;
}

void WINAPI CoFreeUnusedLibraries(void) { ServerTable::Instance().FreeUnused(); }

void WINAPI OrvReportLoadFailure(LPCSTR library, LPCSTR message) {
    if (!library || !message) return;
    try {
        if (LoadFailures::Instance().Report(library, message))
            OutputDebugStringA((std::string(message) + "\n").c_str());
    } catch (...) {
        // Out of memory: the report is lost, the failing call still fails.
    }
}

DWORD WINAPI OrvGetLoadFailureText(LPCSTR library, LPSTR buffer, DWORD size) {
    std::string text;
    try {
        text = LoadFailures::Instance().Text(library);
    } catch (...) {
        text.clear();
    }
    if (buffer && size > 0) {
        const size_t n = std::min<size_t>(text.size(), size - 1);
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<DWORD>(text.size());
}

LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes) { return std::malloc(bytes ? bytes : 1); }
void WINAPI CoTaskMemFree(LPVOID memory) { std::free(memory); }

}  // extern "C"
