// COM subset: the interfaces the suite implements and calls (Windows vtable order and IIDs),
// GUID text, apartment initialisation, ProgIDs and in-process server activation.
#pragma once

#include "platform/oleauto.h"
#include "platform/winerror.h"
#include "platform/wintypes.h"

#define GUID_INIT(l, w1, w2, b1, b2, b3, b4, b5, b6, b7, b8) \
    { l, w1, w2, { b1, b2, b3, b4, b5, b6, b7, b8 } }

inline constexpr IID IID_NULL = GUID_INIT(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
inline constexpr GUID GUID_NULL = IID_NULL;
inline constexpr IID IID_IUnknown =
    GUID_INIT(0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IClassFactory =
    GUID_INIT(0x00000001, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IDispatch =
    GUID_INIT(0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46);
inline constexpr IID IID_IConnectionPointContainer =
    GUID_INIT(0xB196B284, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IEnumConnectionPoints =
    GUID_INIT(0xB196B285, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IConnectionPoint =
    GUID_INIT(0xB196B286, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IEnumConnections =
    GUID_INIT(0xB196B287, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IOleControl =
    GUID_INIT(0xB196B288, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IProvideClassInfo =
    GUID_INIT(0xB196B283, 0xBAB4, 0x101A, 0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07);
inline constexpr IID IID_IProvideClassInfo2 =
    GUID_INIT(0xA6BC3AC0, 0xDBAA, 0x11CE, 0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51);

struct ITypeInfo;  // no type libraries here: GetTypeInfo answers E_NOTIMPL

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IDispatch : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                    LCID lcid, DISPID* dispids) = 0;
    virtual HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                             DISPPARAMS* params, VARIANT* result,
                                             EXCEPINFO* excepInfo, UINT* argErr) = 0;
};

struct IClassFactory : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                                     void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

struct IConnectionPointContainer;

struct CONNECTDATA {
    IUnknown* pUnk;
    DWORD dwCookie;
};

struct IEnumConnections : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, CONNECTDATA* connections,
                                           ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnections** copy) = 0;
};

struct IConnectionPoint : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(
        IConnectionPointContainer** container) = 0;
    virtual HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections** connections) = 0;
};

struct IEnumConnectionPoints : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG count, IConnectionPoint** points,
                                           ULONG* fetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG count) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumConnectionPoints** copy) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints** points) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                          IConnectionPoint** point) = 0;
};

struct CONTROLINFO {
    ULONG cb;
    void* hAccel;
    USHORT cAccel;
    DWORD dwFlags;
};
typedef CONTROLINFO* LPCONTROLINFO;

// Controls take FreezeEvents from their container through this interface.
struct IOleControl : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetControlInfo(CONTROLINFO* info) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnMnemonic(void* msg) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnAmbientPropertyChange(DISPID dispid) = 0;
    virtual HRESULT STDMETHODCALLTYPE FreezeEvents(BOOL freeze) = 0;
};

// How a host asks a control for its event interface when there is no type library to read it
// from.
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

#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_REMOTE_SERVER 0x10
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | \
                    CLSCTX_REMOTE_SERVER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

#define COINIT_APARTMENTTHREADED 0x2
#define COINIT_MULTITHREADED 0x0

#define CHARS_IN_GUID 39

// Entry points an in-process server library exports.
typedef HRESULT(STDMETHODCALLTYPE* LPFNGETCLASSOBJECT)(REFCLSID, REFIID, LPVOID*);
typedef HRESULT(STDMETHODCALLTYPE* LPFNCANUNLOADNOW)();
typedef HRESULT(STDMETHODCALLTYPE* LPFNREGISTERSERVER)();

extern "C" {

// GUID text, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" with upper-case hex digits.
// StringFromGUID2 returns the characters written including the terminator, 0 when cchMax < 39.
ORV_API int WINAPI StringFromGUID2(REFGUID guid, LPOLESTR text, int cchMax);
// Parses the braced form (hex digits of either case). CO_E_CLASSSTRING for anything else;
// CLSIDFromString also accepts a registered ProgID, as on Windows. E_INVALIDARG for null.
ORV_API HRESULT WINAPI CLSIDFromString(LPCOLESTR text, LPCLSID clsid);
ORV_API HRESULT WINAPI IIDFromString(LPCOLESTR text, LPGUID iid);

// Apartment bookkeeping per thread. S_OK for the first call on a thread, S_FALSE for nested
// calls; every successful call needs a CoUninitialize.
ORV_API HRESULT WINAPI CoInitialize(LPVOID reserved);
ORV_API HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
ORV_API void WINAPI CoUninitialize(void);

// HKEY_CLASSES_ROOT\<ProgID>\CLSID. CO_E_CLASSSTRING for an unknown ProgID or a malformed CLSID.
ORV_API HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
// HKEY_CLASSES_ROOT\CLSID\{...}\ProgID; the text is CoTaskMemAlloc'ed. REGDB_E_CLASSNOTREG.
ORV_API HRESULT WINAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);

// In-process activation through HKEY_CLASSES_ROOT\CLSID\{...}\InprocServer32, loading the
// library once per process (dlopen RTLD_NOW | RTLD_LOCAL). Results: CO_E_NOTINITIALIZED on a
// thread without CoInitialize, REGDB_E_CLASSNOTREG (no registration or no in-process context
// asked), CO_E_DLLNOTFOUND (the library file is missing), CO_E_ERRORINDLL (it cannot be loaded
// or lacks DllGetClassObject; the loader's message is kept, see OrvGetLoadFailureText), and
// whatever the class factory answers (E_NOINTERFACE, ...). *object is null on failure.
ORV_API HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD clsctx, void* serverInfo, REFIID riid,
                                        LPVOID* object);
ORV_API HRESULT WINAPI CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid,
                                        LPVOID* object);
// Asks every loaded server's DllCanUnloadNow and unloads those answering S_OK.
ORV_API void WINAPI CoFreeUnusedLibraries(void);

// Why libraries could not be loaded in this process, for applications and tools to show beside
// the call that failed: the loader's message for each in-process server library CoGetClassObject
// could not load (kept under its path), and what modules report for libraries they load
// themselves (the service objects' JVM library, under "libjvm.so"). The first message of each
// library reaches the debugger output; later ones only replace the kept text. Null arguments
// are ignored.
ORV_API void WINAPI OrvReportLoadFailure(LPCSTR library, LPCSTR message);
// The kept message of that library, or with a null library the message of the last failure
// reported. Returns the length in bytes without the terminator (0 when none); when size > 0 it
// copies as much as fits into buffer, always terminated.
ORV_API DWORD WINAPI OrvGetLoadFailureText(LPCSTR library, LPSTR buffer, DWORD size);

ORV_API LPVOID WINAPI CoTaskMemAlloc(SIZE_T bytes);
ORV_API void WINAPI CoTaskMemFree(LPVOID memory);

}  // extern "C"
