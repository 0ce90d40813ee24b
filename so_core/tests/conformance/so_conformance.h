// The conformance harness of service objects: a device class hands over its tables (identity,
// dispatch order, device methods with their literal trace texts) and the harness sweeps them
// through COM against the simulated terminal, or against a generated jpos class that has only
// its constructor and open (the missing-method answers):
//
//   DispatchOrder      every name at its 1-based position, nothing past the end
//   OpenServiceWritesTheClassLines   its begin and end lines (traits), nothing else
//   PropertyRows       every listed row answers, traces its value and takes its own value back
//   PropertyFailures   a Java exception planted in each row's method: ResultCode, SOError by
//                      traits.propertyErrors, the exception's trace line
//   UnknownIndexes     -1 .. 2,000,000: every index near class bases and block edges plus a
//                      stride (or the whole range): 0 or the index, 106 or nothing, the
//                      "[Error: Automation?]" text, no Java call, no trace line
//   MethodsSucceed / MethodFailures / ClosedAnswers   the common and device methods: results,
//                      what they record, their trace texts
//   EventsFollowTheCallbackList   each kind of event raised on the device reaches the control
//                      only when its SO* name is in identity.callbacks
//   MissingMethods / MissingPropertyMethods   (bare class) the fixed results and lines
//
// A device's test source is one SoClass table and ORV_SO_CONFORMANCE(Name, table); its CMake
// line is orv_so_conformance(...) (see README.md).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/com.h"
#include "platform/dispatch_driver.h"
#include "so_core/so_identity.h"
#include "test_control.h"
#include "test_env.h"
#include "trace_reader.h"

namespace orv::so::conformance {

// The service object as a control sees it, every member called by the DISPID its name has.
class SoClient {
public:
    HRESULT Create(const char* progId) { return driver_.CreateDispatch(progId); }
    void Release() { driver_.ReleaseDispatch(); }
    IDispatch* Dispatch() const { return driver_.Dispatch(); }
    DISPID Id(const char* name) const;  // DISPID_UNKNOWN when absent

    // Calls a member by name; the HRESULT is kept in last. R: int32_t, BSTR, CY, bool or
    // std::nullptr_t for no result.
    template <class R, class... A>
    R Call(const char* name, A&&... args) {
        R r{};
        if constexpr (std::is_same_v<R, std::nullptr_t>)
            last = driver_.Call(Id(name), nullptr, std::forward<A>(args)...);
        else
            last = driver_.Call(Id(name), &r, std::forward<A>(args)...);
        return r;
    }
    int32_t Method(const char* name) { return Call<int32_t>(name); }
    template <class... A>
    int32_t Method(const char* name, A&&... args) {
        return Call<int32_t>(name, std::forward<A>(args)...);
    }

    int32_t OpenService(const char* deviceClass, const char* device, IDispatch* control);
    int32_t Number(int32_t index);
    std::string String(int32_t index);
    void SetNumber(int32_t index, int32_t value);
    void SetString(int32_t index, const std::string& value);
    int32_t ResultCode() { return Number(6); }

