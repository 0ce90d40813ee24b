#include "co_conformance.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "host/pump.h"
#include "platform/com_ptr.h"
#include "platform/com_register.h"
#include "platform/opos.h"
#include "platform/registry.h"

namespace orv::co::conformance {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void WriteKey(const std::string& key, const char* value) {
    if (value) {
        ASSERT_EQ(RegWriteString(HKEY_LOCAL_MACHINE, key, nullptr, value), ERROR_SUCCESS) << key;
        return;
    }
    HKEY created = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &created, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(created);
}

bool IsCallback(const char* name) {
    return std::string_view(name).rfind("SO", 0) == 0;
}

// The class's fixed answer of a member, if it has one.
const int32_t* FixedAnswer(const ControlClass& c, std::string_view name) {
    for (const auto& [member, answer] : c.fixedAnswers)
        if (name == member) return &answer;
    return nullptr;
}

bool ReturnsNothing(const ControlClass& c, std::string_view name) {
    for (const char* member : c.returnsNothing)
        if (name == member) return true;
    return false;
}

int32_t AsLong(const VARIANT& v) {
    VARIANT c;
    VariantInit(&c);
    if (FAILED(VariantChangeType(&c, const_cast<VARIANT*>(&v), 0, VT_I4))) return INT32_MIN;
    return c.lVal;
}

// A sender of SO* calls on a thread of its own, as a service object's event thread.
class Sender {
public:
    explicit Sender(std::function<void()> call)
        : thread_([this, call = std::move(call)] {
              started_.store(true);
              call();
              done_.store(true);
          }) {}
    ~Sender() { thread_.join(); }
    bool Started() const { return started_.load(); }
    bool Done() const { return done_.load(); }

private:
    std::atomic<bool> started_{false}, done_{false};
    std::thread thread_;
};

}  // namespace

void PrintTo(const ControlClass* c, std::ostream* os) {
    *os << c->descriptor.progId;
}

// ---------------------------------------------------------------- installation

void ControlEnvironment::SetUp() {
    folder_ =
        (fs::temp_directory_path() / ("orv-co-conformance-" + std::to_string(::getpid()))).string();
    fs::create_directories(folder_);
    ::setenv("ORV_REGISTRY", (fs::path(folder_) / "registry.reg").c_str(), 1);
    const char* build = std::getenv("ORV_BUILD_DIR");
    if (!build || !*build) build = ORV_BUILD_DIR_DEFAULT;
    const std::string control = (fs::path(build) / "lib" / class_.controlLibrary).string();
    for (const std::string& library : {control, std::string(ORV_GENERIC_SO)})
        ASSERT_EQ(Run(std::string(ORV_REGSVR) + " /s " + library), 0) << library;
    const std::string key = std::string(class_.descriptor.registryKey);
    WriteKey(key + "FAKE", kGenericSoProgId);
    WriteKey(key + "NOVALUE", nullptr);
    WriteKey(key + "BADPROGID", "OrvTest.NotRegistered");
    WriteKey(key + "LONGPROGID", std::string(120, 'P').c_str());
}

void ControlEnvironment::TearDown() {
    std::error_code ec;
    fs::remove_all(folder_, ec);
}

// ---------------------------------------------------------------- fixture

GenericSoConfig ControlConformance::SoConfig() const {
    GenericSoConfig config;
    for (const SoMember& m : D().soMembers) config.members.push_back({m.name, m.dispid});
    return config;
}

void ControlConformance::SetUp() {
    GenericServiceObject::Configure(SoConfig());
    GenericServiceObject::ClearCalls();
    ASSERT_TRUE(com_);
    ASSERT_EQ(control_.Create(D().progId), S_OK);
}

void ControlConformance::TearDown() {
    control_.Reset();
    EXPECT_EQ(GenericServiceObject::LiveCount(), 0) << "the control released its service object";
}

int32_t ControlConformance::Open(const char* device) {
    int32_t rc = -1;
    EXPECT_EQ(control_.Call("Open", &rc, device), S_OK);
    return rc;
}

int32_t ControlConformance::OpenResult() {
    int32_t v = -1;
    EXPECT_EQ(control_.Get("OpenResult", &v), S_OK);
    return v;
}

