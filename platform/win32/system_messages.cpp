// English system texts of the Win32 error codes that the suite and this platform report.
// Texts with inserts (%1) are left out on purpose: nothing here formats arguments.
#include "system_messages.h"

#include <algorithm>
#include <iterator>

namespace orv::win32 {
namespace {

struct SystemMessage {
    DWORD code;
    const char* text;
};

// Sorted by code.
constexpr SystemMessage kSystemMessages[] = {
    {0, "The operation completed successfully.\r\n"},
    {1, "Incorrect function.\r\n"},
    {2, "The system cannot find the file specified.\r\n"},
    {3, "The system cannot find the path specified.\r\n"},
    {5, "Access is denied.\r\n"},
    {6, "The handle is invalid.\r\n"},
    {8, "Not enough memory resources are available to process this command.\r\n"},
    {14, "Not enough memory resources are available to complete this operation.\r\n"},
    {29, "The system cannot write to the specified device.\r\n"},
    {31, "A device attached to the system is not functioning.\r\n"},
    {32, "The process cannot access the file because it is being used by another process.\r\n"},
    {50, "The request is not supported.\r\n"},
    {87, "The parameter is incorrect.\r\n"},
    {122, "The data area passed to a system call is too small.\r\n"},
    {126, "The specified module could not be found.\r\n"},
    {127, "The specified procedure could not be found.\r\n"},
    {183, "Cannot create a file when that file already exists.\r\n"},
    {234, "More data is available.\r\n"},
    {259, "No more data is available.\r\n"},
    {995,
     "The I/O operation has been aborted because of either a thread exit or an application "
     "request.\r\n"},
    {996, "Overlapped I/O event is not in a signaled state.\r\n"},
    {997, "Overlapped I/O operation is in progress.\r\n"},
    {1004, "Invalid flags.\r\n"},
    {1009, "The configuration registry database is corrupt.\r\n"},
    {1010, "The configuration registry key is invalid.\r\n"},
    {1011, "The configuration registry key could not be opened.\r\n"},
    {1012, "The configuration registry key could not be read.\r\n"},
    {1013, "The configuration registry key could not be written.\r\n"},
    {1018, "Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {1020,
     "Cannot create a symbolic link in a registry key that already has subkeys or "
     "values.\r\n"},
    {1113, "No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {1167, "The device is not connected.\r\n"},
    {1359, "An internal error occurred.\r\n"},
    {1400, "Invalid window handle.\r\n"},
    {1410, "Class already exists.\r\n"},
    {1411, "Class does not exist.\r\n"},
    {1412, "Class still has open windows.\r\n"},
    {1413, "Invalid index.\r\n"},
    {1444, "Invalid thread identifier.\r\n"},
    {1460, "This operation returned because the timeout period expired.\r\n"},
    {1815, "The specified resource language ID cannot be found in the image file.\r\n"},
    {1816, "Not enough quota is available to process this command.\r\n"},
};

static_assert(std::is_sorted(std::begin(kSystemMessages), std::end(kSystemMessages),
                             [](const SystemMessage& a, const SystemMessage& b) {
                                 return a.code < b.code;
                             }),
              "kSystemMessages must stay sorted by code");

}  // namespace

const char* SystemMessageText(DWORD code) {
    const auto* end = std::end(kSystemMessages);
    const auto* it = std::lower_bound(
        std::begin(kSystemMessages), end, code,
        [](const SystemMessage& entry, DWORD wanted) { return entry.code < wanted; });
    return it != end && it->code == code ? it->text : nullptr;
}

}  // namespace orv::win32
