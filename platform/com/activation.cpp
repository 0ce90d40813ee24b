// Apartment bookkeeping, ProgID lookup and in-process activation through the registry.
#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>

#include "platform/com.h"
#include "platform/com_ptr.h"
#include "platform/handles.h"
#include "platform/registry.h"

namespace {

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
        if (::stat(path.c_str(), &st) != 0) return CO_E_DLLNOTFOUND;
        Server s;
        s.handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!s.handle) return CO_E_ERRORINDLL;
        s.getClassObject = reinterpret_cast<LPFNGETCLASSOBJECT>(::dlsym(s.handle, "DllGetClassObject"));
        s.canUnloadNow = reinterpret_cast<LPFNCANUNLOADNOW>(::dlsym(s.handle, "DllCanUnloadNow"));
        if (!s.getClassObject) {
            ::dlclose(s.handle);
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

LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes) { return std::malloc(bytes ? bytes : 1); }
void WINAPI CoTaskMemFree(LPVOID memory) { std::free(memory); }

}  // extern "C"