HRESULT ControlConformance::CallAny(const char* name, WORD flags, VARIANT* result) {
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = control_.IdOf(name, &id);
    if (FAILED(hr)) return hr;
    // Try each count of arguments; a type the member refuses (argErr) moves to the next kind.
    const VARTYPE kinds[] = {VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF, VT_BOOL | VT_BYREF};
    for (UINT n = 0; n <= 6; ++n) {
        std::vector<size_t> kind(n, 0);
        for (int attempt = 0; attempt < 32; ++attempt) {
            int32_t longs[6] = {};
            BSTR texts[6] = {};
            VARIANT_BOOL bools[6] = {};
            std::vector<VARIANT> args(n);
            for (UINT i = 0; i < n; ++i) {
                VARIANT& v = args[n - 1 - i];  // right to left
                VariantInit(&v);
                v.vt = kinds[kind[i]];
                if (v.vt == VT_I4) v.lVal = 0;
                if (v.vt == (VT_I4 | VT_BYREF)) v.plVal = &longs[i];
                if (v.vt == (VT_BSTR | VT_BYREF)) v.pbstrVal = &texts[i];
                if (v.vt == (VT_BOOL | VT_BYREF)) v.pboolVal = &bools[i];
            }
            DISPPARAMS params{args.data(), nullptr, n, 0};
            UINT argErr = 0;
            VariantInit(result);
            hr = control_.Dispatch()->Invoke(id, IID_NULL, 0, flags, &params, result, nullptr,
                                             &argErr);
            for (BSTR& b : texts) SysFreeString(b);
            if (hr == DISP_E_BADPARAMCOUNT) break;
            if (hr != DISP_E_TYPEMISMATCH) return hr;
            const UINT at = n - 1 - argErr;
            if (at >= n || ++kind[at] >= std::size(kinds)) return hr;
        }
    }
    return DISP_E_BADPARAMCOUNT;
}

// ---------------------------------------------------------------- sweeps

TEST_P(ControlConformance, DispatchMapFollowsTheWrittenOrder) {
    ASSERT_EQ(C().order.size(), C().members.size());
    DispatchDriver driver(control_.Dispatch(), false);
    for (size_t i = 0; i < C().order.size(); ++i) {
        SCOPED_TRACE(C().order[i]);
        EXPECT_STREQ(C().members[i].name, C().order[i]);
        std::string lower = C().order[i];
        for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        DISPID id = DISPID_UNKNOWN;
        EXPECT_EQ(driver.GetDispId(lower, &id), S_OK) << "names ignore case";
        EXPECT_EQ(id, static_cast<DISPID>(i + 1));
    }
    DISPID id = 0;
    EXPECT_NE(control_.IdOf("NoSuchMember", &id), S_OK);
}

TEST_P(ControlConformance, ClosedAnswersOfEveryMember) {
    std::map<std::string, int32_t> departures(C().closedAnswers.begin(), C().closedAnswers.end());
    departures.insert(C().fixedAnswers.begin(), C().fixedAnswers.end());
    const std::string description = LoadControlString(D(), IDS_CONTROLOBJECTDESCRIPTION);
    const int32_t version = std::atoi(LoadControlString(D(), IDS_CONTROLOBJECTVERSION));
    for (const DispatchEntry& m : C().members) {
        SCOPED_TRACE(m.name);
        const std::string name = m.name;
        if (name == "Open") continue;
        UniqueVariant result;
        if (!m.isProperty) {
            ASSERT_EQ(CallAny(m.name, DISPATCH_METHOD, result.Get()), S_OK);
            if (IsCallback(m.name) || ReturnsNothing(C(), m.name)) {
                EXPECT_EQ(result.Get()->vt, VT_EMPTY) << "returns nothing";
                continue;
            }
            const int32_t expected = departures.count(name) ? departures[name] : OPOS_E_CLOSED;
            EXPECT_EQ(AsLong(*result.Get()), expected);
            continue;
        }
        ASSERT_EQ(CallAny(m.name, DISPATCH_PROPERTYGET, result.Get()), S_OK);
        const VARTYPE vt = result.Get()->vt;
        auto check = [&](const VARIANT& v) {
            if (name == "ControlObjectDescription") {
                EXPECT_EQ(AnsiFromBstr(v.bstrVal), description);
            } else if (name == "ControlObjectVersion") {
                EXPECT_EQ(v.lVal, version);
            } else if (name == "OpenResult") {
                EXPECT_EQ(v.lVal, 0);
            } else if (v.vt == VT_BSTR) {
                EXPECT_EQ(AnsiFromBstr(v.bstrVal), "[Error]");
            } else {
                EXPECT_EQ(AsLong(v), departures.count(name) ? departures[name] : 0);
            }
        };
        check(*result.Get());
        if (!m.put) continue;
        // A write while closed is accepted and changes nothing.
        VARIANT value;
        VariantInit(&value);
        UniqueBstr text(BstrFromAnsi("written"));
        if (vt == VT_BSTR) {
            value.vt = VT_BSTR;
            value.bstrVal = text.Get();
        } else if (vt == VT_BOOL) {
            value.vt = VT_BOOL;
            value.boolVal = VARIANT_TRUE;
        } else if (vt == VT_CY) {
            value.vt = VT_CY;
            value.cyVal.int64 = 70000;
        } else {
            value.vt = VT_I4;
            value.lVal = 7;
        }
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(control_.IdOf(m.name, &id), S_OK);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        EXPECT_EQ(control_.Dispatch()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                                              nullptr, nullptr, nullptr),
                  S_OK);
        UniqueVariant after;
        ASSERT_EQ(CallAny(m.name, DISPATCH_PROPERTYGET, after.Get()), S_OK);
        check(*after.Get());
    }
    EXPECT_EQ(GenericServiceObject::LiveCount(), 0);
    EXPECT_TRUE(GenericServiceObject::Calls().empty());
}

