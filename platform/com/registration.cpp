// Registration helpers for in-process servers (DllRegisterServer / DllUnregisterServer).
#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/handles.h"

namespace orv {

std::string ModulePathOf(const void* address) {
    Dl_info info{};
    if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname) return {};
    char resolved[PATH_MAX];
    if (::realpath(info.dli_fname, resolved)) return resolved;
    return info.dli_fname;
}

LSTATUS RegWriteString(HKEY root, std::string_view key, const char* name, std::string_view value) {
    UniqueHkey h;
    const std::string k(key);
    LSTATUS rc = RegCreateKeyExA(root, k.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                                 nullptr, h.out(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    const std::string v(value);
    return RegSetValueExA(h.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>(v.size() + 1));
}

LSTATUS RegDeleteTreeA(HKEY root, const char* key) {
    UniqueHkey h;
    LSTATUS rc = RegOpenKeyExA(root, key, 0, KEY_READ | KEY_WRITE, h.out());
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc != ERROR_SUCCESS) return rc;
    std::vector<std::string> children;
    for (DWORD i = 0;; ++i) {
        char name[1024];
        DWORD size = sizeof name;
        rc = RegEnumKeyExA(h.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (rc != ERROR_SUCCESS) break;
        children.emplace_back(name, size);
    }
    h.reset();
    if (rc != ERROR_NO_MORE_ITEMS) return rc;
    for (const std::string& child : children) {
        const std::string path = std::string(key) + "\\" + child;
        rc = RegDeleteTreeA(root, path.c_str());
        if (rc != ERROR_SUCCESS) return rc;
    }
    rc = RegDeleteKeyA(root, key);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

HRESULT RegisterInprocServer(const InprocServerInfo& info) {
    if (!info.progId || !info.description) return E_INVALIDARG;
    const std::string path = ModulePathOf(info.moduleAddress);
    if (path.empty()) return SELFREG_E_CLASS;
    const std::string clsid = GuidToString(info.clsid);
    const std::string clsidKey = "CLSID\\" + clsid;
    const std::string progId = info.progId;
    LSTATUS rc = RegWriteString(HKEY_CLASSES_ROOT, progId, nullptr, info.description);
    if (rc == ERROR_SUCCESS) rc = RegWriteString(HKEY_CLASSES_ROOT, progId + "\\CLSID", nullptr, clsid);
    if (rc == ERROR_SUCCESS) rc = RegWriteString(HKEY_CLASSES_ROOT, clsidKey, nullptr, info.description);
    if (rc == ERROR_SUCCESS) rc = RegWriteString(HKEY_CLASSES_ROOT, clsidKey + "\\ProgID", nullptr, progId);
    if (rc == ERROR_SUCCESS)
        rc = RegWriteString(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", nullptr, path);
    if (rc == ERROR_SUCCESS && info.threadingModel)
        rc = RegWriteString(HKEY_CLASSES_ROOT, clsidKey + "\\InprocServer32", "ThreadingModel",
                            info.threadingModel);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

HRESULT UnregisterInprocServer(const CLSID& clsid, const char* progId) {
    LSTATUS rc = RegDeleteTreeA(HKEY_CLASSES_ROOT, ("CLSID\\" + GuidToString(clsid)).c_str());
    if (rc == ERROR_SUCCESS && progId && *progId) rc = RegDeleteTreeA(HKEY_CLASSES_ROOT, progId);
    return rc == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

}  // namespace orv
