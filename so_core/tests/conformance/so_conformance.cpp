#include "so_conformance.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "jvm_access.h"
#include "platform/com_ptr.h"
#include "platform/opos.h"

namespace orv::so::conformance {

using test::ControlCall;
using test::ReadTrace;
using test::Trace;

// ---------------------------------------------------------------- client

DISPID SoClient::Id(const char* name) const {
    DISPID id = DISPID_UNKNOWN;
    if (FAILED(driver_.GetDispId(name, &id))) return DISPID_UNKNOWN;
    return id;
}

int32_t SoClient::OpenService(const char* deviceClass, const char* device, IDispatch* control) {
    return Call<int32_t>("OpenService", deviceClass, device, control);
}

int32_t SoClient::Number(int32_t index) {
    return Call<int32_t>("GetPropertyNumber", index);
}

std::string SoClient::String(int32_t index) {
    BSTR b = Call<BSTR>("GetPropertyString", index);
    std::string s = AnsiFromBstr(b);
    SysFreeString(b);
    return s;
}

void SoClient::SetNumber(int32_t index, int32_t value) {
    Call<std::nullptr_t>("SetPropertyNumber", index, value);
}

void SoClient::SetString(int32_t index, const std::string& value) {
    Call<std::nullptr_t>("SetPropertyString", index, value);
}

// ---------------------------------------------------------------- installation

namespace {
std::unique_ptr<test::TestInstall>& InstallSlot() {
    static std::unique_ptr<test::TestInstall> install;
    return install;
}
}  // namespace

void SoEnvironment::SetUp() {
    InstallSlot() = std::make_unique<test::TestInstall>(
        std::vector<std::filesystem::path>{test::BuildDir() / "lib" / class_.serverLibrary});
    test::TestInstall::SetString(std::string("SOFTWARE\\OLEforRetail\\ServiceOPOS\\") +
                                     class_.deviceClass + "\\" + class_.device,
                                 nullptr, class_.identity.progId);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
}

void SoEnvironment::TearDown() {
    CoUninitialize();
    InstallSlot().reset();
}

test::TestInstall& SoEnvironment::Install() {
    return *InstallSlot();
}

bool BareJavaClass() {
    const char* v = std::getenv("ORV_CONFORMANCE_JAVA");
    return v && std::string(v) == "bare";
}

void PrintTo(const SoClass* c, std::ostream* os) {
    *os << c->identity.className;
}

// ---------------------------------------------------------------- fixture

void SoConformance::SetUp() {
    if (BareJavaClass()) GTEST_SKIP() << "runs against the simulated terminal";
    control = test::RecordingControl::Create();
    ASSERT_EQ(so.Create(Id().progId), S_OK);
    ASSERT_EQ(so.OpenService(C().deviceClass, C().device, control), 0);
    if (C().prepare) {
        ASSERT_EQ(C().prepare(so), 0);
    }
}

void SoBareConformance::SetUp() {
    if (!BareJavaClass()) GTEST_SKIP() << "runs against the bare Java class";
    control = test::RecordingControl::Create();
    ASSERT_EQ(so.Create(Id().progId), S_OK);
    ASSERT_EQ(so.OpenService(C().deviceClass, C().device, control), 0);
}

void SoConformance::TearDown() {
    if (!control) return;  // skipped in this program
    if (!BareJavaClass()) Sim(std::string("unfail ") + C().device);
    if (so.Dispatch()) {
        so.Method("Close");
        so.Release();
    }
    if (control) control->Release();
}

Trace SoConformance::ReadLive() const {
    return ReadTrace(SoEnvironment::Install().TracePath(Id().logFileName));
}

std::vector<std::string> SoConformance::LinesSince(size_t count) const {
    const Trace t = ReadLive();
    if (t.lines.size() < count) return {"<trace shrank>"};
    return {t.lines.begin() + static_cast<std::ptrdiff_t>(count), t.lines.end()};
}

std::string SoConformance::Sim(const std::string& command) const {
    const std::string answer = test::Sim(command);
    EXPECT_EQ(answer.substr(0, 2), "OK") << command << " -> " << answer;
    return answer;
}

namespace {
bool Listed(const SoClass& c, const char* name);
}  // namespace

void SoConformance::MarkResultCode(int32_t avoid) {
    if (Id().traits.unknownNumberSet == UnknownNumberSet::RecordIllegal) {
        so.SetNumber(-1, 0);
        marker_ = OPOS_E_ILLEGAL;
    } else if (C().stringSet == StringSetEntry::Rows) {
        so.SetString(-1, "");
        marker_ = OPOS_E_ILLEGAL;
    } else if (BareJavaClass()) {
        if (avoid != OPOS_E_CLAIMED) {
            so.Method("Claim", 0);
            marker_ = OPOS_E_CLAIMED;
        } else if (Listed(C(), "ClearInput")) {
            so.Method("ClearInput");
            marker_ = kClearInputMissingResult;
        } else {
            ASSERT_TRUE(Id().traits.recordsStatistics && Listed(C(), "ResetStatistics"))
                << "no second marker for this class";
            so.Method("ResetStatistics", "");
            marker_ = OPOS_E_ILLEGAL;
        }
    } else {
        // No unknown set records: a planted failure of a number getter records its code.
        const NumberGetRow* row = nullptr;
        for (const NumberGetRow& r : Id().properties.numberGet)
            if (r.kind != NumberGet::Constant && !row) row = &r;
        ASSERT_NE(row, nullptr) << "the class has no Java number getter to mark with";
        Sim(std::string("fail ") + C().device + " " + row->java + " 113 0 once");
        so.Number(row->index);
        control->Clear();  // its SOError is not what a sweep counts
        marker_ = OPOS_E_BUSY;
    }
    ASSERT_EQ(so.ResultCode(), marker_);
}

std::string Show(const std::vector<std::string>& lines) {
    std::string out;
    for (const auto& l : lines) out += "\n  [" + l + "]";
    return out;
}

// The trace line of a JposException planted through the simulator.
std::string PlantedLine(const std::string& java, const std::string& device, int code, int ext) {
    return "jpos.JposException: Simulated failure of " + java + " on " + device + " (ErrorCode " +
           std::to_string(code) + ", ErrorCodeExtended " + std::to_string(ext) + ")";
}

namespace {

constexpr const char* kNoSuchMethod = "JavaException: java.lang.NoSuchMethodError: ";

}  // namespace

bool SameLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
    if (actual.size() != expected.size()) return false;
    for (size_t i = 0; i < actual.size(); ++i) {
        const std::string marker = "NoSuchMethodError:";
        if (expected[i].rfind(marker, 0) == 0) {
            const std::string name = expected[i].substr(marker.size());
            if (actual[i].rfind(kNoSuchMethod, 0) != 0 || actual[i].find(name) == std::string::npos)
                return false;
        } else if (actual[i] != expected[i]) {
            return false;
        }
    }
    return true;
}

