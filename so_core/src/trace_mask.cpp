#include "so_core/trace_mask.h"

namespace orv::so {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string MaskAccountNumber(std::string_view text) {
    size_t digits = 0;
    for (char c : text)
        if (IsDigit(c)) ++digits;
    size_t keepFirst = 0;
    size_t keepLast = 0;
    if (digits >= 13) {
        keepFirst = 6;
        keepLast = 4;
    } else if (digits >= 10) {
        keepLast = 4;
    }
    std::string out(text);
    size_t position = 0;  // index among the digits
    for (char& c : out) {
        if (!IsDigit(c)) continue;
        const bool keep = position < keepFirst || position >= digits - keepLast;
        if (!keep) c = '*';
        ++position;
    }
    return out;
}

std::string MaskSecret(std::string_view text) { return std::string(text.size(), '*'); }

std::string ApplyMask(Mask mask, std::string_view text) {
    switch (mask) {
    case Mask::AccountNumber: return MaskAccountNumber(text);
    case Mask::Secret: return MaskSecret(text);
    case Mask::None: break;
    }
    return std::string(text);
}

}  // namespace orv::so
