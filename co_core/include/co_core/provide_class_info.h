// IProvideClassInfo2 (the standard OLE control interface, Windows vtable order and IIDs): how a
// host asks a control for its event interface when there is no type library to read it from.
#pragma once

#include "platform/com.h"

inline constexpr IID IID_IProvideClassInfo =
    GUID_INIT(0xB196B283, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IProvideClassInfo2 =
    GUID_INIT(0xA6BC3AC0, 0xDBAA, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

#define GUIDKIND_DEFAULT_SOURCE_DISP_IID 1

struct IProvideClassInfo : IUnknown {
    // No type information here: E_NOTIMPL, *info null.
    virtual HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) = 0;
};

struct IProvideClassInfo2 : IProvideClassInfo {
    // GUIDKIND_DEFAULT_SOURCE_DISP_IID: the IID of the control's event dispinterface.
    // E_INVALIDARG for another kind, E_POINTER for a null result.
    virtual HRESULT STDMETHODCALLTYPE GetGUID(DWORD guidKind, GUID* guid) = 0;
};