namespace {

bool Listed(const SoClass& c, const char* name) {
    for (const char* n : c.dispatchOrder)
        if (std::string_view(n) == name) return true;
    return false;
}

// The common methods with the core's texts, as far as the class has them.
std::vector<DeviceMethod> CommonMethods(const SoClass& c) {
    const SoTraits& t = c.identity.traits;
    std::vector<DeviceMethod> all = {
        {"Claim",
         [](SoClient& s) { return s.Method("Claim", 1000); },
         "claim",
         "Begin claiming",
         "Claim is successfully done",
         true,
         111,
         OPOS_E_CLAIMED,
         {"Begin claiming", "Failed to get Method ID for claim", "NoSuchMethodError:claim"}},
        {"ClaimDevice",
         [](SoClient& s) { return s.Method("ClaimDevice", 1000); },
         "claim",
         "Begin claiming",
         "Claim is successfully done",
         t.recordsClaimDevice,
         111,
         OPOS_E_CLAIMED,
         {"Begin claiming", "Failed to get Method ID for claim", "NoSuchMethodError:claim"}},
        {"Release",
         [](SoClient& s) { return s.Method("Release"); },
         "release",
         "Begin Releasing device",
         "Release is successfully done",
         true,
         111,
         OPOS_E_FAILURE,
         {"Begin Releasing device", "Failed to get Method ID for release",
          "NoSuchMethodError:release"}},
        {"ReleaseDevice",
         [](SoClient& s) { return s.Method("ReleaseDevice"); },
         "release",
         "Begin Releasing device",
         "Release is successfully done",
         t.recordsClaimDevice,
         111,
         OPOS_E_FAILURE,
         {"Begin Releasing device", "Failed to get Method ID for release",
          "NoSuchMethodError:release"}},
        {"CheckHealth",
         [](SoClient& s) { return s.Method("CheckHealth", 1); },
         "checkHealth",
         "Begin checking health",
         "Check Health is successfully done",
         true,
         111,
         OPOS_E_FAILURE,
         {"Begin checking health", "NoSuchMethodError:checkHealth"}},
        {"ClearInput",
         [](SoClient& s) { return s.Method("ClearInput"); },
         "clearInput",
         "Begin clearing input",
         "Clear Input is successfully done",
         true,
         111,
         kClearInputMissingResult,
         {"Begin clearing input", "Failed to get Method ID for ClearInput",
          "NoSuchMethodError:clearInput"}},
        {"DirectIO",
         [](SoClient& s) {
             int32_t data = 0;
             BSTR text = nullptr;
             const int32_t r = s.Method("DirectIO", 15, &data, &text);
             SysFreeString(text);
             return r;
         },
         "directIO",
         nullptr,
         nullptr,
         true,
         111,
         OPOS_E_FAILURE,
         {"Failed to get Method ID for DirectIO ", "NoSuchMethodError:directIO"}},
    };
    const bool stats = t.recordsStatistics;
    auto statistics = [&](const char* name, const char* java, const char* begin,
                          const char* success, const char* missingName,
                          std::function<int32_t(SoClient&)> call) {
        all.push_back({name,
                       std::move(call),
                       java,
                       begin,
                       success,
                       stats,
                       111,
                       OPOS_E_ILLEGAL,
                       {begin, std::string("Failed to get Method ID for ") + missingName,
                        std::string("NoSuchMethodError:") + java}});
    };
    statistics("CompareFirmwareVersion", "compareFirmwareVersion",
               "OposJNI Begin Compare Firmware Version...", "CompareFirmwareVersion successful.",
               "CompareFirmwareVersion",
               [](SoClient& s) { return s.Method("CompareFirmwareVersion", "fw.bin", 0); });
    statistics("ResetStatistics", "resetStatistics", "OposJNI Begin reset statistics...",
               "ResetStatistics successful.", "ResetStatistics",
               [](SoClient& s) { return s.Method("ResetStatistics", ""); });
    statistics("RetrieveStatistics", "retrieveStatistics", "OposJNI Begin retrieve statistics...",
               "RetrieveStatistics successful.", "RetrieveStatistics", [](SoClient& s) {
                   BSTR b = BstrFromAnsi("");
                   const int32_t r = s.Method("RetrieveStatistics", &b);
                   SysFreeString(b);
                   return r;
               });
    statistics("UpdateFirmware", "updateFirmware", "OposJNI Begin update firmware...",
               "UpdateFirmware successful.", "UpdateFirmware",
               [](SoClient& s) { return s.Method("UpdateFirmware", "fw.bin"); });
    statistics("UpdateStatistics", "updateStatistics", "OposJNI Begin update statistics...",
               "UpdateStatistics successful.", "UpdateStatistics",
               [](SoClient& s) { return s.Method("UpdateStatistics", ""); });
    std::vector<DeviceMethod> out;
    for (auto& m : all)
        if (Listed(c, m.name)) out.push_back(std::move(m));
    return out;
}

// Common methods first, then the class's own (which may replace a common one by name).
std::vector<DeviceMethod> AllMethods(const SoClass& c) {
    std::vector<DeviceMethod> out;
    for (auto& m : CommonMethods(c)) {
        bool replaced = false;
        for (const auto& d : c.deviceMethods) replaced |= std::string_view(d.name) == m.name;
        if (!replaced) out.push_back(std::move(m));
    }
    out.insert(out.end(), c.deviceMethods.begin(), c.deviceMethods.end());
    return out;
}

bool IsCoreNumber(int32_t index) {
    return index == PIDX_ResultCode || index == PIDX_ResultCodeExtended ||
           index == PIDX_BinaryConversion;
}

}  // namespace

