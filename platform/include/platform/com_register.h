// Registration of in-process servers, for DllRegisterServer/DllUnregisterServer: the standard
// keys under HKEY_CLASSES_ROOT with the library's own absolute path.
#pragma once

#include <string>
#include <string_view>

#include "platform/com.h"
#include "platform/registry.h"

namespace orv {

namespace detail {
namespace {
// One object per translation unit with internal linkage: its address is inside the library that
// compiles it, whatever other libraries of the process export (unlike &DllRegisterServer, which
// may resolve to another library's export of that name).
const char kModuleAnchor = 0;
}  // namespace
}  // namespace detail

// An address inside the library being compiled, for InprocServerInfo::moduleAddress.
#define ORV_THIS_MODULE (static_cast<const void*>(&::orv::detail::kModuleAnchor))

struct InprocServerInfo {
    CLSID clsid;
    const char* progId;          // HKCR\<ProgID>\CLSID
    const char* description;     // default values of the ProgID and CLSID keys
    const char* threadingModel;  // "Apartment", "Both", ... or null for none
    const void* moduleAddress;   // any address inside the server library (its path is written)
};

// Writes HKCR\<ProgID> (description), HKCR\<ProgID>\CLSID, HKCR\CLSID\{clsid} (description),
// its ProgID and InprocServer32 (library path, ThreadingModel). SELFREG_E_CLASS when a key or
// value cannot be written (ERROR_ACCESS_DENIED from the registry, for example).
ORV_API HRESULT RegisterInprocServer(const InprocServerInfo& info);
// Removes the keys written above; missing keys are not an error. SELFREG_E_CLASS on failure.
ORV_API HRESULT UnregisterInprocServer(const CLSID& clsid, const char* progId);

// Absolute path of the shared library that holds the address ("" when unknown).
ORV_API std::string ModulePathOf(const void* address);

// Small registry helpers for registration code.
// Creates the key (and parents) under root and sets one string value (null/empty name = default).
ORV_API LSTATUS RegWriteString(HKEY root, std::string_view key, const char* name,
                               std::string_view value);
// Deletes a key with everything under it; ERROR_SUCCESS when it did not exist.
ORV_API LSTATUS RegDeleteTreeA(HKEY root, const char* key);

}  // namespace orv
