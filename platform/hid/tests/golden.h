// Golden files of the HID tests: report descriptors as commented hex (".rdesc") and the
// capabilities Windows would report for them (".caps", one "Name=value" per line).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/hid.h"

namespace orv::hid::test {

inline std::string GoldenDir() {
    const char* dir = std::getenv("ORV_HID_GOLDEN_DIR");
    return dir != nullptr ? dir : "golden";
}

// Hex bytes, everything after '#' on a line ignored.
inline std::vector<uint8_t> ReadDescriptor(const std::string& name) {
    std::ifstream in(GoldenDir() + "/" + name + ".rdesc");
    std::vector<uint8_t> bytes;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        for (std::string word; words >> word;)
            bytes.push_back(uint8_t(std::stoul(word, nullptr, 16)));
    }
    return bytes;
}

inline std::string ReadCaps(const std::string& name) {
    std::ifstream in(GoldenDir() + "/" + name + ".caps");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string FormatCaps(const HIDP_CAPS& caps, bool usesReportIds) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "UsagePage=0x%04X\nUsage=0x%04X\nInputReportByteLength=%u\n"
                  "OutputReportByteLength=%u\nFeatureReportByteLength=%u\n"
                  "NumberLinkCollectionNodes=%u\nUsesReportIds=%d\n",
                  caps.UsagePage, caps.Usage, caps.InputReportByteLength,
                  caps.OutputReportByteLength, caps.FeatureReportByteLength,
                  caps.NumberLinkCollectionNodes, usesReportIds ? 1 : 0);
    return text;
}

inline const char* const kGoldenDescriptors[] = {"pos_scanner", "vendor_with_ids",
                                                 "vendor_without_ids"};

}  // namespace orv::hid::test
