#include "system_message.h"

#include "platform/win32.h"

namespace orv::hidport {

std::string SystemMessage(DWORD code) {
    LPSTR text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM,
        nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 0,
        nullptr);
    std::string message;
    if (length != 0 && text != nullptr) {
        message.assign(text, length);
        // The system text ends in "\r\n"; callers get it without.
        if (message.size() >= 2) message.resize(message.size() - 2);
    }
    if (text != nullptr) LocalFree(text);
    return message;
}

}  // namespace orv::hidport