TEST_P(ControlConformance, OpenFailureMatrix) {
    struct Case {
        const char* device;
        int32_t result, openResult;
        const char* why;
    };
    const Case cases[] = {
        {"", OPOS_E_ILLEGAL, OPOS_OR_FAILEDOPEN, "empty device name"},
        {"NOPE", OPOS_E_NOEXIST, OPOS_ORS_CONFIG, "no registry key"},
        {"NOVALUE", OPOS_E_NOEXIST, OPOS_ORS_CONFIG, "key without a default value"},
        {"LONGPROGID", OPOS_E_NOEXIST, OPOS_ORS_CONFIG, "ProgID longer than its buffer"},
        {"BADPROGID", OPOS_E_NOSERVICE, OPOS_OR_FAILEDOPEN_CREATE, "ProgID that cannot be created"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(Open(c.device), c.result);
        EXPECT_EQ(OpenResult(), c.openResult);
        EXPECT_EQ(GenericServiceObject::LiveCount(), 0);
    }
    EXPECT_TRUE(GenericServiceObject::Calls().empty());

    for (const char* name : D().soMethodNames) {
        SCOPED_TRACE(name);
        GenericSoConfig config = SoConfig();
        config.missingName = name;
        GenericServiceObject::Configure(config);
        EXPECT_EQ(Open("FAKE"), OPOS_OR_BADIF);
        EXPECT_EQ(OpenResult(), OPOS_OR_BADIF);
        EXPECT_EQ(GenericServiceObject::LiveCount(), 0);
        EXPECT_EQ(GenericServiceObject::CountCalls("OpenService"), 0u) << "never opened";
    }

    GenericSoConfig failing = SoConfig();
    failing.openServiceResult = OPOS_E_FAILURE;
    GenericServiceObject::Configure(failing);
    EXPECT_EQ(Open("FAKE"), OPOS_E_NOSERVICE);
    EXPECT_EQ(OpenResult(), OPOS_OR_FAILEDOPEN);
    EXPECT_EQ(GenericServiceObject::LiveCount(), 0);

    GenericSoConfig old = SoConfig();
    old.serviceObjectVersion = 2000000;
    GenericServiceObject::Configure(old);
    EXPECT_EQ(Open("FAKE"), OPOS_OR_BADVERSION);
    EXPECT_EQ(OpenResult(), OPOS_OR_BADVERSION);
    EXPECT_EQ(GenericServiceObject::LiveCount(), 0);

    GenericServiceObject::Configure(SoConfig());
    GenericServiceObject::ClearCalls();
    ASSERT_EQ(Open("FAKE"), 0);
    EXPECT_EQ(
        GenericServiceObject::Calls(),
        (std::vector<std::string>{std::string("OpenService(") + D().deviceClass + ",FAKE,dispatch)",
                                  "GetPropertyNumber(8)"}));
    ASSERT_NE(GenericServiceObject::Current(), nullptr);
    EXPECT_EQ(GenericServiceObject::Current()->ControlDispatch(), control_.Dispatch());
    EXPECT_EQ(Open("FAKE"), OPOS_E_ILLEGAL);
    EXPECT_EQ(OpenResult(), OPOS_OR_ALREADYOPEN);
    EXPECT_EQ(GenericServiceObject::LiveCount(), 1);
}

TEST_P(ControlConformance, MembersReachTheServiceObjectAndReturnItsAnswer) {
    // Each service-object member answers a number of its own.
    GenericSoConfig config = SoConfig();
    std::map<std::string, int32_t> answers;
    int32_t next = 200;
    for (const SoMember& m : D().soMembers)
        if (std::string_view(m.name) != "OpenService")
            answers[m.name] = config.results[m.name] = next++;
    GenericServiceObject::Configure(config);
    ASSERT_EQ(Open("FAKE"), 0);
    auto nameOf = [&](DISPID id) -> std::string {
        for (const SoMember& m : D().soMembers)
            if (m.dispid == id) return m.name;
        return "?";
    };
    std::map<std::string, std::string> routes = {{"Claim", nameOf(D().so.claim)},
                                                 {"ClaimDevice", nameOf(D().so.claimDevice)},
                                                 {"Release", nameOf(D().so.release)},
                                                 {"ReleaseDevice", nameOf(D().so.releaseDevice)},
                                                 {"Close", nameOf(D().so.close)}};
    for (const auto& [from, to] : C().forwardedAs) routes[from] = to;
    std::vector<const DispatchEntry*> methods;
    for (const DispatchEntry& m : C().members)
        if (!m.isProperty && std::string_view(m.name) != "Open" && !IsCallback(m.name) &&
            std::string_view(m.name) != "Close")
            methods.push_back(&m);
    static const DispatchEntry kClose{"Close", nullptr, nullptr, false};
    methods.push_back(&kClose);  // last: it ends the session
    const std::map<std::string, int32_t> own(C().ownAnswers.begin(), C().ownAnswers.end());
    for (const DispatchEntry* m : methods) {
        SCOPED_TRACE(m->name);
        if (own.count(m->name)) {
            GenericServiceObject::ClearCalls();
            UniqueVariant result;
            ASSERT_EQ(CallAny(m->name, DISPATCH_METHOD, result.Get()), S_OK);
            EXPECT_EQ(AsLong(*result.Get()), own.at(m->name));
            int32_t rc = -1;
            ASSERT_EQ(control_.Get("ResultCode", &rc), S_OK);
            EXPECT_EQ(rc, own.at(m->name)) << "ResultCode reads the method's own answer";
            EXPECT_EQ(GenericServiceObject::Calls(), std::vector<std::string>{})
                << "answered without the service object";
            continue;
        }
        GenericServiceObject::ClearCalls();
        UniqueVariant result;
        if (const int32_t* fixed = FixedAnswer(C(), m->name)) {
            ASSERT_EQ(CallAny(m->name, DISPATCH_METHOD, result.Get()), S_OK);
            EXPECT_EQ(AsLong(*result.Get()), *fixed);
            EXPECT_TRUE(GenericServiceObject::Calls().empty()) << "answered without the SO";
            continue;
        }
        const std::string target = routes.count(m->name) ? routes[m->name] : m->name;
        ASSERT_TRUE(answers.count(target)) << target << " is not a listed service-object member";
        ASSERT_EQ(CallAny(m->name, DISPATCH_METHOD, result.Get()), S_OK);
        const std::vector<std::string> calls = GenericServiceObject::Calls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].substr(0, target.size() + 1), target + "(") << calls[0];
        const int32_t answer = target == "COFreezeEvents" ? 1 : answers[target];
        if (ReturnsNothing(C(), m->name)) {
            EXPECT_EQ(result.Get()->vt, VT_EMPTY) << "returns nothing";
        } else if (result.Get()->vt == VT_BOOL) {
            EXPECT_EQ(result.Get()->boolVal, answer ? VARIANT_TRUE : VARIANT_FALSE);
        } else {
            EXPECT_EQ(AsLong(*result.Get()), answer);
        }
    }
    EXPECT_EQ(GenericServiceObject::LiveCount(), 0) << "Close released the service object";
}

