// The conformance harness of controls: a control class hands over its descriptor, its dispatch
// map and a short table of its departures, and the harness sweeps them through COM, with the
// control created by ProgID and a service object built from the control's own list of
// service-object members (generic_so):
//
//   DispatchMap          every member at its position, as the written-out order says
//   ClosedAnswers        every member before Open: methods 101, numbers 0, strings "[Error]",
//                        writes ignored (each a departure from the table, if listed)
//   OpenFailures         109/403 missing key or value or too long a ProgID, 104/304 uncreatable
//                        ProgID, 305 each missing required name, 104/306 failing OpenService,
//                        106/306 empty name, 307 bad version, 301 already open
//   MembersReachTheServiceObject   each method reaches the service-object member of its name
//                        (or the one the core or the table names) and returns its result;
//                        a member with a fixed answer gives it without calling the service object
//   UnservedProperties   the properties the control answers itself: 0, ResultCode 106
//   EventsUseTheirDispids   each SO* call fires the event DISPID of its route (none without)
//   FreezeHoldsEvents    FreezeEvents (and the container's freeze, where it applies)
//
// A class's test source is one ControlClass table and ORV_CONTROL_CONFORMANCE(Name, table).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "co_core/control_descriptor.h"
#include "generic_service_object.h"
#include "host/apartment.h"
#include "host/control.h"
#include "platform/dispatch_map.h"

namespace orv::co::conformance {

struct ControlClass {
    const ControlDescriptor& descriptor;
    std::span<const DispatchEntry> members;  // the control's dispatch map
    const char* controlLibrary;              // "libPinpadControl.so", from the build's lib/
    // Every member name in DISPID order, written out: hosts call by these DISPIDs without
    // asking, so the list is the contract the dispatch map is held to.
    std::vector<const char*> order;
    // Members whose answer before Open is not the default (methods 101, numbers 0).
    std::vector<std::pair<const char*, int32_t>> closedAnswers = {};
    // Control members that call a service-object member of another name (besides the ones the
    // core routes: Claim, ClaimDevice, Release, ReleaseDevice, Close).
    std::vector<std::pair<const char*, const char*>> forwardedAs = {};
    // Members that answer a fixed value without the service object, open or closed.
    std::vector<std::pair<const char*, int32_t>> fixedAnswers = {};
    // Methods that return nothing (VT_EMPTY), open or closed.
    std::vector<const char*> returnsNothing = {};
    // Methods the control answers itself once open, without the service object, with their
    // result (which ResultCode then reads too): members a class does not have.
    std::vector<std::pair<const char*, int32_t>> ownAnswers = {};
    // Number properties the control answers itself once open (descriptor.unservedNumbers):
    // reads 0 and ResultCode 106, writes dropped, the service object never asked.
    std::vector<const char*> unserved = {};
};

class ControlEnvironment : public ::testing::Environment {
public:
    explicit ControlEnvironment(const ControlClass& c) : class_(c) {}
    void SetUp() override;
    void TearDown() override;

private:
    const ControlClass& class_;
    std::string folder_;
};

class ControlConformance : public ::testing::TestWithParam<const ControlClass*> {
protected:
    void SetUp() override;
    void TearDown() override;
    const ControlClass& C() const { return *GetParam(); }
    const ControlDescriptor& D() const { return GetParam()->descriptor; }
    // Configures the service object the next Open creates: the control's members, and changes.
    GenericSoConfig SoConfig() const;
    int32_t Open(const char* device);
    int32_t OpenResult();
    // Invokes a member with arguments found from its parameter types (long, long*, BSTR*, ...).
    HRESULT CallAny(const char* name, WORD flags, VARIANT* result);

    host::ComApartment com_;
    host::Control control_;
};

void PrintTo(const ControlClass* c, std::ostream* os);

}  // namespace orv::co::conformance

#define ORV_CONTROL_CONFORMANCE(Name, table)                                        \
    static const auto* const orv_control_conformance_env_##Name =                   \
        ::testing::AddGlobalTestEnvironment(                                        \
            new ::orv::co::conformance::ControlEnvironment(table));                 \
    INSTANTIATE_TEST_SUITE_P(Name, ControlConformance, ::testing::Values(&(table)), \
                             [](const auto&) { return std::string(#Name); })
