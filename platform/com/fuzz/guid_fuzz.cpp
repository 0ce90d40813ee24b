// Fuzzes GUID text parsing in both entry points: a parse that succeeds must print back to the
// same text (ignoring case), and nothing may read past the input.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/com_ptr.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    GUID g;
    if (orv::GuidFromString(text, &g)) {
        const std::string back = orv::GuidToString(g);
        for (size_t i = 0; i < back.size(); ++i)
            if (std::toupper(static_cast<unsigned char>(text[i])) != back[i]) std::abort();
    }
    // The UTF-16 entry point reads up to the terminator: give it one.
    std::vector<OLECHAR> wide(size / 2 + 1, 0);
    for (size_t i = 0; i + 1 < size; i += 2) wide[i / 2] = static_cast<OLECHAR>(data[i] | (data[i + 1] << 8));
    GUID h;
    if (IIDFromString(wide.data(), &h) == S_OK) {
        OLECHAR out[CHARS_IN_GUID];
        if (StringFromGUID2(h, out, CHARS_IN_GUID) != CHARS_IN_GUID) std::abort();
    }
    return 0;
}
