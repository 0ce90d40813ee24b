// CPinSO: the PIN pad service object (ProgID "ORVPin.so"), forwarding to jpos/PINPad.
#pragma once

#include <span>

#include "so_core/service_object.h"

namespace orv::so::pinpad {

// Identity, callback list and property tables of the PIN pad class.
extern const SoIdentity kIdentity;

class CPinSO final : public ServiceObject<CPinSO> {
public:
    CPinSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();

private:
    int32_t BeginEFTTransaction(const char* pinPadSystem, int32_t transactionHost);
    int32_t ComputeMAC(const char* inMsg, BSTR* outMsg);
    int32_t EnablePINEntry();
    int32_t EndEFTTransaction(int32_t completionCode);
    int32_t UpdateKey(int32_t keyNum, const char* key);
    int32_t VerifyMAC(const char* message);
    CY GetAmount();
    void SetAmount(CY amount);
};

}  // namespace orv::so::pinpad