// ---------------------------------------------------------------- sweeps

TEST_P(SoConformance, DispatchOrder) {
    const auto& names = C().dispatchOrder;
    for (size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(so.Id(names[i]), static_cast<DISPID>(i + 1)) << names[i];
    std::string lower = names.front();
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    EXPECT_EQ(so.Id(lower.c_str()), 1) << "names ignore case";
    EXPECT_EQ(so.Id("NoSuchMember"), DISPID_UNKNOWN);
    for (DISPID id : {DISPID(0), DISPID(-5), static_cast<DISPID>(names.size() + 1)}) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        EXPECT_EQ(so.Dispatch()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                                        nullptr),
                  DISP_E_MEMBERNOTFOUND)
            << id;
    }
    // Every callback the class looks up is one the harness's control records.
    const std::set<std::string> known = {"SOData", "SODirectIO", "SOError", "SOStatusUpdate",
                                         "SOOutputComplete"};
    for (const char* cb : Id().callbacks) EXPECT_TRUE(known.count(cb)) << cb;
}

// OpenService writes the class's own lines and nothing else on success (a fresh object: the
// process holds one at a time).
TEST_P(SoConformance, OpenServiceWritesTheClassLines) {
    ASSERT_EQ(so.Method("Close"), 0);
    so.Release();
    ASSERT_EQ(so.Create(Id().progId), S_OK);
    const size_t before = TraceLines();
    EXPECT_EQ(so.OpenService(C().deviceClass, C().device, control), 0);
    const std::vector<std::string> lines = LinesSince(before);
    std::vector<std::string> expected;
    if (C().openLines) {
        expected = *C().openLines;
    } else {
        if (Id().traits.openBeginLine) expected.push_back(Id().traits.openBeginLine);
        if (Id().traits.openEndLine) expected.push_back(Id().traits.openEndLine);
    }
    EXPECT_EQ(lines, expected) << Show(lines);
}

