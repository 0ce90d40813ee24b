// Every control calls its service object by fixed DISPIDs. For each control/service object pair
// this holds the control's own list of service-object members (name and DISPID) against the
// real service object's GetIDsOfNames, together with the names the control requires at Open and
// the DISPIDs its core calls. Any difference fails.
//
// A new pair is one line in kPairs (and one orv_dispid_pair() line in CMakeLists.txt).
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "co_core/control_descriptor.h"
#include "platform/com.h"
#include "platform/dispatch_driver.h"
#include "test_env.h"

// One include per control: its tables.
#include "keyboard_control.h"
#include "pinpad_control.h"
#include "stripe_control.h"
#include "sigcap_control.h"
#include "display_control.h"
#include "scanner_control.h"
#include "tone_control.h"

namespace orv::co::conformance {
namespace {

struct DispidPair {
    const char* name;                          // the test's name
    const ControlDescriptor& (*descriptor)();  // the control's tables
    const char* soProgId;                      // the service object it drives
};

void PrintTo(const DispidPair& p, std::ostream* os) {
    *os << p.name;
}

const DispidPair kPairs[] = {
    {"PINPad", &pinpad::CPinpadControlCtrl::Descriptor, "ORVPin.so"},
    {"MSR", &msr::CStripeControlCtrl::Descriptor, "ORVMsr.so"},
    {"SignatureCapture", &sigcap::CSigcapControlCtrl::Descriptor, "ORVSig.so"},
    {"LineDisplay", &linedisplay::CDisplayControlCtrl::Descriptor, "ORVLine.so"},
    {"POSKeyboard", &keyboard::CKeyboardControlCtrl::Descriptor, "ORVKbd.so"},
    {"ToneIndicator", &tone::CToneControlCtrl::Descriptor, "ORVTone.so"},
    {"Scanner", &scanner::CScannerControlCtrl::Descriptor, "ORVScanner.so"},
};

#define ORV_TEXT_OF(...) #__VA_ARGS__
#define ORV_TEXT(...) ORV_TEXT_OF(__VA_ARGS__)
// The service object libraries of the pairs, by file name ("libA.so,libB.so" from the build).
std::vector<std::string> ServerNames() {
    std::vector<std::string> out;
    const std::string all = ORV_TEXT(ORV_DISPID_PAIR_SERVERS);
    for (size_t start = 0; start <= all.size();) {
        const size_t comma = std::min(all.find(',', start), all.size());
        if (comma > start) out.push_back(all.substr(start, comma - start));
        start = comma + 1;
    }
    return out;
}

class Installation : public ::testing::Environment {
public:
    void SetUp() override {
        std::vector<std::filesystem::path> servers;
        for (const std::string& library : ServerNames())
            servers.push_back(so::test::BuildDir() / "lib" / library);
        install = std::make_unique<so::test::TestInstall>(servers);
        ASSERT_EQ(CoInitialize(nullptr), S_OK);
    }
    void TearDown() override {
        CoUninitialize();
        install.reset();
    }
    std::unique_ptr<so::test::TestInstall> install;
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Installation);

// Every difference between a control's tables and the service object's names, as text.
std::vector<std::string> Differences(const ControlDescriptor& d, const DispatchDriver& so) {
    std::vector<std::string> out;
    std::map<std::string, DISPID> members;
    if (d.soMembers.empty()) out.push_back("the control lists no service-object members");
    for (const SoMember& m : d.soMembers) {
        if (!members.emplace(m.name, m.dispid).second)
            out.push_back(std::string(m.name) + " listed twice");
        DISPID actual = DISPID_UNKNOWN;
        if (FAILED(so.GetDispId(m.name, &actual)))
            out.push_back(std::string(m.name) + " is missing on the service object");
        else if (actual != m.dispid)
            out.push_back(std::string(m.name) + ": control calls " + std::to_string(m.dispid) +
                          ", service object has " + std::to_string(actual));
    }
    // What Open requires must exist, and be a listed member.
    for (const char* name : d.soMethodNames) {
        DISPID actual = DISPID_UNKNOWN;
        if (FAILED(so.GetDispId(name, &actual)))
            out.push_back(std::string(name) + " is required at Open but missing");
        if (!members.count(name)) out.push_back(std::string(name) + " is required but not listed");
    }
    // The DISPIDs the core itself calls are the listed members of those names.
    auto check = [&](const char* field, DISPID id, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            auto it = members.find(name);
            if (it != members.end() && it->second == id) return;
        }
        out.push_back(std::string("core DISPID ") + field + " = " + std::to_string(id) +
                      " is not the listed " + *names.begin());
    };
    check("openService", d.so.openService, {"OpenService"});
    check("close", d.so.close, {"Close"});
    check("claim", d.so.claim, {"Claim"});
    check("claimDevice", d.so.claimDevice, {"ClaimDevice", "Claim"});
    check("release", d.so.release, {"Release"});
    check("releaseDevice", d.so.releaseDevice, {"ReleaseDevice", "Release"});
    check("getPropertyNumber", d.so.getPropertyNumber, {"GetPropertyNumber"});
    check("setPropertyNumber", d.so.setPropertyNumber, {"SetPropertyNumber"});
    check("getPropertyString", d.so.getPropertyString, {"GetPropertyString"});
    check("setPropertyString", d.so.setPropertyString, {"SetPropertyString"});
    check("coFreezeEvents", d.so.coFreezeEvents, {"COFreezeEvents"});
    return out;
}

class DispidPairTest : public ::testing::TestWithParam<DispidPair> {
protected:
    void SetUp() override {
        ASSERT_EQ(so.CreateDispatch(GetParam().soProgId), S_OK) << GetParam().soProgId;
    }
    DispatchDriver so;
};

TEST_P(DispidPairTest, ControlTablesMatchTheServiceObjectsNames) {
    EXPECT_EQ(Differences(GetParam().descriptor(), so), std::vector<std::string>{});
}

// The check itself: a swapped pair, a stale DISPID, an unknown name and a core DISPID that
// points elsewhere are each reported.
TEST_P(DispidPairTest, EveryKindOfDifferenceIsFound) {
    const ControlDescriptor& real = GetParam().descriptor();
    ASSERT_GE(real.soMembers.size(), 2u);
    std::vector<SoMember> members(real.soMembers.begin(), real.soMembers.end());
    // Swap two members the core does not call itself, so only the two of them differ.
    const SoDispids& core = real.so;
    const std::set<DISPID> coreIds = {core.openService,       core.close,
                                      core.claim,             core.claimDevice,
                                      core.release,           core.releaseDevice,
                                      core.getPropertyNumber, core.setPropertyNumber,
                                      core.getPropertyString, core.setPropertyString,
                                      core.coFreezeEvents};
    std::vector<size_t> free;
    for (size_t i = 0; i < members.size(); ++i)
        if (!coreIds.count(members[i].dispid)) free.push_back(i);
    ASSERT_GE(free.size(), 2u);
    const std::string a = members[free[0]].name, b = members[free[1]].name;
    std::swap(members[free[0]].dispid, members[free[1]].dispid);
    members.push_back({"NoSuchMember", 999});
    std::vector<const char*> names(real.soMethodNames.begin(), real.soMethodNames.end());
    names.push_back("AlsoMissing");
    ControlDescriptor broken = real;
    broken.soMembers = members;
    broken.soMethodNames = names;
    broken.so.coFreezeEvents = broken.so.close;
    const std::vector<std::string> found = Differences(broken, so);
    auto has = [&](const std::string& start) {
        for (const auto& f : found)
            if (f.rfind(start, 0) == 0) return true;
        return false;
    };
    EXPECT_TRUE(has(a + ": control calls"));
    EXPECT_TRUE(has(b + ": control calls"));
    EXPECT_TRUE(has("NoSuchMember is missing"));
    EXPECT_TRUE(has("AlsoMissing is required at Open but missing"));
    EXPECT_TRUE(has("AlsoMissing is required but not listed"));
    EXPECT_TRUE(has("core DISPID coFreezeEvents"));
    EXPECT_EQ(found.size(), 6u);
}

INSTANTIATE_TEST_SUITE_P(Pairs, DispidPairTest, ::testing::ValuesIn(kPairs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orv::co::conformance
