// orv-pinpad-eft: one EFT transaction on the PIN pad through the OPOS control "OPOS.PINPad",
// against the simulated terminal, printing every call and every event.
//
//   orv-pinpad-eft [device] [--message-loop]
//
// The control, its service object and the registry must be set up (scripts/register.sh). The
// customer's PIN entry is made by the program itself through the simulator of this process. By
// default the program pumps its messages through the queue descriptor (a poll loop, as any
// foreign event loop would); with --message-loop it runs the classic GetMessage loop instead.
// Exit codes: 0 the transaction completed, 1 a step after Open failed, 2 the control cannot be
// created, 3 Open failed. Failures of creation and Open print the reason the process knows
// (the registry file's problem, the loader's message for a library or the JVM).
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "host/apartment.h"
#include "host/control.h"
#include "host/diagnostics.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "platform/win32.h"
#include "sim_command.h"

namespace {

namespace opos = orv::host::opos;
using namespace std::chrono_literals;

constexpr int32_t PPAD_EFT_NORMAL = 1;

enum Exit { kComplete = 0, kFailed = 1, kNoControl = 2, kOpenFailed = 3 };

// Calls a method that returns an OPOS result and prints it; false when the call itself fails.
template <class... A>
bool Step(orv::host::Control& c, const char* method, const char* shown, int32_t* rc, A&&... args) {
    const HRESULT hr = c.Call(method, rc, std::forward<A>(args)...);
    if (FAILED(hr)) {
        std::printf("%-40s failed: HRESULT 0x%08X %s\n", shown, static_cast<unsigned>(hr),
                    c.LastError().c_str());
        return false;
    }
    std::printf("%-40s -> %d\n", shown, *rc);
    return true;
}

bool Set(orv::host::Control& c, const char* property, const orv::DispArg& value,
         const char* shown) {
    const HRESULT hr = c.Put(property, value);
    int32_t resultCode = 0;
    c.Get("ResultCode", &resultCode);
    std::printf("%-40s (ResultCode %d)%s\n", shown, resultCode, FAILED(hr) ? " FAILED" : "");
    return SUCCEEDED(hr);
}

std::string Text(orv::host::Control& c, const char* property) {
    std::string value;
    c.Get(property, &value);
    return value;
}

int32_t Long(orv::host::Control& c, const char* property) {
    int32_t value = 0;
    c.Get(property, &value);
    return value;
}

// Waits for the PIN entry's DataEvent in the chosen kind of loop; false on time-out.
bool WaitForData(const bool& arrived, bool messageLoop) {
    if (!messageLoop) return orv::host::PumpUntil([&] { return arrived; }, 15s);
    // The handler ends the loop with PostQuitMessage; a watchdog ends it if nothing comes.
    const DWORD self = GetCurrentThreadId();
    bool finished = false;
    std::thread watchdog([&] {
        for (int i = 0; i < 150 && !finished; ++i) std::this_thread::sleep_for(100ms);
        if (!finished) PostThreadMessageA(self, WM_QUIT, 1, 0);
    });
    orv::host::RunMessageLoop();
    finished = true;
    watchdog.join();
    return arrived;
}

int Run(const std::string& device, bool messageLoop) {
    orv::host::ComApartment com;
    if (!com) return kNoControl;
    orv::host::Control pinpad;
    if (const HRESULT hr = pinpad.Create("OPOS.PINPad"); FAILED(hr)) {
        std::printf("creating OPOS.PINPad failed: HRESULT 0x%08X %s\n", static_cast<unsigned>(hr),
                    pinpad.LastError().c_str());
        return kNoControl;
    }

    bool pinArrived = false;
    pinpad.OnEvent(opos::DataEvent, [&](const orv::EventArgs& a) {
        std::printf("[event] DataEvent Status=%d\n", a.Long(0));
        std::printf("        EncryptedPIN=%s\n", Text(pinpad, "EncryptedPIN").c_str());
        std::printf("        AdditionalSecurityInformation=%s\n",
                    Text(pinpad, "AdditionalSecurityInformation").c_str());
        pinArrived = true;
        if (messageLoop) PostQuitMessage(0);
    });
    pinpad.OnEvent(opos::StatusUpdateEvent, [](const orv::EventArgs& a) {
        std::printf("[event] StatusUpdateEvent Data=%d\n", a.Long(0));
    });
    pinpad.OnEvent(opos::DirectIOEvent, [](const orv::EventArgs& a) {
        BSTR* text = a.BstrRef(2);
        std::printf("[event] DirectIOEvent EventNumber=%d Data=%d String=%s\n", a.Long(0),
                    a.LongRef(1) ? *a.LongRef(1) : 0, text ? orv::AnsiFromBstr(*text).c_str() : "");
    });
    pinpad.OnEvent(opos::ErrorEvent, [](const orv::EventArgs& a) {
        std::printf("[event] ErrorEvent ResultCode=%d ResultCodeExtended=%d ErrorLocus=%d\n",
                    a.Long(0), a.Long(1), a.Long(2));
        if (int32_t* response = a.LongRef(3)) *response = opos::OPOS_ER_CLEAR;
    });

    int32_t rc = 0;
    Step(pinpad, "Open", "Open(\"NOPE\")", &rc, "NOPE");
    std::printf("%-40s -> %d\n", "OpenResult", Long(pinpad, "OpenResult"));
    const std::string openShown = "Open(\"" + device + "\")";
    if (!Step(pinpad, "Open", openShown.c_str(), &rc, device) || rc != 0) {
        const int32_t openResult = Long(pinpad, "OpenResult");
        const std::string why = orv::host::OpenProblem(openResult);
        std::printf("%-40s -> %d%s%s\n", "OpenResult", openResult, why.empty() ? "" : ": ",
                    why.c_str());
        return kOpenFailed;
    }
    std::printf("  ControlObjectDescription: %s\n",
                Text(pinpad, "ControlObjectDescription").c_str());
    std::printf("  ControlObjectVersion:     %d\n", Long(pinpad, "ControlObjectVersion"));
    std::printf("  ServiceObjectDescription: %s\n",
                Text(pinpad, "ServiceObjectDescription").c_str());
    std::printf("  ServiceObjectVersion:     %d\n", Long(pinpad, "ServiceObjectVersion"));
    std::printf("  DeviceName:               %s\n", Text(pinpad, "DeviceName").c_str());

    bool ok = Step(pinpad, "Claim", "Claim(1000)", &rc, 1000) && rc == 0;
    ok = ok && Set(pinpad, "DeviceEnabled", orv::DispArg::Bool(true), "DeviceEnabled = TRUE");
    ok = ok && Set(pinpad, "DataEventEnabled", orv::DispArg::Bool(true), "DataEventEnabled = TRUE");
    CY amount;
    amount.int64 = 254900;  // 25.49 with four implied decimals
    ok = ok && Set(pinpad, "Amount", amount, "Amount = 25.49");
    ok = ok && Set(pinpad, "AccountNumber", "4111111111111111", "AccountNumber = 4111111111111111");
    ok = ok && Set(pinpad, "MerchantID", "MERCHANT-0042", "MerchantID = MERCHANT-0042");
    ok = ok && Set(pinpad, "TerminalID", "TERM-07", "TerminalID = TERM-07");
    ok = ok && Set(pinpad, "TransactionType", "Debit", "TransactionType = Debit");
    ok = ok && Set(pinpad, "MinimumPINLength", 4, "MinimumPINLength = 4");
    ok = ok && Set(pinpad, "MaximumPINLength", 12, "MaximumPINLength = 12");
    ok =
        ok &&
        Step(pinpad, "BeginEFTTransaction", "BeginEFTTransaction(\"DUKPT\", 1)", &rc, "DUKPT", 1) &&
        rc == 0;
    ok = ok && Step(pinpad, "EnablePINEntry", "EnablePINEntry()", &rc) && rc == 0;
    if (ok) {
        const std::string command = "pin " + device + " 1234";
        std::printf("%-40s -> %s\n", ("terminal: " + command).c_str(),
                    orv::example::SimCommand(command).c_str());
        ok = WaitForData(pinArrived, messageLoop);
        if (!ok) std::printf("no DataEvent arrived\n");
    }
    if (ok)
        ok = Step(pinpad, "EndEFTTransaction", "EndEFTTransaction(PPAD_EFT_NORMAL)", &rc,
                  PPAD_EFT_NORMAL) &&
             rc == 0;
    Set(pinpad, "DeviceEnabled", orv::DispArg::Bool(false), "DeviceEnabled = FALSE");
    Step(pinpad, "Release", "Release()", &rc);
    Step(pinpad, "Close", "Close()", &rc);
    std::printf("%s\n", ok ? "EFT transaction complete" : "EFT transaction FAILED");
    return ok ? kComplete : kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    std::string device = "P1";
    bool messageLoop = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--message-loop") == 0)
            messageLoop = true;
        else
            device = argv[i];
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    return Run(device, messageLoop);
}