TEST_P(SoConformance, PropertyRowsAnswerAndTraceTheirValues) {
    const PropertyTables& p = Id().properties;
    for (const NumberGetRow& row : p.numberGet) {
        SCOPED_TRACE(row.index);
        const size_t before = TraceLines();
        const int32_t value = so.Number(row.index);
        ASSERT_EQ(so.last, S_OK);
        const std::vector<std::string> lines = LinesSince(before);
        const std::string java = row.java ? row.java : "";
        switch (row.kind) {
            case NumberGet::Constant:
                EXPECT_EQ(value, row.constant);
                EXPECT_TRUE(lines.empty()) << Show(lines);
                break;
            case NumberGet::Bool:
                EXPECT_TRUE(value == 0 || value == 1) << value;
                EXPECT_EQ(lines,
                          (std::vector<std::string>{
                              java + " property",
                              "Get BOOL: " + java + " property returns " + std::to_string(value),
                              java + " property is done"}));
                break;
            case NumberGet::Int:
                EXPECT_EQ(lines,
                          (std::vector<std::string>{java + " property",
                                                    "Get Integer: Result of " + java +
                                                        " property is " + std::to_string(value),
                                                    java + " property is done"}));
                break;
        }
    }
    for (const StringGetRow& row : p.stringGet) {
        SCOPED_TRACE(row.index);
        const size_t before = TraceLines();
        const std::string value = so.String(row.index);
        ASSERT_EQ(so.last, S_OK);
        const std::vector<std::string> lines = LinesSince(before);
        const std::string java = row.java;
        ASSERT_GE(lines.size(), 2u) << Show(lines);
        EXPECT_EQ(lines.front(), java + " property");
        EXPECT_EQ(lines.back(), java + " property is done");
        if (row.kind == StringGet::String && row.mask == Mask::None && row.fix == TextFix::None) {
            EXPECT_EQ(lines,
                      (std::vector<std::string>{java + " property",
                                                "Get String: " + java + " property is " + value,
                                                java + " property is done"}));
        }
        if (row.kind == StringGet::IntAsName) {
            bool named = value.empty();
            for (const NamedValue& n : row.names) named |= value == n.name;
            EXPECT_TRUE(named) << value;
        }
        if (row.mask != Mask::None && !value.empty()) {
            for (const auto& l : lines)
                EXPECT_EQ(l.find(value), std::string::npos) << "in clear: " << l;
        }
    }
    EXPECT_EQ(control->Count("SOError"), 0u);
}

TEST_P(SoConformance, PropertyRowsTakeTheirOwnValueBack) {
    const PropertyTables& p = Id().properties;
    auto skipped = [&](int32_t index) {
        return std::find(C().noWriteBack.begin(), C().noWriteBack.end(), index) !=
               C().noWriteBack.end();
    };
    for (const NumberSetRow& row : p.numberSet) {
        SCOPED_TRACE(row.index);
        if (skipped(row.index)) continue;
        const NumberGetRow* get = FindRow(p.numberGet, row.index);
        const int32_t value = get ? so.Number(row.index) : 0;
        MarkResultCode();
        const size_t marked = TraceLines();
        so.SetNumber(row.index, value);
        ASSERT_EQ(so.last, S_OK);
        EXPECT_EQ(so.ResultCode(), Marker()) << "a successful set records nothing";
        const std::vector<std::string> lines = LinesSince(marked);
        const std::string java = row.java;
        std::string middle;
        switch (row.kind) {
            case NumberSet::Bool:
                middle = "Set BOOL: " + java + " property to " + std::to_string(value != 0);
                break;
            case NumberSet::Int:
                middle = "Set Interger:" + java + " property to " + std::to_string(value);
                break;
            case NumberSet::FixedText:
                middle = "Set Property String: " + java + " property to " + row.text;
                break;
        }
        EXPECT_EQ(lines, (std::vector<std::string>{java + " property", middle,
                                                   java + " property is done"}));
        if (get && row.kind != NumberSet::FixedText) {
            EXPECT_EQ(so.Number(row.index), value) << "the value comes back";
        }
    }
    for (const StringSetRow& row : p.stringSet) {
        SCOPED_TRACE(row.index);
        if (skipped(row.index)) continue;
        const StringGetRow* get = FindRow(p.stringGet, row.index);
        std::string value = get ? so.String(row.index) : "";
        if (row.kind == StringSet::NameAsInt && value.empty() && !row.names.empty())
            value = row.names.front().name;
        MarkResultCode();
        const size_t marked = TraceLines();
        so.SetString(row.index, value);
        ASSERT_EQ(so.last, S_OK);
        EXPECT_EQ(so.ResultCode(), Marker()) << "a successful set records nothing";
        const std::vector<std::string> lines = LinesSince(marked);
        ASSERT_FALSE(lines.empty());
        EXPECT_EQ(lines.front(), std::string(row.java) + " property");
        EXPECT_EQ(lines.back(), std::string(row.java) + " property is done");
        if (get && get->kind != StringGet::Binary) {
            EXPECT_EQ(so.String(row.index), value) << "the value comes back";
        }
    }
    EXPECT_EQ(control->Count("SOError"), 0u);
}

