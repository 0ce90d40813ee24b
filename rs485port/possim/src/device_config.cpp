// ORV_POSS_DEVICES: "slot:port:device=address[:echo][:offline]", entries separated by ',' or ';'.
#include <cstdlib>

#include "sim_state.h"

namespace orv::possim {
namespace {

bool Number(const std::string& text, int base, unsigned long max, unsigned long& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, base);
    return end != nullptr && *end == '\0' && value <= max && text[0] != '-';
}

std::vector<std::string> Split(const std::string& text, const std::string& separators) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find_first_of(separators, start);
        parts.push_back(text.substr(start, end - start));
        if (end == std::string::npos) return parts;
        start = end + 1;
    }
}

}  // namespace

std::vector<TerminalConfig> ParseDeviceList(const std::string& text) {
    std::vector<TerminalConfig> terminals;
    for (const std::string& entry : Split(text, ",;")) {
        const size_t equals = entry.find('=');
        if (equals == std::string::npos) continue;
        const std::vector<std::string> numbers = Split(entry.substr(0, equals), ":");
        const std::vector<std::string> rest = Split(entry.substr(equals + 1), ":");
        unsigned long slot = 0, port = 0, number = 0, address = 0;
        if (numbers.size() != 3 || !Number(numbers[0], 10, 0xFFFF, slot) ||
            !Number(numbers[1], 10, 0xFFFF, port) || !Number(numbers[2], 10, 0xFFFF, number) ||
            !Number(rest[0], 16, 0xFF, address) || slot == 0 || port == 0 || number == 0)
            continue;
        TerminalConfig config;
        config.slot = uint16_t(slot);
        config.port = uint16_t(port);
        config.number = uint16_t(number);
        config.address = uint8_t(address);
        for (size_t i = 1; i < rest.size(); ++i) {
            if (rest[i] == "echo") config.echo = true;
            if (rest[i] == "offline") config.online = false;
        }
        terminals.push_back(config);
    }
    return terminals;
}

}  // namespace orv::possim
