// FormatMessageA for system messages.
#include <cstring>

#include "platform/win32.h"
#include "system_messages.h"

namespace {

// The system table is English only: neutral and English language ids are served, as a Windows
// installation with only the English resources would.
bool LanguageAvailable(DWORD languageId) {
    const DWORD primary = languageId & 0x3FF;
    return primary == LANG_NEUTRAL || primary == LANG_ENGLISH;
}

}  // namespace

extern "C" {

ORV_API DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID /*source*/, DWORD messageId,
                                    DWORD languageId, LPSTR buffer, DWORD size,
                                    void* /*arguments*/) {
    if ((flags & FORMAT_MESSAGE_FROM_STRING) != 0) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return 0;
    }
    // Module message tables do not exist here; FROM_HMODULE | FROM_SYSTEM falls back to the
    // system table as Windows does when the module has no entry.
    if ((flags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || buffer == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool allocate = (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0;
    if (allocate) *reinterpret_cast<LPSTR*>(buffer) = nullptr;
    if (!LanguageAvailable(languageId)) {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return 0;
    }
    const char* text = orv::win32::SystemMessageText(messageId);
    if (text == nullptr) {
        SetLastError(ERROR_MR_MID_NOT_FOUND);
        return 0;
    }
    const size_t length = std::strlen(text);
    if (allocate) {
        // size is the least number of characters to allocate.
        const size_t bytes = length + 1 > size ? length + 1 : size;
        auto* copy = static_cast<LPSTR>(LocalAlloc(LMEM_FIXED, bytes));
        if (copy == nullptr) return 0;  // LocalAlloc has set the error
        std::memcpy(copy, text, length + 1);
        *reinterpret_cast<LPSTR*>(buffer) = copy;
    } else {
        if (size < length + 1) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, text, length + 1);
    }
    return static_cast<DWORD>(length);
}

}  // extern "C"
