// UTF-8 (sysfs files, simulated devices) to the UTF-16 strings HID string queries return.
#pragma once

#include <string>

namespace orv::hid {

std::u16string Utf8ToUtf16(const std::string& text);

}  // namespace orv::hid