TEST_P(ControlConformance, PropertiesGoThroughTheServiceObjectAndComeBack) {
    ASSERT_EQ(Open("FAKE"), 0);
    for (const DispatchEntry& m : C().members) {
        if (!m.isProperty) continue;
        SCOPED_TRACE(m.name);
        GenericServiceObject::ClearCalls();
        UniqueVariant before;
        ASSERT_EQ(CallAny(m.name, DISPATCH_PROPERTYGET, before.Get()), S_OK);
        if (const int32_t* fixed = FixedAnswer(C(), m.name)) {
            EXPECT_EQ(AsLong(*before.Get()), *fixed);
            EXPECT_TRUE(GenericServiceObject::Calls().empty()) << "answered without the SO";
            continue;
        }
        EXPECT_LE(GenericServiceObject::Calls().size(), 1u) << "one service-object call per get";
        if (!m.put) continue;
        const VARTYPE vt = before.Get()->vt;
        VARIANT value;
        VariantInit(&value);
        UniqueBstr text(BstrFromAnsi(std::string("v-") + m.name));
        switch (vt) {
            case VT_BSTR:
                value.vt = VT_BSTR;
                value.bstrVal = text.Get();
                break;
            case VT_BOOL:
                value.vt = VT_BOOL;
                value.boolVal = VARIANT_TRUE;
                break;
            case VT_CY:
                value.vt = VT_CY;
                value.cyVal.int64 = 123456;
                break;
            default:
                value.vt = VT_I4;
                value.lVal = 3;
                break;
        }
        DISPID id = DISPID_UNKNOWN;
        ASSERT_EQ(control_.IdOf(m.name, &id), S_OK);
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        GenericServiceObject::ClearCalls();
        EXPECT_EQ(control_.Dispatch()->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params,
                                              nullptr, nullptr, nullptr),
                  S_OK);
        if (GenericServiceObject::Calls().empty()) continue;  // a write the control ignores
        UniqueVariant after;
        ASSERT_EQ(CallAny(m.name, DISPATCH_PROPERTYGET, after.Get()), S_OK);
        if (vt == VT_BSTR) {
            EXPECT_EQ(AnsiFromBstr(after.Get()->bstrVal), std::string("v-") + m.name);
        } else if (vt == VT_CY) {
            EXPECT_EQ(after.Get()->cyVal.int64, 0) << "a currency goes by its own members";
        } else {
            EXPECT_EQ(AsLong(*after.Get()), vt == VT_BOOL ? -1 : 3) << "the value comes back";
        }
    }
}

