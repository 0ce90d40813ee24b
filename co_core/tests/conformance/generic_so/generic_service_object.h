// A service object for any control ("OrvTest.ConformanceSO"): its members are the names and
// DISPIDs the control under test lists (ControlDescriptor::soMembers), so the control calls it
// exactly as it calls its real service object. Every call is recorded by name with its
// arguments; a property store stands behind Get/SetPropertyNumber/String; OpenService keeps the
// control's IDispatch (without a reference, as a real service object) and looks up its SO*
// callbacks, which tests call from threads of their own.
//
// The test program links this library and the control loads it through COM: one module, so the
// test sees the instance the control created.
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/dispatch_driver.h"
#include "platform/dispatch_map.h"

namespace orv::co::conformance {

inline constexpr const char* kGenericSoProgId = "OrvTest.ConformanceSO";

struct GenericSoMember {
    std::string name;
    DISPID dispid;
};

// How the next objects behave (process-wide).
struct GenericSoConfig {
    std::vector<GenericSoMember> members;
    std::string missingName;  // GetIDsOfNames refuses this name
    int32_t serviceObjectVersion = 1009000;
    int32_t openServiceResult = 0;
    std::map<std::string, int32_t> results;  // member name -> long result (default 0)
};

class ORV_API GenericServiceObject final : public DispatchObject<GenericServiceObject> {
public:
    static HRESULT CreateInstance(REFIID riid, void** object);
    static std::span<const DispatchEntry> DispatchMembers() { return {}; }

    static void Configure(const GenericSoConfig& config);
    static void ClearCalls();
    static GenericServiceObject* Current();  // the live object created last, or null
    static int LiveCount();
    // Every call on any instance, in order: "Claim(1000)", "SetPropertyNumber(4,1)", ...
    static std::vector<std::string> Calls();
    static size_t CountCalls(const std::string& prefix);

    IDispatch* ControlDispatch() const { return control_.load(); }
    // SO* calls to the control on the calling thread; false without a control or that callback.
    bool RaiseData(int32_t status);
    bool RaiseStatusUpdate(int32_t data);
    bool RaiseOutputComplete(int32_t outputId);
    bool RaiseDirectIO(int32_t number, int32_t* data, std::string* text);
    bool RaiseError(int32_t code, int32_t extended, int32_t locus, int32_t* response);

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excepInfo,
                                     UINT* argErr) override;

private:
    GenericServiceObject();
    ~GenericServiceObject() override;
    HRESULT Call(const std::string& name, std::vector<VARIANT*>& args, VARIANT* result);
    DISPID Callback(const char* name) const;

    const GenericSoConfig config_;
    std::atomic<IDispatch*> control_{nullptr};
    std::map<std::string, DISPID> callbacks_;
    std::mutex mutex_;
    std::map<int32_t, int32_t> numbers_;
    std::map<int32_t, std::string> strings_;
};

}  // namespace orv::co::conformance
