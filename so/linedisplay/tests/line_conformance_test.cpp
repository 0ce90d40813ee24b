// The line display service object through the conformance harness: its tables, the display
// methods (results returned, not recorded; no trace text of their own) and defineGlyph, which
// returns nothing and records 0, 104 on a Java failure or 111 without its Java method.
#include <cstdio>
#include <filesystem>

#include "line_so.h"
#include "so_conformance.h"

namespace orv::so::conformance {
namespace {

// A display method: 111 when Java throws, its own result without the Java method, nothing
// recorded either way.
DeviceMethod Display(const char* name, std::function<int32_t(SoClient&)> call, const char* java,
                     int32_t missingResult, const char* missingName = nullptr) {
    return {name,
            std::move(call),
            java,
            nullptr,
            nullptr,
            false,
            111,
            missingResult,
            {std::string("Failed to get Method ID for ") + (missingName ? missingName : name),
             std::string("NoSuchMethodError:") + java}};
}

// A file the simulated display accepts as a bitmap (it checks only that the file exists).
std::string BitmapFile() {
    static const std::string path = [] {
        const std::filesystem::path p =
            std::filesystem::temp_directory_path() / "orv_line_conformance.bmp";
        if (FILE* f = std::fopen(p.c_str(), "wb")) {
            std::fputs("BM", f);
            std::fclose(f);
        }
        return p.string();
    }();
    return path;
}

constexpr int32_t kAsIs = -11, kCenter = -2;  // bitmap width and alignment
constexpr int32_t kScreenMode = 5605;

const SoClass kLineDisplay{
    .identity = linedisplay::kIdentity,
    .serverLibrary = "libDisplayBridge.so",
    .deviceClass = "LineDisplay",
    .device = "L1",
    .dispatchOrder = {"GetPropertyNumber",
                      "SetPropertyNumber",
                      "SetPropertyString",
                      "OpenService",
                      "Close",
                      "Claim",
                      "Release",
                      "CheckHealth",
                      "DirectIO",
                      "ClearText",
                      "DisplayText",
                      "COFreezeEvents",
                      "GetPropertyString",
                      "DisplayTextAt",
                      "ScrollText",
                      "ClearDescriptors",
                      "SetDescriptor",
                      "CreateWindow",
                      "DestroyWindow",
                      "RefreshWindow",
                      "ReadCharacterAtCursor",
                      "DisplayBitmap",
                      "SetBitmap",
                      "defineGlyph",
                      "ClaimDevice",
                      "ReleaseDevice",
                      "ResetStatistics",
                      "RetrieveStatistics",
                      "UpdateFirmware",
                      "UpdateStatistics",
                      "CompareFirmwareVersion"},
    // In this order: DestroyWindow destroys the window CreateWindow made current.
    .deviceMethods =
        {
            Display(
                "ClearText", [](SoClient& s) { return s.Method("ClearText"); }, "clearText",
                linedisplay::kMissingNoArgs),
            Display(
                "DisplayText", [](SoClient& s) { return s.Method("DisplayText", "x", 0); },
                "displayText", 111),
            Display(
                "DisplayTextAt",
                [](SoClient& s) { return s.Method("DisplayTextAt", 0, 0, "x", 0); },
                "displayTextAt", 111),
            Display(
                "ScrollText", [](SoClient& s) { return s.Method("ScrollText", 1, 1); },
                "scrollText", 111),
            Display(
                "ClearDescriptors", [](SoClient& s) { return s.Method("ClearDescriptors"); },
                "clearDescriptors", linedisplay::kMissingNoArgs),
            Display(
                "SetDescriptor", [](SoClient& s) { return s.Method("SetDescriptor", 0, 1); },
                "setDescriptor", 111),
            Display(
                "CreateWindow",
                [](SoClient& s) { return s.Method("CreateWindow", 0, 0, 1, 1, 1, 1); },
                "createWindow", 111),
            Display(
                "DestroyWindow", [](SoClient& s) { return s.Method("DestroyWindow"); },
                "destroyWindow", linedisplay::kMissingNoArgs, "LineDestroyWindow"),
            Display(
                "RefreshWindow", [](SoClient& s) { return s.Method("RefreshWindow", 0); },
                "refreshWindow", 111),
            Display(
                "ReadCharacterAtCursor",
                [](SoClient& s) { return s.Method("ReadCharacterAtCursor", 0); },
                "readCharacterAtCursor", 111),
            Display(
                "DisplayBitmap",
                [](SoClient& s) {
                    return s.Method("DisplayBitmap", BitmapFile(), kAsIs, kCenter, kCenter);
                },
                "displayBitmap", 111),
            Display(
                "SetBitmap",
                [](SoClient& s) {
                    return s.Method("SetBitmap", 1, BitmapFile(), kAsIs, kCenter, kCenter);
                },
                "setBitmap", 111),
            // Returns nothing: what it did is in ResultCode.
            {"defineGlyph",
             [](SoClient& s) {
                 s.Call<std::nullptr_t>("defineGlyph", 0xE0, 0);
                 return s.ResultCode();
             },
             "defineGlyph",
             nullptr,
             nullptr,
             true,
             104,
             111,
             {"Failed to get Method ID for defineGlyph", "NoSuchMethodError:defineGlyph"}},
        },
    .stringSet = StringSetEntry::Ignored,
    .prepare =
        [](SoClient& s) {
            const int32_t claimed = s.Method("Claim", 1000);
            s.SetNumber(PIDX_DeviceEnabled, 1);
            return claimed != 0 ? claimed : s.ResultCode();
        },
    // Both fixed while enabled, and enabling needs a claim.
    .noWriteBack = {PIDX_PowerNotify, kScreenMode},
    .simulatorRefuses = {"CompareFirmwareVersion", "UpdateFirmware", "UpdateStatistics"},
};

}  // namespace

ORV_SO_CONFORMANCE(LineDisplay, kLineDisplay);

}  // namespace orv::so::conformance
