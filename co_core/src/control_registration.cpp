#include "co_core/control_registration.h"

#include <string>

#include "platform/com_ptr.h"
#include "platform/com_register.h"

namespace orv::co {
namespace {

bool WriteInterface(const IID& iid, const char* name, const ControlDescriptor& d) {
    const std::string key = "Interface\\" + GuidToString(iid);
    return RegWriteString(HKEY_CLASSES_ROOT, key, nullptr, name) == ERROR_SUCCESS &&
           RegWriteString(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, GuidToString(d.typeLib)) ==
               ERROR_SUCCESS &&
           RegWriteString(HKEY_CLASSES_ROOT, key + "\\TypeLib", "Version", d.typeLibVersion) ==
               ERROR_SUCCESS;
}

bool WriteControlEntries(const ControlDescriptor& d) {
    const std::string key = "CLSID\\" + GuidToString(d.clsid);
    return RegWriteString(HKEY_CLASSES_ROOT, key + "\\Control", nullptr, "") == ERROR_SUCCESS &&
           RegWriteString(HKEY_CLASSES_ROOT, key + "\\MiscStatus", nullptr, "0") == ERROR_SUCCESS &&
           RegWriteString(HKEY_CLASSES_ROOT, key + "\\MiscStatus\\1", nullptr,
                          std::to_string(d.oleMisc)) == ERROR_SUCCESS &&
           RegWriteString(HKEY_CLASSES_ROOT, key + "\\Version", nullptr, d.typeLibVersion) ==
               ERROR_SUCCESS &&
           RegWriteString(HKEY_CLASSES_ROOT, key + "\\TypeLib", nullptr, GuidToString(d.typeLib)) ==
               ERROR_SUCCESS;
}

bool DeleteInterface(const IID& iid) {
    const std::string key = "Interface\\" + GuidToString(iid);
    return RegDeleteTreeA(HKEY_CLASSES_ROOT, key.c_str()) == ERROR_SUCCESS;
}

}  // namespace

HRESULT RegisterControl(const ControlDescriptor& d, const void* moduleAddress) {
    try {
        if (!WriteInterface(d.dispatchIid, d.dispatchName, d) ||
            !WriteInterface(d.eventIid, d.eventName, d))
            return SELFREG_E_TYPELIB;
        const InprocServerInfo info{d.clsid, d.progId, LoadControlString(d, IDS_CONTROL_TYPENAME),
                                    "Apartment", moduleAddress};
        if (FAILED(RegisterInprocServer(info)) || !WriteControlEntries(d)) return SELFREG_E_CLASS;
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

HRESULT UnregisterControl(const ControlDescriptor& d) {
    try {
        if (!DeleteInterface(d.eventIid) || !DeleteInterface(d.dispatchIid))
            return SELFREG_E_TYPELIB;
        if (FAILED(UnregisterInprocServer(d.clsid, d.progId))) return SELFREG_E_CLASS;
        return S_OK;
    } catch (...) {
        return SELFREG_E_CLASS;
    }
}

}  // namespace orv::co
