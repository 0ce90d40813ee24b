// CSigSO: the signature capture service object (ProgID "ORVSig.so"), forwarding to
// jpos/SignatureCapture.
#pragma once

#include <span>

#include "so_core/service_object.h"

namespace orv::so::sigcap {

// Identity, callback list and property tables of the signature capture class.
extern const SoIdentity kIdentity;

// Served by CSigSO itself rather than by a table row: the captured signature is read from
// Java at each access, never kept here.
inline constexpr int32_t PIDX_TotalPoints = 11003;
inline constexpr int32_t PIDX_RawData = 1011001;
inline constexpr int32_t PIDX_PointArray = 1011002;

class CSigSO final : public ServiceObject<CSigSO> {
public:
    CSigSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();

private:
    int32_t BeginCapture(const char* formName);
    int32_t EndCapture();
    int32_t NumberProperty(int32_t index);
    BSTR StringProperty(int32_t index);

    int32_t TotalPoints();
    BSTR PointArray();
    BSTR RawData();
};

}  // namespace orv::so::sigcap