TEST_P(SoConformance, PropertyFailuresRecordReportAndTraceTheJavaException) {
    const PropertyTables& p = Id().properties;
    const bool reports = Id().traits.propertyErrors == PropertyErrors::RecordAndReport;
    const std::string dev = C().device;
    int code = 104;
    // Each row's Java method fails once with its own code; ResultCode takes that code.
    auto check = [&](const char* java, const std::function<void()>& access, int index) {
        SCOPED_TRACE(std::string(java) + " " + std::to_string(index));
        code = code == 114 ? 104 : code + 1;
        if (code == OPOS_E_ILLEGAL) ++code;  // 106 is the marker of unknown sets
        Sim("fail " + dev + " " + java + " " + std::to_string(code) + " 3 once");
        const size_t errors = control->Count("SOError");
        const size_t before = TraceLines();
        access();
        EXPECT_EQ(so.ResultCode(), code);
        EXPECT_EQ(so.Number(PIDX_ResultCodeExtended), 0) << "the extended code stays";
        ASSERT_EQ(control->Count("SOError"), errors + (reports ? 1 : 0));
        if (reports) {
            const ControlCall e = control->Calls().back();
            EXPECT_EQ(std::vector<int32_t>({e.a, e.b, e.c}), std::vector<int32_t>({code, 0, 0}));
        }
        const std::vector<std::string> lines = LinesSince(before);
        EXPECT_NE(std::find(lines.begin(), lines.end(), PlantedLine(java, dev, code, 3)),
                  lines.end())
            << Show(lines);
    };
    for (const NumberGetRow& row : p.numberGet) {
        if (row.kind == NumberGet::Constant) continue;
        check(
            row.java, [&] { EXPECT_EQ(so.Number(row.index), 0); }, row.index);
    }
    for (const NumberSetRow& row : p.numberSet)
        check(
            row.java, [&] { so.SetNumber(row.index, 1); }, row.index);
    for (const StringGetRow& row : p.stringGet) {
        check(
            row.java,
            [&] {
                const std::string v = so.String(row.index);
                if (row.kind == StringGet::String) {
                    EXPECT_EQ(v, "[Error]");
                }
                if (row.kind == StringGet::Binary) {
                    EXPECT_EQ(v, "");
                }
            },
            row.index);
    }
    for (const StringSetRow& row : p.stringSet) {
        const std::string value =
            row.kind == StringSet::NameAsInt && !row.names.empty() ? row.names.front().name : "x";
        check(
            row.java, [&] { so.SetString(row.index, value); }, row.index);
    }
}

