// The line display class's identity, callback list and property index tables. Besides the
// usual device (5001...) and capability (5501...) blocks it has two later blocks, 5600-5609
// and 5700-5702.
#include "line_so.h"

namespace orv::so::linedisplay {
namespace {

using NG = NumberGet;
using NS = NumberSet;
using SG = StringGet;

// An output-only device: no data, error or output-complete callbacks.
constexpr const char* kCallbacks[] = {"SODirectIO", "SOStatusUpdate"};

// ResultCode (6), ResultCodeExtended (7) and BinaryConversion (11) are served by the core.
// DataEventEnabled (2), OutputID (5), AutoDisable (10) and DataCount (12) are not served.
constexpr NumberGetRow kNumberGet[] = {
    {1, NG::Bool, "getClaimed"},
    {3, NG::Bool, "getDeviceEnabled"},
    {4, NG::Bool, "getFreezeEvents"},
    {8, NG::Int, "getDeviceServiceVersion"},
    {9, NG::Int, "getState"},
    {13, NG::Int, "getPowerNotify"},
    {14, NG::Int, "getPowerState"},
    {501, NG::Int, "getCapPowerReporting"},
    {801, NG::Bool, "getCapStatisticsReporting"},
    {802, NG::Bool, "getCapUpdateStatistics"},
    {901, NG::Bool, "getCapCompareFirmwareVersion"},
    {902, NG::Bool, "getCapUpdateFirmware"},
    {5001, NG::Int, "getCharacterSet"},
    {5002, NG::Int, "getColumns"},
    {5003, NG::Int, "getCurrentWindow"},
    {5004, NG::Int, "getCursorColumn"},
    {5005, NG::Int, "getCursorRow"},
    {5006, NG::Bool, "getCursorUpdate"},
    {5007, NG::Int, "getDeviceBrightness"},
    {5008, NG::Int, "getDeviceColumns"},
    {5009, NG::Int, "getDeviceDescriptors"},
    {5010, NG::Int, "getDeviceRows"},
    {5011, NG::Int, "getDeviceWindows"},
    {5012, NG::Int, "getInterCharacterWait"},
    {5013, NG::Int, "getMarqueeRepeatWait"},
    {5014, NG::Int, "getMarqueeType"},
    {5015, NG::Int, "getMarqueeUnitWait"},
    {5016, NG::Int, "getRows"},
    {5017, NG::Int, "getMarqueeFormat"},
    {5018, NG::Int, "getCursorType"},
    {5501, NG::Int, "getCapBlink"},
    {5502, NG::Bool, "getCapBrightness"},
    {5503, NG::Int, "getCapCharacterSet"},
    {5504, NG::Bool, "getCapDescriptors"},
    {5505, NG::Bool, "getCapHMarquee"},
    {5506, NG::Bool, "getCapICharWait"},
    {5507, NG::Bool, "getCapVMarquee"},
    {5508, NG::Bool, "getCapBitmap"},
    {5509, NG::Int, "getCapCursorType"},
    {5600, NG::Bool, "getCapCustomGlyph"},
    {5601, NG::Int, "getCapReadBack"},
    {5602, NG::Bool, "getCapScreenMode"},
    {5603, NG::Bool, "getCapBlinkRate"},
    {5604, NG::Bool, "getMapCharacterSet"},
    {5605, NG::Int, "getScreenMode"},
    {5606, NG::Int, "getGlyphHeight"},
    {5607, NG::Int, "getGlyphWidth"},
    {5608, NG::Int, "getMaximumX"},
    {5609, NG::Int, "getMaximumY"},
    {5700, NG::Int, "getCapReverse"},
    {5701, NG::Int, "getBlinkRate"},
    {5702, NG::Bool, "getCapMapCharacterSet"},
};

constexpr NumberSetRow kNumberSet[] = {
    {3, NS::Bool, "setDeviceEnabled"},
    {4, NS::Bool, "setFreezeEvents"},
    {13, NS::Int, "setPowerNotify"},
    {5001, NS::Int, "setCharacterSet"},
    {5003, NS::Int, "setCurrentWindow"},
    {5004, NS::Int, "setCursorColumn"},
    {5005, NS::Int, "setCursorRow"},
    {5006, NS::Bool, "setCursorUpdate"},
    {5007, NS::Int, "setDeviceBrightness"},
    {5012, NS::Int, "setInterCharacterWait"},
    // The JavaPOS setter of the property read through getMarqueeRepeatWait.
    {5013, NS::Int, "setMarqueeRepeatWait"},
    {5014, NS::Int, "setMarqueeType"},
    {5015, NS::Int, "setMarqueeUnitWait"},
    {5017, NS::Int, "setMarqueeFormat"},
    {5018, NS::Int, "setCursorType"},
    {5604, NS::Bool, "setMapCharacterSet"},
    {5605, NS::Int, "setScreenMode"},
    {5701, NS::Int, "setBlinkRate"},
};

constexpr StringGetRow kStringGet[] = {
    {1000001, SG::String, "getCheckHealthText"},
    {1000002, SG::String, "getPhysicalDeviceDescription"},
    {1000003, SG::String, "getPhysicalDeviceName"},
    {1000004, SG::String, "getDeviceServiceDescription", Mask::None, TextFix::JposToOpos},
    {1005001, SG::String, "getCharacterSetList"},
    {1005002, SG::String, "getCustomGlyphList"},
    {1005003, SG::String, "getScreenModeList"},
};

static_assert(RowsSorted<NumberGetRow>(kNumberGet) && RowsSorted<NumberSetRow>(kNumberSet) &&
              RowsSorted<StringGetRow>(kStringGet));

}  // namespace

const SoIdentity kIdentity{
    "CLineSO",
    "ORVLine.so",
    GUID_INIT(0x3B58F606, 0x8818, 0x4385, 0xA7, 0x14, 0x6A, 0xB3, 0x45, 0x45, 0x7B, 0xDF),
    "LineDisplay OPOS Service DLL",
    "LineDisplayso.log",
    "jpos/LineDisplay",
    kCallbacks,
    {kNumberGet, kNumberSet, kStringGet, {}},
    {
        .recordsStatistics = true,
        .recordsClaimDevice = false,
        // A refused property access has no other channel back to the application, and the
        // control takes no SOError: the Java error code becomes ResultCode.
        .propertyErrors = PropertyErrors::RecordOnly,
    },
};

}  // namespace orv::so::linedisplay
