// DllRegisterServer/DllUnregisterServer of the PIN pad control through the regsvr tool, their
// failure codes on a registry that cannot be written, the interfaces a created control answers,
// and unloading the library when no control is left.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "control_test_env.h"
#include "platform/registry.h"
#include "platform/win32.h"

namespace orv::co::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kClsidKey = "CLSID\\{00311137-618B-11D3-A733-0080C88C35FA}";
constexpr const char* kDispatchKey = "Interface\\{00311135-618B-11D3-A733-0080C88C35FA}";
constexpr const char* kEventsKey = "Interface\\{00311136-618B-11D3-A733-0080C88C35FA}";
constexpr const char* kTypeLib = "{00311134-618B-11D3-A733-0080C88C35FA}";

// The string value under HKEY_CLASSES_ROOT, or "<missing>".
std::string ClassesValue(const std::string& key, const char* name = nullptr) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return "<missing>";
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    const LSTATUS rc =
        RegQueryValueExA(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(h);
    return rc == ERROR_SUCCESS ? std::string(buffer) : "<missing>";
}

struct Entry {
    std::string key;
    const char* name;
    std::string value;
};

std::vector<Entry> ExpectedEntries() {
    const std::string clsid = kClsidKey;
    return {
        {"OPOS.PINPad\\CLSID", nullptr, "{00311137-618B-11D3-A733-0080C88C35FA}"},
        {clsid + "\\ProgID", nullptr, "OPOS.PINPad"},
        {clsid + "\\InprocServer32", nullptr, fs::canonical(ORV_PINPAD_CONTROL).string()},
        {clsid + "\\InprocServer32", "ThreadingModel", "Apartment"},
        {clsid + "\\Control", nullptr, ""},
        {clsid + "\\MiscStatus", nullptr, "0"},
        // RECOMPOSEONRESIZE, CANTLINKINSIDE, INSIDEOUT, ACTIVATEWHENVISIBLE, INVISIBLEATRUNTIME,
        // SIMPLEFRAME, SETCLIENTSITEFIRST
        {clsid + "\\MiscStatus\\1", nullptr, "198033"},
        {clsid + "\\Version", nullptr, "1.3"},
        {clsid + "\\TypeLib", nullptr, kTypeLib},
        {kDispatchKey, nullptr, "_DPinpadControl"},
        {std::string(kDispatchKey) + "\\TypeLib", nullptr, kTypeLib},
        {std::string(kDispatchKey) + "\\TypeLib", "Version", "1.3"},
        {kEventsKey, nullptr, "_DPinpadControlEvents"},
        {std::string(kEventsKey) + "\\TypeLib", nullptr, kTypeLib},
        {std::string(kEventsKey) + "\\TypeLib", "Version", "1.3"},
    };
}

TEST(Registration, RegsvrRecordsTheControlItsInterfacesAndItsTraits) {
    for (const Entry& e : ExpectedEntries()) {
        SCOPED_TRACE(e.key + (e.name ? std::string(" ") + e.name : ""));
        EXPECT_EQ(ClassesValue(e.key, e.name), e.value);
    }
}

TEST(Registration, UnregisterRemovesWhatRegisterWrote) {
    ASSERT_EQ(RunRegsvr(std::string("/s /u ") + ORV_PINPAD_CONTROL), 0);
    for (const char* key : {"OPOS.PINPad", kClsidKey, kDispatchKey, kEventsKey})
        EXPECT_EQ(ClassesValue(key), "<missing>") << key;
    ASSERT_EQ(RunRegsvr(std::string("/s ") + ORV_PINPAD_CONTROL), 0);
    for (const Entry& e : ExpectedEntries())
        EXPECT_EQ(ClassesValue(e.key, e.name), e.value) << e.key;
}

TEST(Registration, ReadOnlyRegistryFailsWithSelfregTypelib) {
    HMODULE library = LoadLibraryA(ORV_PINPAD_CONTROL);
    ASSERT_NE(library, nullptr);
    auto reg = reinterpret_cast<LPFNREGISTERSERVER>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    auto unreg = reinterpret_cast<LPFNREGISTERSERVER>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_NE(unreg, nullptr);
    const fs::path file = RegistryFile();
    const auto before = fs::status(file).permissions();
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_EQ(reg(), SELFREG_E_TYPELIB);
    EXPECT_EQ(unreg(), SELFREG_E_TYPELIB);
    fs::permissions(file, before);
    EXPECT_EQ(reg(), S_OK);
    EXPECT_EQ(ClassesValue(kEventsKey), "_DPinpadControlEvents");
    FreeLibrary(library);
}

TEST(Registration, ControlAnswersItsInterfaces) {
    host::ComApartment com;
    ComPtr<IDispatch> control;
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(u"OPOS.PINPad", &clsid), S_OK);
    ASSERT_EQ(
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.PutVoid()),
        S_OK);
    const IID dispatchIid =
        GUID_INIT(0x00311135, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA);
    const IID eventIid =
        GUID_INIT(0x00311136, 0x618B, 0x11D3, 0xA7, 0x33, 0x00, 0x80, 0xC8, 0x8C, 0x35, 0xFA);
    for (const IID* iid :
         {&IID_IUnknown, &IID_IDispatch, &dispatchIid, &IID_IConnectionPointContainer,
          &IID_IOleControl, &IID_IProvideClassInfo, &IID_IProvideClassInfo2}) {
        ComPtr<IUnknown> p;
        EXPECT_EQ(control->QueryInterface(*iid, p.PutVoid()), S_OK) << GuidToString(*iid);
    }
    ComPtr<IUnknown> none;
    EXPECT_EQ(control->QueryInterface(IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
    ComPtr<IProvideClassInfo2> info;
    ASSERT_EQ(control.As(IID_IProvideClassInfo2, &info), S_OK);
    GUID guid{};
    EXPECT_EQ(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &guid), S_OK);
    EXPECT_EQ(guid, eventIid);
    EXPECT_EQ(info->GetGUID(2, &guid), E_INVALIDARG);
    ComPtr<IConnectionPointContainer> container;
    ASSERT_EQ(control.As(IID_IConnectionPointContainer, &container), S_OK);
    ComPtr<IConnectionPoint> point;
    EXPECT_EQ(container->FindConnectionPoint(eventIid, point.Put()), S_OK);
    EXPECT_EQ(container->FindConnectionPoint(dispatchIid, point.Put()), CONNECT_E_NOCONNECTION);
}

TEST(Registration, LibraryUnloadsWhenNoControlIsLeftAndLoadsAgain) {
    host::ComApartment com;
    auto canUnload = [] {
        HMODULE library = LoadLibraryA(ORV_PINPAD_CONTROL);
        auto fn = reinterpret_cast<LPFNCANUNLOADNOW>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
        const HRESULT hr = fn ? fn() : E_FAIL;
        FreeLibrary(library);
        return hr;
    };
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        FakeServiceObject::ResetAll();
        {
            host::Control control;
            ASSERT_EQ(control.Create("OPOS.PINPad"), S_OK);
            int32_t rc = -1;
            ASSERT_EQ(control.Call("Open", &rc, "FAKE"), S_OK);
            EXPECT_EQ(rc, 0) << "the hidden window's class is there after a reload";
            EXPECT_EQ(canUnload(), S_FALSE);
        }
        EXPECT_EQ(canUnload(), S_OK);
        CoFreeUnusedLibraries();
    }
}

}  // namespace
}  // namespace orv::co::test