TEST_P(ControlConformance, UnservedPropertiesAnswerThemselves) {
    EXPECT_EQ(C().unserved.size(), D().unservedNumbers.size()) << "one name per unserved index";
    ASSERT_EQ(Open("FAKE"), 0);
    for (const char* name : C().unserved) {
        SCOPED_TRACE(name);
        const DispatchEntry* entry = nullptr;
        for (const DispatchEntry& m : C().members)
            if (std::string_view(m.name) == name) entry = &m;
        ASSERT_TRUE(entry && entry->isProperty);
        GenericServiceObject::ClearCalls();
        UniqueVariant value;
        ASSERT_EQ(CallAny(name, DISPATCH_PROPERTYGET, value.Get()), S_OK);
        EXPECT_EQ(AsLong(*value.Get()), 0);
        int32_t rc = -1;
        ASSERT_EQ(control_.Get("ResultCode", &rc), S_OK);
        EXPECT_EQ(rc, OPOS_E_ILLEGAL);
        if (entry->put) {
            const DispArg one = value.Get()->vt == VT_BOOL ? DispArg::Bool(true) : DispArg(1);
            EXPECT_EQ(control_.Put(name, one), S_OK);
            ASSERT_EQ(control_.Get("ResultCode", &rc), S_OK);
            EXPECT_EQ(rc, OPOS_E_ILLEGAL);
        }
        EXPECT_EQ(GenericServiceObject::Calls(), std::vector<std::string>{})
            << "the service object is never asked";
        // The next served read asks the service object again, ResultCode with it.
        ASSERT_EQ(control_.Get("State", &rc), S_OK);
        ASSERT_EQ(control_.Get("ResultCode", &rc), S_OK);
        EXPECT_EQ(rc, 0);
        EXPECT_EQ(GenericServiceObject::CountCalls("GetPropertyNumber(" +
                                                   std::to_string(PIDX_ResultCode) + ")"),
                  1u);
    }
}

