// A fake PIN pad service object for the control tests ("OrvTest.FakePinSO"): the 27 members of
// the PIN pad service object in their dispatch order, each recording its call, a property store
// behind the four property calls and the amount, and the event callbacks a real service object
// makes (SOData, SODirectIO, SOError, SOStatusUpdate on the control's IDispatch, DISPIDs looked
// up at OpenService), which tests call from threads of their own.
//
// The test program links this library and the control loads it through COM: it is one module,
// so the test sees the instance the control created.
#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/dispatch_driver.h"
#include "platform/dispatch_map.h"

namespace orv::co::test {

inline constexpr const char* kFakeSoProgId = "OrvTest.FakePinSO";

// How the next objects behave (process-wide; reset between tests).
struct FakeSoConfig {
    std::string missingName;  // GetIDsOfNames refuses this name
    int32_t serviceObjectVersion = 1009000;
    int32_t openServiceResult = 0;
    int32_t errorOnGetNumber = -1;           // this index raises SOError on the calling thread
    std::map<std::string, int32_t> results;  // method name -> result (default 0)
    bool recordCalls = true;                 // off for benchmarks: the log would grow without end
};

class ORV_API FakeServiceObject final : public DispatchObject<FakeServiceObject> {
public:
    static HRESULT CreateInstance(REFIID riid, void** object);
    static std::span<const DispatchEntry> DispatchMembers();

    static void Configure(const FakeSoConfig& config);
    static void ResetAll();  // default config, empty call log
    // The live object created last (null when none is alive) and the number alive.
    static FakeServiceObject* Current();
    static int LiveCount();
    // Every call made on any instance, in order: "Claim(1000)", "GetPropertyNumber(8)", ...
    static std::vector<std::string> Calls();
    static void ClearCalls();
    static size_t CountCalls(const std::string& prefix);

    // The store behind the property calls.
    void SetNumber(int32_t index, int32_t value);
    void SetString(int32_t index, const std::string& value);
    int32_t Number(int32_t index) const;
    std::string String(int32_t index) const;

    // The IDispatch handed over at OpenService (null before it and after Close).
    IDispatch* ControlDispatch() const { return control_.load(); }
    // Runs inside the next member call with that name, after it has recorded itself.
    void DuringNextCall(const std::string& name, std::function<void()> action);

    // Events to the control, on the calling thread; false when no control is attached or the
    // call failed. By-reference values go in and come back as the application left them.
    bool RaiseData(int32_t status);
    bool RaiseStatusUpdate(int32_t data);
    bool RaiseDirectIO(int32_t eventNumber, int32_t* data, std::string* text);
    bool RaiseError(int32_t resultCode, int32_t extended, int32_t locus, int32_t* response);

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* dispids) override;

private:
    FakeServiceObject();
    ~FakeServiceObject() override;

    int32_t Record(const std::string& name, const std::string& args);

    int32_t BeginEFTTransaction(const char* system, int32_t host);
    int32_t ComputeMAC(const char* in, BSTR* out);
    int32_t EnablePINEntry();
    int32_t EndEFTTransaction(int32_t completion);
    int32_t UpdateKey(int32_t number, const char* key);
    int32_t VerifyMAC(const char* message);
    int32_t CheckHealth(int32_t level);
    int32_t Claim(int32_t timeout);
    int32_t ClearInput();
    int32_t Close();
    int32_t DirectIO(int32_t command, int32_t* data, BSTR* text);
    int32_t ReleaseMethod();
    int32_t GetPropertyNumber(int32_t index);
    BSTR GetPropertyString(int32_t index);
    void SetPropertyNumber(int32_t index, int32_t value);
    void SetPropertyString(int32_t index, const char* value);
    CY GetAmount();
    void SetAmount(CY amount);
    int32_t OpenService(const char* deviceClass, const char* deviceName, IDispatch* control);
    int32_t COFreezeEvents(int32_t freeze);
    int32_t ClaimDeviceMethod(int32_t timeout);
    int32_t ReleaseDeviceMethod();
    int32_t CompareFirmwareVersion(const char* file, int32_t result);
    int32_t ResetStatistics(const char* names);
    int32_t RetrieveStatistics(BSTR* buffer);
    int32_t UpdateFirmware(const char* file);
    int32_t UpdateStatistics(const char* assignments);

    const FakeSoConfig config_;
    std::atomic<IDispatch*> control_{nullptr};
    DISPID callbacks_[4] = {};  // SOData, SODirectIO, SOError, SOStatusUpdate
    mutable std::mutex mutex_;
    std::map<int32_t, int32_t> numbers_;
    std::map<int32_t, std::string> strings_;
    CY amount_{};
    std::map<std::string, std::function<void()>> hooks_;
};

}  // namespace orv::co::test
