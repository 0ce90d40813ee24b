// One open HID interface as a backend provides it. The public functions of hid.h look the handle
// up and call these; every result is a Win32 error code (ERROR_SUCCESS on success).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "input_queue.h"
#include "platform/hid.h"

namespace orv::hid {

class Interface {
public:
    virtual ~Interface() = default;

    virtual DWORD Attributes(HIDD_ATTRIBUTES& attributes) = 0;
    // The strings as the device reports them (UTF-16); ERROR_NOT_SUPPORTED when it has none.
    virtual DWORD ProductString(std::u16string& text) = 0;
    virtual DWORD SerialNumberString(std::u16string& text) = 0;
    virtual DWORD Caps(HIDP_CAPS& caps) = 0;
    virtual DWORD GetFeature(BYTE* buffer, ULONG length) = 0;
    virtual DWORD SetFeature(const BYTE* buffer, ULONG length) = 0;
    virtual DWORD Write(const BYTE* buffer, DWORD length, DWORD timeoutMs) = 0;
    // The queue reads take reports from; a backend may start feeding it on first use.
    virtual InputQueue* Input() = 0;
    // Ends the handle: stalled writes fail with ERROR_OPERATION_ABORTED, the queue closes.
    virtual void Close() = 0;
};

// Backends, chosen by the path prefix their lists give.
namespace sim {
constexpr const char kPathPrefix[] = "sim:";
std::vector<std::string> ListInterfaces();
std::unique_ptr<Interface> Open(const std::string& path, DWORD& error);
}  // namespace sim

namespace hidraw {
// ERROR_PATH_NOT_FOUND when there is no hidraw class folder.
DWORD ListInterfaces(std::vector<std::string>& paths);
std::unique_ptr<Interface> Open(const std::string& path, DWORD& error);
}  // namespace hidraw

// Shared checks of an output report in Windows form against the device's layout.
inline DWORD CheckOutputReport(const BYTE* buffer, DWORD length, USHORT outputLength,
                               bool usesReportIds) {
    if (buffer == nullptr || outputLength == 0 || length != outputLength)
        return ERROR_INVALID_PARAMETER;
    if (!usesReportIds && buffer[0] != 0) return ERROR_INVALID_PARAMETER;
    return ERROR_SUCCESS;
}

}  // namespace orv::hid
