// A control object for service object tests: an IDispatch from a dispatch map whose SOData,
// SODirectIO, SOError and SOStatusUpdate record every call (arguments, thread, arrival time) and
// can write values back through the by-reference parameters. It also opens a service object as
// a PIN pad control does: ProgID from the OPOS device key, every method name checked, then
// OpenService with its own IDispatch.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "platform/dispatch_driver.h"
#include "platform/dispatch_map.h"

namespace orv::so::test {

struct ControlCall {
    std::string kind;  // "SOData", "SODirectIO", "SOError", "SOStatusUpdate", "SOOutputComplete"
    int32_t a = 0, b = 0, c = 0, d = 0;  // arguments in order (by-reference ones as read)
    std::string text;                    // SODirectIO's string
    std::thread::id thread;
    int64_t monotonicNanos = 0;          // CLOCK_MONOTONIC, comparable with System.nanoTime()
};

class RecordingControlBase {
public:
    // What the next callbacks write back (kept until changed).
    void WriteBackDirectIO(int32_t data, const std::string& text);
    void WriteBackErrorResponse(int32_t response);
    // Runs inside each callback, on the caller's thread, after it was recorded.
    void OnCall(std::function<void(const ControlCall&)> hook);

    std::vector<ControlCall> Calls() const;
    size_t Count(const std::string& kind = "") const;
    // Waits until at least n calls (of that kind, "" any) arrived; false on time-out.
    bool WaitFor(size_t n, const std::string& kind = "",
                 std::chrono::milliseconds timeout = std::chrono::seconds(10)) const;
    void Clear();

protected:
    void Record(ControlCall call);
    int32_t OnData(int32_t status);
    int32_t OnDirectIO(int32_t number, int32_t* data, BSTR* text);
    int32_t OnError(int32_t code, int32_t extended, int32_t locus, int32_t* response);
    int32_t OnStatusUpdate(int32_t data);
    int32_t OnOutputComplete(int32_t id);

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    std::vector<ControlCall> calls_;
    std::optional<int32_t> dioData_;
    std::optional<std::string> dioText_;
    std::optional<int32_t> errorResponse_;
    std::function<void(const ControlCall&)> hook_;
};

// withStatusUpdate false: a control that lacks SOStatusUpdate (OpenService must refuse it).
template <bool WithStatusUpdate>
class RecordingControlT final : public DispatchObject<RecordingControlT<WithStatusUpdate>>,
                                public RecordingControlBase {
public:
    static RecordingControlT* Create() { return new RecordingControlT; }
    static std::span<const DispatchEntry> DispatchMembers();
    ULONG References() const { return this->RefCount(); }

private:
    RecordingControlT() = default;
    int32_t SOData(int32_t status) { return OnData(status); }
    int32_t SODirectIO(int32_t number, int32_t* data, BSTR* text) { return OnDirectIO(number, data, text); }
    int32_t SOError(int32_t code, int32_t extended, int32_t locus, int32_t* response) {
        return OnError(code, extended, locus, response);
    }
    int32_t SOStatusUpdate(int32_t data) { return OnStatusUpdate(data); }
    int32_t SOOutputComplete(int32_t id) { return OnOutputComplete(id); }
};

using RecordingControl = RecordingControlT<true>;
using ControlWithoutStatusUpdate = RecordingControlT<false>;

// The service object as a control object sees it: created by ProgID, called by fixed DISPID.
class ServiceObjectClient {
public:
    // Reads HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\PINPad\<device> and creates the object.
    HRESULT Create(const std::string& device);
    HRESULT CreateByProgId(const char* progId);
    // GetIDsOfNames of every name of the PIN pad control's method table.
    bool HasEveryMethodName() const;
    IDispatch* Dispatch() const { return driver_.Dispatch(); }
    void Release() { driver_.ReleaseDispatch(); }
    DispatchDriver& Driver() { return driver_; }

    int32_t OpenService(const char* deviceName, IDispatch* control);
    int32_t Close();
    int32_t Claim(int32_t timeout);
    int32_t Release_();
    int32_t CheckHealth(int32_t level);
    int32_t ClearInput();
    int32_t DirectIO(int32_t command, int32_t* data, BSTR* text);
    int32_t COFreezeEvents(bool freeze);
    int32_t GetPropertyNumber(int32_t index);
    std::string GetPropertyString(int32_t index);
    void SetPropertyNumber(int32_t index, int32_t value);
    void SetPropertyString(int32_t index, const std::string& value);
    int64_t GetAmount();
    void SetAmount(int64_t amount);
    int32_t BeginEFTTransaction(const std::string& system, int32_t host);
    int32_t ComputeMAC(const std::string& in, BSTR* out);
    int32_t EnablePINEntry();
    int32_t EndEFTTransaction(int32_t code);
    int32_t UpdateKey(int32_t key, const std::string& value);
    bool VerifyMAC(const std::string& message);
    int32_t CompareFirmwareVersion(const std::string& file, int32_t result);
    int32_t ResetStatistics(const std::string& names);
    int32_t RetrieveStatistics(BSTR* buffer);
    int32_t UpdateFirmware(const std::string& file);
    int32_t UpdateStatistics(const std::string& names);

    HRESULT last = S_OK;  // HRESULT of the last call

private:
    DispatchDriver driver_;
};

// PIN pad service object DISPIDs: positions in its dispatch map.
namespace pin {
enum Dispid : DISPID {
    BeginEFTTransaction = 1, ComputeMAC, EnablePINEntry, EndEFTTransaction, UpdateKey, VerifyMAC,
    CheckHealth, Claim, ClearInput, Close, DirectIO, Release, GetPropertyNumber, GetPropertyString,
    SetPropertyNumber, SetPropertyString, GetAmount, SetAmount, OpenService, COFreezeEvents,
    ClaimDevice, ReleaseDevice, CompareFirmwareVersion, ResetStatistics, RetrieveStatistics,
    UpdateFirmware, UpdateStatistics,
};
// The names in dispatch-map order.
extern const char* const kMethodNames[27];
}  // namespace pin

int64_t MonotonicNanos();

}  // namespace orv::so::test