    HRESULT last = S_OK;

private:
    DispatchDriver driver_;
};

// A method of the class beyond the common ones (or a common one with texts of its own).
struct DeviceMethod {
    const char* name;                        // dispatch name
    std::function<int32_t(SoClient&)> call;  // calls it with harmless arguments
    const char* java;                        // the Java method it reaches
    const char* beginLine = nullptr;         // written before the Java call (null: none)
    const char* successLine = nullptr;       // written after it succeeded (null: none)
    bool records = true;                     // ResultCode follows its result
    int32_t failureResult = 111;             // its result when Java throws
    // Without the Java method (bare class): its result and the lines it adds, where a line
    // "NoSuchMethodError:<name>" stands for the VM's own wording of that error.
    int32_t missingResult = 106;
    std::vector<std::string> missingLines = {};
    bool callsWhenClosed = true;  // false: skipped by ClosedAnswers (result not a Java answer)
};

// What SetPropertyString is in the class's dispatch map.
enum class StringSetEntry : uint8_t { Rows, Ignored, IgnoredLong };

struct SoClass {
    const SoIdentity& identity;
    const char* serverLibrary;  // "libPinpadBridge.so", registered from the build's lib/
    const char* deviceClass;    // OpenService's device class and the OPOS registry class
    const char* device;         // a device name of the simulated terminal
    std::vector<const char*> dispatchOrder;  // every member name in DISPID order
    std::vector<DeviceMethod> deviceMethods;
    StringSetEntry stringSet = StringSetEntry::Rows;
    // Puts an open object into the state where every listed row can be read and written
    // back (claim, enable, ...); its result is checked to be 0.
    std::function<int32_t(SoClient&)> prepare;
    // Rows the write-back sweep leaves alone (a value that cannot be written in any state).
    std::vector<int32_t> noWriteBack = {};
    // Methods the simulated terminal refuses whatever the state (no such file, nothing to
    // update): MethodsSucceed leaves them out; the other sweeps still call them.
    std::vector<const char*> simulatorRefuses = {};
    // Numeric indexes outside the rows that the class serves itself (besides 6, 7, 11).
    std::vector<int32_t> localNumbers = {};
    // String indexes outside the rows that the class serves itself.
    std::vector<int32_t> localStrings = {};
    bool fullIndexSweep = false;  // every index of -1..2,000,000 instead of a sample
    // The lines a successful OpenService writes, written out (unset: as the traits say).
    std::optional<std::vector<std::string>> openLines = std::nullopt;
};

// The harness's private installation, set up once per test program for the class.
class SoEnvironment : public ::testing::Environment {
public:
    explicit SoEnvironment(const SoClass& c) : class_(c) {}
    void SetUp() override;
    void TearDown() override;
    static test::TestInstall& Install();

private:
    const SoClass& class_;
};

// True in the program whose CLASSPATH starts with the generated bare class.
bool BareJavaClass();

// The suites, parameterised by a class. A class's own tests may derive from them (and be
// instantiated with the same table); those of SoBareConformance run in the bare program.
class SoConformance : public ::testing::TestWithParam<const SoClass*> {
protected:
    void SetUp() override;
    void TearDown() override;
    const SoClass& C() const { return *GetParam(); }
    const SoIdentity& Id() const { return GetParam()->identity; }
    test::Trace ReadLive() const;
    size_t TraceLines() const { return ReadLive().lines.size(); }
    // The lines written since a count taken by TraceLines().
    std::vector<std::string> LinesSince(size_t count) const;
    std::string Sim(const std::string& command) const;
    // Marks ResultCode with a value no sweep produces: an unknown set gives 106 where that
    // records, else a failed Java getter is planted; against the bare class (nothing to plant)
    // a missing Claim records 102, or (when the next call is expected to give 102) ClearInput
    // 12 or a recording ResetStatistics 106.
    void MarkResultCode(int32_t avoid = 0);
    int32_t Marker() const { return marker_; }

    test::RecordingControl* control = nullptr;
    SoClient so;

private:
    int32_t marker_ = 0;
};
class SoBareConformance : public SoConformance {
protected:
    void SetUp() override;
};

void PrintTo(const SoClass* c, std::ostream* os);

// Trace helpers for a class's own tests beside the sweeps.
std::string Show(const std::vector<std::string>& lines);  // one bracketed line each
// Lines equal, where an expected "NoSuchMethodError:<name>" matches the VM's wording of it.
bool SameLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected);
// The trace line of a JposException planted with the simulator's "fail" command.
std::string PlantedLine(const std::string& java, const std::string& device, int code, int ext);

}  // namespace orv::so::conformance

#define ORV_SO_CONFORMANCE(Name, table)                                                        \
    static const auto* const orv_so_conformance_env_##Name =                                   \
        ::testing::AddGlobalTestEnvironment(new ::orv::so::conformance::SoEnvironment(table)); \
    INSTANTIATE_TEST_SUITE_P(Name, SoConformance, ::testing::Values(&(table)),                 \
                             [](const auto&) { return std::string(#Name); });                  \
    INSTANTIATE_TEST_SUITE_P(Name, SoBareConformance, ::testing::Values(&(table)),             \
                             [](const auto&) { return std::string(#Name); })
