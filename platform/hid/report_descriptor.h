// HID report descriptor parser: the top-level collection's usage and the report lengths that
// Windows' HidP_GetCaps reports, computed from the descriptor bytes hidraw exposes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/hid.h"

namespace orv::hid {

struct ReportDescriptorInfo {
    HIDP_CAPS caps{};      // Usage, UsagePage, the three lengths, NumberLinkCollectionNodes
    bool usesReportIds{};  // some main item follows a Report ID item
};

// Parses a report descriptor. Usage page and usage are those of the first top-level collection;
// each report length is the longest report of its kind in bytes, plus the report ID byte
// (Windows counts it even on devices without report IDs), or 0 when there is no such report.
// Returns nothing for a malformed descriptor: a truncated item, a Report ID of 0, End Collection
// or Pop without a match, a collection left open, a report longer than 65,534 bytes, or no
// top-level collection at all.
std::optional<ReportDescriptorInfo> ParseReportDescriptor(const uint8_t* data, size_t size);

}  // namespace orv::hid
