#include "report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace orv::hid {
namespace {

// Item prefixes: bits 0-1 size code, bits 2-3 type, bits 4-7 tag.
enum ItemType : uint8_t { kMain = 0, kGlobal = 1, kLocal = 2 };
enum MainTag : uint8_t {
    kInput = 0x8,
    kOutput = 0x9,
    kCollection = 0xA,
    kFeature = 0xB,
    kEndCollection = 0xC
};
enum GlobalTag : uint8_t {
    kUsagePage = 0x0,
    kReportSize = 0x7,
    kReportId = 0x8,
    kReportCount = 0x9,
    kPush = 0xA,
    kPop = 0xB
};
enum LocalTag : uint8_t { kUsage = 0x0 };

constexpr uint8_t kLongItem = 0xFE;
constexpr size_t kMaxPushDepth = 32;
// Longest report Windows can describe: the lengths are 16-bit and include the ID byte.
constexpr uint64_t kMaxReportBits = 65534ull * 8;

struct GlobalState {
    uint32_t usagePage = 0;
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

struct Parser {
    GlobalState global;
    std::vector<GlobalState> stack;
    std::optional<uint32_t> firstUsage;   // extended usage: page in the high 16 bits
    std::map<uint8_t, uint64_t> bits[3];  // input, output, feature: bits per report ID
    int depth = 0;
    bool haveTopLevel = false;
    ReportDescriptorInfo info;

    uint32_t extendedUsage(uint32_t value, size_t size) const {
        return size == 4 ? value : (global.usagePage << 16) | (value & 0xFFFF);
    }

    bool addReport(int kind) {
        uint64_t& total = bits[kind][global.reportId];
        total += uint64_t(global.reportSize) * global.reportCount;
        return total <= kMaxReportBits;
    }

    bool main(uint8_t tag) {
        switch (tag) {
            case kInput:
                if (!addReport(0)) return false;
                break;
            case kOutput:
                if (!addReport(1)) return false;
                break;
            case kFeature:
                if (!addReport(2)) return false;
                break;
            case kCollection:
                if (depth == 0 && !haveTopLevel) {
                    uint32_t usage = firstUsage.value_or(global.usagePage << 16);
                    info.caps.UsagePage = USAGE(usage >> 16);
                    info.caps.Usage = USAGE(usage & 0xFFFF);
                    haveTopLevel = true;
                }
                ++depth;
                ++info.caps.NumberLinkCollectionNodes;
                break;
            case kEndCollection:
                if (depth == 0) return false;
                --depth;
                break;
            default:
                break;  // reserved main items carry no report data
        }
        firstUsage.reset();  // local items apply to one main item
        return true;
    }

    bool globalItem(uint8_t tag, uint32_t value) {
        switch (tag) {
            case kUsagePage:
                global.usagePage = value & 0xFFFF;
                break;
            case kReportSize:
                global.reportSize = value;
                break;
            case kReportCount:
                global.reportCount = value;
                break;
            case kReportId:
                if (value == 0 || value > 0xFF) return false;
                global.reportId = uint8_t(value);
                info.usesReportIds = true;
                break;
            case kPush:
                if (stack.size() >= kMaxPushDepth) return false;
                stack.push_back(global);
                break;
            case kPop:
                if (stack.empty()) return false;
                global = stack.back();
                stack.pop_back();
                break;
            default:
                break;  // logical/physical ranges and units do not change lengths
        }
        return true;
    }

    void local(uint8_t tag, uint32_t value, size_t size) {
        if (tag == kUsage && !firstUsage) firstUsage = extendedUsage(value, size);
    }

    static USHORT length(const std::map<uint8_t, uint64_t>& reports) {
        uint64_t longest = 0;
        for (const auto& [id, count] : reports) longest = std::max(longest, (count + 7) / 8);
        return longest == 0 ? 0 : USHORT(longest + 1);
    }
};

}  // namespace

std::optional<ReportDescriptorInfo> ParseReportDescriptor(const uint8_t* data, size_t size) {
    if (data == nullptr && size != 0) return std::nullopt;
    Parser p;
    size_t i = 0;
    while (i < size) {
        const uint8_t prefix = data[i];
        if (prefix == kLongItem) {  // vendor long items carry nothing Windows reports
            if (size - i < 3 || size - i - 3 < data[i + 1]) return std::nullopt;
            i += 3 + data[i + 1];
            continue;
        }
        size_t itemSize = prefix & 3;
        if (itemSize == 3) itemSize = 4;
        if (size - i - 1 < itemSize) return std::nullopt;
        uint32_t value = 0;
        for (size_t b = 0; b < itemSize; ++b) value |= uint32_t(data[i + 1 + b]) << (8 * b);
        const uint8_t type = (prefix >> 2) & 3;
        const uint8_t tag = prefix >> 4;
        bool ok = true;
        if (type == kMain)
            ok = p.main(tag);
        else if (type == kGlobal)
            ok = p.globalItem(tag, value);
        else if (type == kLocal)
            p.local(tag, value, itemSize);
        if (!ok) return std::nullopt;
        i += 1 + itemSize;
    }
    if (p.depth != 0 || !p.haveTopLevel) return std::nullopt;
    p.info.caps.InputReportByteLength = Parser::length(p.bits[0]);
    p.info.caps.OutputReportByteLength = Parser::length(p.bits[1]);
    p.info.caps.FeatureReportByteLength = Parser::length(p.bits[2]);
    return p.info;
}

}  // namespace orv::hid