TEST_P(ControlConformance, EventsUseTheirDispids) {
    ASSERT_EQ(Open("FAKE"), 0);
    GenericServiceObject* so = GenericServiceObject::Current();
    ASSERT_NE(so, nullptr);
    std::vector<std::pair<DISPID, int32_t>> fired;
    for (const EventRoute& route : D().events) {
        if (route.message == 0) continue;
        ASSERT_EQ(control_.OnEvent(route.dispid,
                                   [&fired, d = route.dispid](const EventArgs& a) {
                                       fired.emplace_back(d, a.Long(0));
                                   }),
                  S_OK);
    }
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("Claim", &rc, 0), S_OK);
    struct Kind {
        EventKind kind;
        std::function<bool()> raise;
        int32_t first;  // the event's first argument
    };
    int32_t data = 0, response = 0;
    std::string text = "t";
    const Kind kinds[] = {
        {EventKind::Data, [&] { return so->RaiseData(5); }, 5},
        {EventKind::DirectIO, [&] { return so->RaiseDirectIO(6, &data, &text); }, 6},
        {EventKind::Error, [&] { return so->RaiseError(111, 0, 2, &response); }, 111},
        {EventKind::StatusUpdate, [&] { return so->RaiseStatusUpdate(7); }, 7},
        {EventKind::OutputComplete, [&] { return so->RaiseOutputComplete(8); }, 8},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(static_cast<int>(k.kind));
        const EventRoute& route = D().events[static_cast<size_t>(k.kind)];
        fired.clear();
        bool raised = false;
        {
            Sender sender([&] { raised = k.raise(); });
            ASSERT_TRUE(host::PumpUntil([&] { return sender.Done(); }, 5s));
        }
        if (route.message == 0) {
            EXPECT_TRUE(fired.empty()) << "the control has no such event";
            continue;
        }
        EXPECT_TRUE(raised);
        ASSERT_EQ(fired.size(), 1u);
        EXPECT_EQ(fired[0], std::make_pair(route.dispid, k.first));
    }
}

TEST_P(ControlConformance, FreezeEventsHoldsEventsAndReachesTheServiceObject) {
    ASSERT_EQ(Open("FAKE"), 0);
    GenericServiceObject* so = GenericServiceObject::Current();
    ASSERT_NE(so, nullptr);
    // The first event the control has.
    size_t kind = 0;
    while (kind < kEventKinds && D().events[kind].message == 0) ++kind;
    ASSERT_LT(kind, kEventKinds);
    std::vector<int32_t> fired;
    ASSERT_EQ(control_.OnEvent(D().events[kind].dispid,
                               [&](const EventArgs& a) { fired.push_back(a.Long(0)); }),
              S_OK);
    int32_t rc = -1;
    ASSERT_EQ(control_.Call("Claim", &rc, 0), S_OK);
    auto raise = [&](int32_t value) {
        int32_t data = 0, response = 0;
        std::string text;
        switch (static_cast<EventKind>(kind)) {
            case EventKind::Data:
                return so->RaiseData(value);
            case EventKind::DirectIO:
                return so->RaiseDirectIO(value, &data, &text);
            case EventKind::Error:
                return so->RaiseError(value, 0, 2, &response);
            case EventKind::StatusUpdate:
                return so->RaiseStatusUpdate(value);
            case EventKind::OutputComplete:
                return so->RaiseOutputComplete(value);
        }
        return false;
    };

    GenericServiceObject::ClearCalls();
    ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(true)), S_OK);
    EXPECT_EQ(
        GenericServiceObject::Calls(),
        std::vector<std::string>{"SetPropertyNumber(" + std::to_string(PIDX_FreezeEvents) + ",1)"});
    if (D().freezeHoldsEvents) {
        Sender sender([&] { raise(41); });
        ASSERT_TRUE(host::PumpUntil([&] { return sender.Started(); }, 5s));
        host::PumpUntil([] { return false; }, 50ms);
        EXPECT_TRUE(fired.empty()) << "held while frozen";
        EXPECT_FALSE(sender.Done()) << "the sender waits for the thaw";
        ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(false)), S_OK);
        ASSERT_TRUE(host::PumpUntil([&] { return sender.Done(); }, 5s));
        EXPECT_EQ(fired, std::vector<int32_t>{41});
    } else {
        ASSERT_EQ(control_.Put("FreezeEvents", DispArg::Bool(false)), S_OK);
    }

    // The container's freeze reaches the service object only where the class says so.
    GenericServiceObject::ClearCalls();
    ASSERT_EQ(control_.FreezeEvents(true), S_OK);
    ASSERT_EQ(control_.FreezeEvents(false), S_OK);
    const size_t coFreezes = GenericServiceObject::CountCalls("COFreezeEvents");
    EXPECT_EQ(coFreezes, D().containerFreeze ? 2u : 0u);
}

}  // namespace orv::co::conformance
