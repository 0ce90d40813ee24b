// CScannerSO: the scanner service object (ProgID "ORVScanner.so"), forwarding to jpos/Scanner.
#pragma once

#include <span>

#include "so_core/service_object.h"

namespace orv::so::scanner {

// Identity, callback list and property tables of the scanner class.
extern const SoIdentity kIdentity;

class CScannerSO final : public ServiceObject<CScannerSO> {
public:
    CScannerSO() : ServiceObject(kIdentity) {}
    static std::span<const DispatchEntry> DispatchMembers();

private:
    // The scanner's own DirectIO: command 1 sends bytes written as hexadecimal pairs, any other
    // command its text as it is. Never recorded; pData and pString are left alone.
    int32_t DirectIO(int32_t command, int32_t* pData, BSTR* pString);
};

}  // namespace orv::so::scanner