TEST_P(SoConformance, UnknownIndexesFromMinus1To2000000) {
    const PropertyTables& p = Id().properties;
    const SoTraits& t = Id().traits;
    std::set<int32_t> numbers(C().localNumbers.begin(), C().localNumbers.end());
    for (const auto& r : p.numberGet) numbers.insert(r.index);
    std::set<int32_t> strings(C().localStrings.begin(), C().localStrings.end());
    std::set<int32_t> numberSets, stringSets;
    for (const auto& r : p.stringGet) strings.insert(r.index);
    for (const auto& r : p.numberSet) numberSets.insert(r.index);
    for (const auto& r : p.stringSet) stringSets.insert(r.index);

    // The indexes: all of them, or every index near the class bases, the block edges and the
    // rows, plus a stride across the whole range.
    std::vector<int32_t> indexes;
    if (C().fullIndexSweep) {
        for (int32_t i = -1; i <= 2000000; ++i) indexes.push_back(i);
    } else {
        std::set<int32_t> near = {-1, 0, 1, 2000000};
        for (int32_t base : {0, 1000, 1000000}) {
            for (int32_t block = 0; block <= 30; ++block) {
                const int32_t b = base + block * 1000;
                for (int32_t d = -3; d <= 3; ++d) near.insert(b + d);
                for (int32_t d = 497; d <= 503; ++d) near.insert(b + d);
            }
        }
        for (std::set<int32_t>* rows : {&numbers, &strings, &numberSets, &stringSets})
            for (int32_t r : *rows)
                for (int32_t d = -2; d <= 2; ++d) near.insert(r + d);
        for (int32_t i = -1; i <= 2000000; i += 997) near.insert(i);
        for (int32_t i : near)
            if (i >= -1 && i <= 2000000) indexes.push_back(i);
    }

    const size_t traceBefore = TraceLines();
    IDispatch* d = so.Dispatch();
    const DISPID getNumber = so.Id("GetPropertyNumber"), getString = so.Id("GetPropertyString");
    const DISPID setNumber = so.Id("SetPropertyNumber"), setString = so.Id("SetPropertyString");
    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    VARIANT setArgs[2];
    VariantInit(&setArgs[0]);
    VariantInit(&setArgs[1]);
    setArgs[0].vt = VT_I4;
    setArgs[1].vt = VT_I4;
    VARIANT textArgs[2];
    VariantInit(&textArgs[0]);
    VariantInit(&textArgs[1]);
    UniqueBstr text(BstrFromAnsi("x"));
    if (C().stringSet == StringSetEntry::IgnoredLong) {
        textArgs[0].vt = VT_I4;
        textArgs[0].lVal = 1;
    } else {
        textArgs[0].vt = VT_BSTR;
        textArgs[0].bstrVal = text.Get();
    }
    textArgs[1].vt = VT_I4;
    size_t checked = 0;
    for (int32_t index : indexes) {
        const bool coreNumber = IsCoreNumber(index);
        arg.lVal = index;
        DISPPARAMS one{&arg, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        if (!numbers.count(index) && !coreNumber) {
            ASSERT_EQ(
                d->Invoke(getNumber, IID_NULL, 0, DISPATCH_METHOD, &one, &result, nullptr, nullptr),
                S_OK);
            ASSERT_EQ(result.lVal, t.unknownNumberGet == UnknownNumberGet::Index ? index : 0)
                << index;
            ++checked;
        }
        if (!strings.count(index)) {
            ASSERT_EQ(
                d->Invoke(getString, IID_NULL, 0, DISPATCH_METHOD, &one, &result, nullptr, nullptr),
                S_OK);
            ASSERT_EQ(result.vt, VT_BSTR);
            ASSERT_EQ(AnsiFromBstr(result.bstrVal), "[Error: Automation?]") << index;
            VariantClear(&result);
        }
        if (!numberSets.count(index) && !coreNumber) {
            setArgs[1].lVal = index;
            DISPPARAMS two{setArgs, nullptr, 2, 0};
            ASSERT_EQ(
                d->Invoke(setNumber, IID_NULL, 0, DISPATCH_METHOD, &two, nullptr, nullptr, nullptr),
                S_OK);
        }
        if (!stringSets.count(index)) {
            textArgs[1].lVal = index;
            DISPPARAMS two{textArgs, nullptr, 2, 0};
            ASSERT_EQ(
                d->Invoke(setString, IID_NULL, 0, DISPATCH_METHOD, &two, nullptr, nullptr, nullptr),
                S_OK);
        }
    }
    EXPECT_GT(checked, 1000u);
    EXPECT_EQ(TraceLines(), traceBefore) << "no unknown index reaches Java or the trace";
    EXPECT_EQ(control->Count("SOError"), 0u);

    // What the sets record, on a sample: 106 or nothing.
    const std::vector<int32_t> sample = {-1, 0, 5, 10, 15, 500, 999, 1001, 1999999, 2000000};
    for (int32_t index : sample) {
        SCOPED_TRACE(index);
        if (!numberSets.count(index) && !IsCoreNumber(index)) {
            so.Method("Claim", 0);  // ResultCode := 0
            ASSERT_EQ(so.ResultCode(), 0);
            so.SetNumber(index, 1);
            EXPECT_EQ(so.ResultCode(),
                      t.unknownNumberSet == UnknownNumberSet::RecordIllegal ? 106 : 0);
        }
        if (!stringSets.count(index)) {
            so.Method("Claim", 0);
            so.SetString(index, "x");
            EXPECT_EQ(so.ResultCode(), C().stringSet == StringSetEntry::Rows ? 106 : 0);
        }
        if (!numbers.count(index) && !IsCoreNumber(index)) {
            so.Method("Claim", 0);
            so.Number(index);
            so.String(index);
            EXPECT_EQ(so.ResultCode(), 0) << "unknown gets record nothing";
        }
    }
}

TEST_P(SoConformance, MethodsSucceedWithTheirTraceTexts) {
    for (const DeviceMethod& m : AllMethods(C())) {
        SCOPED_TRACE(m.name);
        bool refused = false;
        for (const char* r : C().simulatorRefuses) refused |= std::string_view(r) == m.name;
        if (refused) continue;
        MarkResultCode();
        const size_t before = TraceLines();
        EXPECT_EQ(m.call(so), 0);
        EXPECT_EQ(so.last, S_OK);
        EXPECT_EQ(so.ResultCode(), m.records ? 0 : Marker());
        // An event the terminal raised for an earlier call (DirectIO answers with one) is
        // traced by the event thread whenever it arrives: not the method's lines.
        std::vector<std::string> lines = LinesSince(before);
        std::erase_if(lines, [](const std::string& l) {
            return l.rfind("EventJNI: Received ", 0) == 0 ||
                   (l.rfind("Firing ", 0) == 0 && l.find(" from eventjni") != std::string::npos);
        });
        if (m.beginLine) {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.front(), m.beginLine) << Show(lines);
        }
        if (m.successLine) {
            ASSERT_FALSE(lines.empty());
            EXPECT_EQ(lines.back(), m.successLine) << Show(lines);
        }
        if (C().prepare) {
            ASSERT_EQ(C().prepare(so), 0) << "back to the prepared state";
        }
    }
    EXPECT_EQ(control->Count("SOError"), 0u) << "methods never raise SOError";
}

