// BSTR allocation: [4-byte byte count][characters][2-byte zero], malloc'ed as one block so any
// module can free a BSTR that another allocated.
#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/oleauto.h"

namespace {

constexpr size_t kHeader = sizeof(uint32_t);
constexpr size_t kTerminator = sizeof(OLECHAR);
// Keeps header + data + terminator within what a 32-bit byte count can describe.
constexpr size_t kMaxBytes = std::numeric_limits<uint32_t>::max() - kHeader - kTerminator - 16;

// Allocates a BSTR of `bytes` data bytes; copies `data` when given, else leaves it undefined.
BSTR AllocBytes(const void* data, size_t bytes) {
    if (bytes > kMaxBytes) return nullptr;
    auto* block = static_cast<unsigned char*>(std::malloc(kHeader + bytes + kTerminator + 1));
    if (!block) return nullptr;
    const uint32_t count = static_cast<uint32_t>(bytes);
    std::memcpy(block, &count, sizeof count);
    if (data) std::memcpy(block + kHeader, data, bytes);
    // Zero terminator (plus one byte so odd byte lengths stay terminated as characters).
    std::memset(block + kHeader + bytes, 0, kTerminator + 1);
    return reinterpret_cast<BSTR>(block + kHeader);
}

unsigned char* BlockOf(BSTR b) { return reinterpret_cast<unsigned char*>(b) - kHeader; }

size_t Length(const OLECHAR* text) {
    size_t n = 0;
    while (text[n] != 0) ++n;
    return n;
}

}  // namespace

extern "C" {

BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    return AllocBytes(text, Length(text) * sizeof(OLECHAR));
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT cch) {
    if (static_cast<size_t>(cch) > kMaxBytes / sizeof(OLECHAR)) return nullptr;
    return AllocBytes(text, static_cast<size_t>(cch) * sizeof(OLECHAR));
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT cb) { return AllocBytes(bytes, cb); }

INT WINAPI SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT cch) {
    if (!bstr) return FALSE;
    BSTR fresh = SysAllocStringLen(text, cch);
    if (!fresh) return FALSE;
    SysFreeString(*bstr);
    *bstr = fresh;
    return TRUE;
}

INT WINAPI SysReAllocString(BSTR* bstr, const OLECHAR* text) {
    if (!bstr) return FALSE;
    if (!text) {
        SysFreeString(*bstr);
        *bstr = nullptr;
        return TRUE;
    }
    return SysReAllocStringLen(bstr, text, static_cast<UINT>(Length(text)));
}

void WINAPI SysFreeString(BSTR bstr) {
    if (bstr) std::free(BlockOf(bstr));
}

UINT WINAPI SysStringByteLen(BSTR bstr) {
    if (!bstr) return 0;
    uint32_t count;
    std::memcpy(&count, BlockOf(bstr), sizeof count);
    return count;
}

UINT WINAPI SysStringLen(BSTR bstr) { return SysStringByteLen(bstr) / sizeof(OLECHAR); }

}  // extern "C"
