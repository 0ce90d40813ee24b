#include "text.h"

#include "platform/win32.h"

namespace orv::hid {

std::u16string Utf8ToUtf16(const std::string& text) {
    if (text.empty()) return {};
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0);
    if (count <= 0) return {};
    std::u16string wide(size_t(count), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), int(text.size()), wide.data(), count);
    return wide;
}

}  // namespace orv::hid
