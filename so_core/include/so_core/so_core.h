// SoCore: the automation surface every service object shares. OpenService and the common
// methods follow the method pattern (trace lines, Java lookup and call, fixed results), the four
// property operations run the device's tables and then the property-error step, and ResultCode,
// ResultCodeExtended and BinaryConversion live here.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>

#include "platform/com.h"
#include "so_core/co_dispatch_driver.h"
#include "so_core/event_registry.h"
#include "so_core/opos_jni.h"
#include "so_core/so_identity.h"

namespace orv::so {

class SoCore {
public:
    explicit SoCore(const SoIdentity& identity);
    ~SoCore();
    SoCore(const SoCore&) = delete;
    SoCore& operator=(const SoCore&) = delete;

    DWORD CreationError() const { return bridge_.CreationError(); }
    const SoIdentity& Identity() const { return identity_; }
    OposJNI& Bridge() { return bridge_; }
    CoDispatchDriver& Driver() { return *driver_; }

    int32_t OpenService(const char* deviceClass, const char* deviceName, IDispatch* control);
    int32_t Close();
    int32_t Claim(int32_t timeout);
    int32_t ClaimDevice(int32_t timeout);
    int32_t Release();
    int32_t ReleaseDevice();
    int32_t CheckHealth(int32_t level);
    int32_t ClearInput();
    int32_t DirectIO(int32_t command, int32_t* pData, BSTR* pString);
    int32_t COFreezeEvents(int32_t freeze);
    int32_t GetPropertyNumber(int32_t index);
    BSTR GetPropertyString(int32_t index);
    void SetPropertyNumber(int32_t index, int32_t number);
    void SetPropertyString(int32_t index, const char* text);
    // The classes whose SetPropertyString takes (long, long) or (long, BSTR) and does nothing.
    void IgnoreSetPropertyString(int32_t, int32_t) {}
    void IgnoreSetPropertyString(int32_t, const char*) {}
    int32_t CompareFirmwareVersion(const char* fileName, int32_t result);
    int32_t ResetStatistics(const char* buffer);
    int32_t RetrieveStatistics(BSTR* buffer);
    int32_t UpdateFirmware(const char* fileName);
    int32_t UpdateStatistics(const char* buffer);

    // ResultCode := code; returns code.
    int32_t RecordResult(int32_t code) { return resultCode_ = code; }
    int32_t ResultCode() const { return resultCode_; }
    int32_t BinaryConversion() const { return binaryConversion_; }

    // After a listed property row: a pending Java error becomes ResultCode and one SOError(code,
    // 0, 0, response 0) on the control.
    void ReportPropertyError();

    // A device method: no begin or success line, the given missing-method line and result 106,
    // 111 on an exception, else 0; the result is recorded.
    template <class Invoke, class OnSuccess>
    int32_t DeviceMethod(const char* missingLine, const char* name, const char* signature,
                         Invoke&& invoke, OnSuccess&& onSuccess) {
        const MethodTexts texts{nullptr, nullptr, missingLine, OPOS_E_ILLEGAL};
        return RecordResult(bridge_.CallMethod(texts, name, signature, std::forward<Invoke>(invoke),
                                               std::forward<OnSuccess>(onSuccess)));
    }
    template <class Invoke>
    int32_t DeviceMethod(const char* missingLine, const char* name, const char* signature,
                         Invoke&& invoke) {
        return DeviceMethod(missingLine, name, signature, std::forward<Invoke>(invoke), [](JNIEnv*) {});
    }

private:
    int32_t StringMethod(const MethodTexts& texts, const char* java, const char* text);
    int32_t CallClaim(int32_t timeout);
    int32_t CallRelease();
    // The statistics and firmware methods record their result only where the class says so.
    int32_t StatisticsResult(int32_t result) {
        return identity_.traits.recordsStatistics ? RecordResult(result) : result;
    }
    void Unregister();

    const SoIdentity& identity_;
    OposJNI bridge_;
    std::shared_ptr<CoDispatchDriver> driver_;
    bool registered_ = false;
    int32_t binaryConversion_ = 0;
    int32_t resultCode_ = 0;
    int32_t resultCodeExtended_ = 0;
};

}  // namespace orv::so
