// What tells one OPOS control apart from the others: its identity, the service object it looks
// for, the DISPIDs it calls there, its event routes and its few behavioural traits. Each
// control library fills one of these as a constant table; the core does the rest.
#pragma once

#include <array>
#include <cstddef>
#include <span>

#include "platform/com.h"
#include "platform/win32.h"

namespace orv::co {

// The events a control can fire; the order indexes ControlDescriptor::events. Output-complete
// events belong to the output classes only (a control without them leaves the route zero).
enum class EventKind : uint8_t {
    Data = 0,
    DirectIO = 1,
    Error = 2,
    StatusUpdate = 3,
    OutputComplete = 4
};
inline constexpr size_t kEventKinds = 5;

// How one event travels: the private window message that carries it to the owner thread and
// the DISPID it is fired with on the event interface. A zero message means the control has no
// such event.
struct EventRoute {
    UINT message;
    DISPID dispid;
};

// DISPIDs of the service-object methods the core itself calls (1-based positions in the
// service object's dispatch map). The device methods' DISPIDs sit in each control's own table.
struct SoDispids {
    DISPID openService;
    DISPID close;
    DISPID claim;          // called by Claim
    DISPID claimDevice;    // called by ClaimDevice (the same as claim in most controls)
    DISPID release;        // called by Release
    DISPID releaseDevice;  // called by ReleaseDevice
    DISPID getPropertyNumber;
    DISPID setPropertyNumber;
    DISPID getPropertyString;
    DISPID setPropertyString;
    DISPID coFreezeEvents;
};

// A service-object member the control calls and the DISPID it calls it by. Every control lists
// all of them, so a test can hold each against the service object's own GetIDsOfNames.
struct SoMember {
    const char* name;
    DISPID dispid;
};

// One entry of the control's string table.
struct StringResource {
    UINT id;
    const char* text;
};
inline constexpr UINT IDS_CONTROL_TYPENAME = 1;
inline constexpr UINT IDS_CONTROLOBJECTVERSION = 201;
inline constexpr UINT IDS_CONTROLOBJECTDESCRIPTION = 202;

// OLEMISC flags recorded for a control at registration.
inline constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
inline constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
inline constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
inline constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
inline constexpr DWORD OLEMISC_INVISIBLEATRUNTIME = 0x400;
inline constexpr DWORD OLEMISC_SIMPLEFRAME = 0x10000;
inline constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;
// What every control of the suite carries; some add flags of their own.
inline constexpr DWORD kControlOleMisc = OLEMISC_RECOMPOSEONRESIZE | OLEMISC_CANTLINKINSIDE |
                                         OLEMISC_INSIDEOUT | OLEMISC_INVISIBLEATRUNTIME |
                                         OLEMISC_SETCLIENTSITEFIRST;

struct ControlDescriptor {
    // COM identity.
    const char* progId;
    CLSID clsid;
    IID dispatchIid;
    const char* dispatchName;  // "_DPinpadControl"
    IID eventIid;
    const char* eventName;  // "_DPinpadControlEvents"
    GUID typeLib;           // recorded for hosts; there is no type library file here
    const char* typeLibVersion;
    DWORD oleMisc;
    std::span<const StringResource> strings;

    // OPOS.
    const char* deviceClass;  // OpenService argument 1
    const char* registryKey;  // under HKEY_LOCAL_MACHINE, the device name is appended
    // Names that must all exist on the service object; empty: no check at Open.
    std::span<const char* const> soMethodNames;
    std::span<const SoMember> soMembers;  // every SO DISPID the control uses, by name
    SoDispids so;
    std::array<EventRoute, kEventKinds> events;

    // Traits.
    bool containerFreeze;    // IOleControl::FreezeEvents reaches the service object
    bool freezeHoldsEvents;  // the FreezeEvents property also holds events in the control
    // Numeric property indexes (of properties the class does not have) the control answers itself
    // without asking the service object: reads give 0, writes are dropped, and ResultCode then
    // reads 106 until the next call reaches the service object. Empty: every index is forwarded.
    std::span<const int32_t> unservedNumbers = {};
    // Error events from other threads are posted, not sent: the sender waits at most
    // CFireEvent::kOneWayErrorWaitMs and the control fires its own copy of the fields later.
    bool errorEventOneWay = false;
    // With errorEventOneWay: written with OutputDebugStringA when an error message arrives.
    const char* errorEventDebugLine = nullptr;
};

// The text of a string resource; "" when the table has no such entry.
const char* LoadControlString(const ControlDescriptor& d, UINT id);

}  // namespace orv::co
