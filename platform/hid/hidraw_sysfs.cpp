#include "hidraw_sysfs.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace orv::hid::hidraw {
namespace fs = std::filesystem;

namespace {

constexpr char kNodePrefix[] = "hidraw";

std::string EnvOr(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

std::optional<std::string> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A sysfs attribute: one line, the newline removed.
std::string ReadAttribute(const fs::path& path) {
    std::string text = ReadFile(path).value_or("");
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

std::optional<unsigned long> ParseHex(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 16);
    if (end == nullptr || *end != '\0') return std::nullopt;
    return value;
}

// hidrawN → N, or -1 for other names.
long NodeNumber(const std::string& name) {
    if (name.rfind(kNodePrefix, 0) != 0 || name.size() == sizeof(kNodePrefix) - 1) return -1;
    long n = 0;
    for (size_t i = sizeof(kNodePrefix) - 1; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || n > 1000000) return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// uevent lines "HID_ID=0003:00000C2E:00000B61", "HID_NAME=...", "HID_UNIQ=...".
void ReadUevent(const fs::path& hidDevice, NodeInfo& info, std::string& name, std::string& uniq) {
    std::istringstream lines(ReadFile(hidDevice / "uevent").value_or(""));
    for (std::string line; std::getline(lines, line);) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq), value = line.substr(eq + 1);
        if (key == "HID_NAME")
            name = value;
        else if (key == "HID_UNIQ")
            uniq = value;
        else if (key == "HID_ID") {
            // bus:vendor:product, each hexadecimal
            const auto first = value.find(':'), second = value.find(':', first + 1);
            if (first == std::string::npos || second == std::string::npos) continue;
            auto vendor = ParseHex(value.substr(first + 1, second - first - 1));
            auto product = ParseHex(value.substr(second + 1));
            if (!vendor || !product) continue;
            info.vendorId = USHORT(*vendor & 0xFFFF);
            info.productId = USHORT(*product & 0xFFFF);
            info.haveIds = true;
        }
    }
}

// The USB device a HID device hangs under (it has idVendor); empty for other buses.
fs::path UsbDeviceAbove(const fs::path& hidDevice, const fs::path& sysRoot) {
    std::error_code ec;
    const fs::path stop = fs::weakly_canonical(sysRoot, ec);
    for (fs::path dir = hidDevice.parent_path(); !dir.empty() && dir != dir.root_path();
         dir = dir.parent_path()) {
        if (dir == stop) break;
        if (fs::exists(dir / "idVendor", ec)) return dir;
    }
    return {};
}

}  // namespace

Roots Roots::FromEnvironment() {
    return {EnvOr("ORV_HID_SYSFS_ROOT", "/sys"), EnvOr("ORV_HID_DEV_ROOT", "/dev")};
}

std::optional<std::vector<std::string>> ListNodes(const Roots& roots) {
    std::error_code ec;
    fs::directory_iterator it(fs::path(roots.sys) / "class" / "hidraw", ec);
    if (ec) return std::nullopt;
    std::vector<std::pair<long, std::string>> nodes;
    for (const auto& entry : it) {
        const std::string name = entry.path().filename().string();
        if (const long n = NodeNumber(name); n >= 0) nodes.emplace_back(n, name);
    }
    std::sort(nodes.begin(), nodes.end());
    std::vector<std::string> names;
    names.reserve(nodes.size());
    for (auto& node : nodes) names.push_back(std::move(node.second));
    return names;
}

std::optional<NodeInfo> ReadNodeInfo(const Roots& roots, const std::string& name) {
    if (NodeNumber(name) < 0) return std::nullopt;
    std::error_code ec;
    const fs::path link = fs::path(roots.sys) / "class" / "hidraw" / name / "device";
    const fs::path hidDevice = fs::canonical(link, ec);
    if (ec) return std::nullopt;
    NodeInfo info;
    std::string hidName, hidUniq;
    ReadUevent(hidDevice, info, hidName, hidUniq);
    if (auto descriptor = ReadFile(hidDevice / "report_descriptor")) {
        info.reportDescriptor.assign(descriptor->begin(), descriptor->end());
        info.haveDescriptor = true;
    }
    if (const fs::path usb = UsbDeviceAbove(hidDevice, roots.sys); !usb.empty()) {
        info.product = ReadAttribute(usb / "product");
        info.serial = ReadAttribute(usb / "serial");
        info.version = USHORT(ParseHex(ReadAttribute(usb / "bcdDevice")).value_or(0) & 0xFFFF);
    } else {
        info.product = hidName;
        info.serial = hidUniq;
    }
    return info;
}

}  // namespace orv::hid::hidraw