TEST_P(SoConformance, MethodFailuresGiveTheirResultAndTraceTheJavaException) {
    const std::string dev = C().device;
    for (const DeviceMethod& m : AllMethods(C())) {
        SCOPED_TRACE(m.name);
        MarkResultCode();
        Sim("fail " + dev + " " + m.java + " 113 0 once");
        const size_t before = TraceLines();
        EXPECT_EQ(m.call(so), m.failureResult);
        EXPECT_EQ(so.ResultCode(), m.records ? m.failureResult : Marker());
        const std::vector<std::string> lines = LinesSince(before);
        EXPECT_NE(std::find(lines.begin(), lines.end(), PlantedLine(m.java, dev, 113, 0)),
                  lines.end())
            << Show(lines);
        Sim("unfail " + dev);
    }
    EXPECT_EQ(control->Count("SOError"), 0u) << "method failures never surface as SOError";
}

TEST_P(SoConformance, ClosedAnswers) {
    ASSERT_EQ(so.Method("Close"), 0);
    const std::string closed = "jpos.JposException: Control is closed";
    for (const DeviceMethod& m : AllMethods(C())) {
        SCOPED_TRACE(m.name);
        if (!m.callsWhenClosed) continue;
        const size_t before = TraceLines();
        EXPECT_EQ(m.call(so), m.failureResult);
        const std::vector<std::string> lines = LinesSince(before);
        bool traced = false;
        for (const auto& l : lines) traced |= l.rfind(closed, 0) == 0;
        EXPECT_TRUE(traced) << Show(lines);
    }
    // A getter either answers (State: closed) or fails with 101, recorded but never reported.
    for (const NumberGetRow& row : Id().properties.numberGet) {
        if (row.kind == NumberGet::Constant) continue;
        so.Method("Claim", 0);  // ResultCode := 111 (closed)
        const int32_t value = so.Number(row.index);
        const int32_t rc = so.ResultCode();
        EXPECT_TRUE(rc == OPOS_E_FAILURE || (rc == OPOS_E_CLOSED && value == 0)) << row.index;
        if (row.index == PIDX_State) {
            EXPECT_EQ(value, OPOS_S_CLOSED);
        }
    }
    for (const StringGetRow& row : Id().properties.stringGet) {
        so.Method("Claim", 0);
        const std::string v = so.String(row.index);
        const int32_t rc = so.ResultCode();
        EXPECT_TRUE(rc == OPOS_E_FAILURE || rc == OPOS_E_CLOSED) << row.index;
        if (rc == OPOS_E_CLOSED && row.kind == StringGet::String) {
            EXPECT_EQ(v, "[Error]") << row.index;
        }
    }
    EXPECT_EQ(so.Method("COFreezeEvents", DispArg::Bool(true)), 1);
    EXPECT_EQ(control->Count(), 0u) << "a closed object holds no control";
    EXPECT_EQ(so.Method("Close"), OPOS_E_FAILURE) << "closing twice is a Java failure";
}

TEST_P(SoConformance, EventsFollowTheCallbackList) {
    struct Kind {
        const char* callback;
        const char* traced;  // as in "EventJNI: Received <traced> Event"
        std::function<void(jstring)> raise;
    };
    const char* probe = "com/orv/sotest/Probe";
    const std::vector<Kind> kinds = {
        {"SOData", "Data",
         [&](jstring d) {
             test::CallStaticLong(probe, "postData", "(Ljava/lang/String;I)J", d, 5);
         }},
        {"SOError", "Error",
         [&](jstring d) {
             test::CallStaticLong(probe, "postError", "(Ljava/lang/String;IIII)J", d, 111, 0, 2,
                                  12);
         }},
        {"SODirectIO", "DirectIO",
         [&](jstring d) {
             jstring ab = test::JavaString("AB");
             test::CallStaticLong(probe, "postDirectIO",
                                  "(Ljava/lang/String;IILjava/lang/String;)J", d, 3, 0x1234, ab);
             test::Env()->DeleteLocalRef(ab);
         }},
        {"SOStatusUpdate", "Status Update",
         [&](jstring d) {
             test::CallStaticLong(probe, "postStatus", "(Ljava/lang/String;I)J", d, 7);
         }},
        {"SOOutputComplete", "OutputComplete",
         [&](jstring d) {
             test::CallStaticLong(probe, "postOutputComplete", "(Ljava/lang/String;I)J", d, 9);
         }},
    };
    std::set<std::string> listed;
    for (const char* cb : Id().callbacks) listed.insert(cb);
    // A marker the control hears: the first listed kind. Events go out in order, so once the
    // marker is in, every event raised before it has been delivered or dropped.
    const Kind* marker = nullptr;
    for (const Kind& k : kinds)
        if (listed.count(k.callback) && !marker) marker = &k;
    ASSERT_NE(marker, nullptr) << "the class hears no event at all";
    jstring device = test::JavaString(C().device);
    const size_t before = TraceLines();
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.callback);
        control->Clear();
        k.raise(device);
        marker->raise(device);
        const size_t expected = (listed.count(k.callback) ? 1u : 0u) + 1u;
        ASSERT_TRUE(control->WaitFor(expected)) << "marker not delivered";
        EXPECT_EQ(control->Count(k.callback), k.callback == marker->callback ? 2u : expected - 1);
        EXPECT_EQ(control->Count(), expected);
        if (listed.count(k.callback)) {
            const ControlCall c = control->Calls().front();
            if (k.callback == std::string("SOData")) {
                EXPECT_EQ(c.a, 5);
            }
            if (k.callback == std::string("SOError")) {
                EXPECT_EQ(std::vector<int32_t>({c.a, c.b, c.c, c.d}),
                          std::vector<int32_t>({111, 0, 2, 12}));
            }
            if (k.callback == std::string("SODirectIO")) {
                EXPECT_EQ(std::vector<int32_t>({c.a, c.b}), std::vector<int32_t>({3, 0x1234}));
                EXPECT_EQ(c.text, "AB");
            }
            if (k.callback == std::string("SOStatusUpdate")) {
                EXPECT_EQ(c.a, 7);
            }
            if (k.callback == std::string("SOOutputComplete")) {
                EXPECT_EQ(c.a, 9);
            }
        }
    }
    test::Env()->DeleteLocalRef(device);
    const Trace t = ReadLive();
    for (const Kind& k : kinds)
        EXPECT_TRUE(t.Has(std::string("EventJNI: Received ") + k.traced + " Event")) << k.traced;
    EXPECT_GT(t.lines.size(), before);
}

