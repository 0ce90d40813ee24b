// CToneSO: the tone indicator service object (ProgID "ORVTone.so"), forwarding to
// jpos/ToneIndicator. Output-complete events take the place of data events.
#pragma once

#include <span>

#include "so_core/service_object.h"

namespace orv::so::tone {

// Identity, callback list and property tables of the tone indicator class.
extern const SoIdentity kIdentity;

class CToneSO final : public ServiceObject<CToneSO> {
public:
    CToneSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();

private:
    int32_t ClearOutput();
    int32_t Sound(int32_t numberOfCycles, int32_t interSoundWait);
    int32_t SoundImmediate();
};

}  // namespace orv::so::tone
