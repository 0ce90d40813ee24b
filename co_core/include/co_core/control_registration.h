// DllRegisterServer/DllUnregisterServer of a control library.
//
// What is written (all under HKEY_CLASSES_ROOT):
//   Interface\{dispatch IID} = "_DPinpadControl", with TypeLib = {type library GUID} and its
//     "Version"; the same for the event interface. This stands where a type library would be
//     registered: there is no type library file on this platform, hosts resolve names with
//     GetIDsOfNames and take the event DISPIDs from the documentation.
//   <ProgID>, CLSID\{clsid} with InprocServer32 (this library, ThreadingModel "Apartment"),
//     Control, MiscStatus (the OLEMISC value under MiscStatus\1), Version and TypeLib.
#pragma once

#include "co_core/control_descriptor.h"

namespace orv::co {

// S_OK; SELFREG_E_TYPELIB when the interface entries cannot be written; SELFREG_E_CLASS when
// the class entries cannot be written. moduleAddress is any address inside the library.
HRESULT RegisterControl(const ControlDescriptor& d, const void* moduleAddress);
// Removes both in reverse order, with the same two failure codes; missing keys are no error.
HRESULT UnregisterControl(const ControlDescriptor& d);

}  // namespace orv::co