// ---------------------------------------------------------------- the bare Java class

TEST_P(SoBareConformance, MissingMethodsGiveTheirFixedResultsAndLines) {
    std::vector<DeviceMethod> methods = AllMethods(C());
    // Close last: it ends the session.
    methods.push_back(
        {"Close",
         [](SoClient& s) { return s.Method("Close"); },
         "close",
         "Begin closing",
         nullptr,
         true,
         111,
         OPOS_E_CLOSED,
         {"Begin closing", "Failed to get Method ID for close", "NoSuchMethodError:close"}});
    for (const DeviceMethod& m : methods) {
        SCOPED_TRACE(m.name);
        MarkResultCode(m.missingResult);
        const size_t before = TraceLines();
        EXPECT_EQ(m.call(so), m.missingResult);
        EXPECT_EQ(so.ResultCode(), m.records ? m.missingResult : Marker());
        const std::vector<std::string> lines = LinesSince(before);
        EXPECT_TRUE(SameLines(lines, m.missingLines)) << Show(lines);
    }
    EXPECT_EQ(control->Count(), 0u);
}

TEST_P(SoBareConformance, MissingPropertyMethodsAreReportedAsPropertyErrors) {
    const PropertyTables& p = Id().properties;
    const bool reports = Id().traits.propertyErrors == PropertyErrors::RecordAndReport;
    size_t errors = 0;
    auto check = [&](const char* java, int32_t index, const std::function<void()>& access) {
        SCOPED_TRACE(std::string(java) + " " + std::to_string(index));
        MarkResultCode();
        const size_t before = TraceLines();
        access();
        EXPECT_EQ(so.ResultCode(), OPOS_E_FAILURE);
        if (reports) ++errors;
        EXPECT_EQ(control->Count("SOError"), errors);
        const std::vector<std::string> lines = LinesSince(before);
        EXPECT_TRUE(SameLines(lines, {std::string(java) + " property",
                                      std::string("Failed to get Method ID for ") + java,
                                      std::string("NoSuchMethodError:") + java}))
            << Show(lines);
    };
    for (const NumberGetRow& row : p.numberGet)
        if (row.kind != NumberGet::Constant)
            check(row.java, row.index, [&] { EXPECT_EQ(so.Number(row.index), 0); });
    for (const NumberSetRow& row : p.numberSet)
        check(row.java, row.index, [&] { so.SetNumber(row.index, 1); });
    for (const StringGetRow& row : p.stringGet)
        check(row.java, row.index, [&] {
            const std::string v = so.String(row.index);
            if (row.kind == StringGet::String) {
                EXPECT_EQ(v, "[Error]");
            }
            if (row.kind == StringGet::Binary) {
                EXPECT_EQ(v, "");
            }
        });
    for (const StringSetRow& row : p.stringSet) {
        if (row.kind == StringSet::NameAsInt) continue;  // the name check comes first
        check(row.java, row.index, [&] { so.SetString(row.index, "x"); });
    }
    EXPECT_EQ(so.Method("COFreezeEvents", DispArg::Bool(true)), 1);
    EXPECT_EQ(control->Count("SOError"), errors) << "COFreezeEvents reports nothing";
}

}  // namespace orv::so::conformance
