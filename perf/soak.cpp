// soak: loops every device class of the simulated terminal through its OPOS control in one
// process (create, Open, ClaimDevice, DeviceEnabled, one real input or output with its event,
// one DirectIO with its answer event, ReleaseDevice, Close) and prints, once a minute, what the
// process holds: resident memory, open descriptors, threads, JNI global references and the live
// Java heap, with the events delivered against those expected. At the end it says per metric
// whether it stayed flat.
//
//   soak MINUTES                         (at least 3; perf/soak sets up a private registry)
//   soak --loops N [--sample-loops K]    a sample every K loops (default 1) instead of a minute
//
// Exit code 0 when every metric stayed flat, every event arrived and every step succeeded; 1
// otherwise; 2 for bad use.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/apartment.h"
#include "host/control.h"
#include "host/opos_events.h"
#include "host/pump.h"
#include "sim_command.h"
#include "soak_metrics.h"

namespace {

namespace opos = orv::host::opos;
using orv::host::Control;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto kEventWait = 5s;
constexpr int kFailuresShown = 20;

struct Tally {
    int64_t expected = 0;
    int64_t delivered = 0;
    int64_t failures = 0;
    int64_t loops = 0;
};

// One device of one loop: the control, its event counts and the failure report.
class Run {
public:
    Run(Tally& tally, const char* device) : tally_(tally), device_(device) {}

    Control control;
    int input = 0;           // the class's input or output-complete events
    int dio = 0;             // DirectIO answers
    bool inputRight = true;  // what the handler read matched what was driven

    const char* device() const { return device_; }
    bool Fail(const std::string& step, const std::string& what) {
        if (++tally_.failures <= kFailuresShown)
            std::fprintf(stderr, "soak: loop %lld %s %s: %s\n",
                         static_cast<long long>(tally_.loops + 1), device_, step.c_str(),
                         what.c_str());
        return false;
    }
    // A method returning an OPOS result that must be 0.
    template <class... A>
    bool Ok(const char* method, A&&... args) {
        int32_t rc = -1;
        const HRESULT hr = control.Call(method, &rc, std::forward<A>(args)...);
        if (FAILED(hr))
            return Fail(method, "HRESULT " + std::to_string(hr) + " " + control.LastError());
        if (rc != 0) return Fail(method, "result " + std::to_string(rc) + Extended());
        return true;
    }
    bool Set(const char* property, const orv::DispArg& value) {
        if (FAILED(control.Put(property, value))) return Fail(property, "the put failed");
        const int32_t rc = Long("ResultCode");
        return rc == 0 || Fail(property, "ResultCode " + std::to_string(rc) + Extended());
    }
    int32_t Long(const char* property) {
        int32_t value = -1;
        control.Get(property, &value);
        return value;
    }
    std::string Text(const char* property) {
        std::string value;
        control.Get(property, &value);
        return value;
    }
    bool Sim(const std::string& command) {
        const std::string answer = orv::example::SimCommand(command);
        return answer.rfind("OK", 0) == 0 || Fail("terminal: " + command, answer);
    }
    // Counts one expected event of `counter` and pumps until it has come.
    bool Await(const int& counter, int want, const char* what) {
        ++tally_.expected;
        if (!orv::host::PumpUntil([&] { return counter >= want; }, kEventWait))
            return Fail(what, "no event within 5 s");
        return true;
    }
    void Delivered() { ++tally_.delivered; }

private:
    std::string Extended() {
        return ", ResultCodeExtended " + std::to_string(Long("ResultCodeExtended"));
    }
    Tally& tally_;
    const char* device_;
};

// --- the input or output of each class, with its event -------------------------------------

bool PinEntry(Run& r) {
    CY amount;
    amount.int64 = 254900;  // 25.49
    return r.Set("DataEventEnabled", orv::DispArg::Bool(true)) && r.Set("Amount", amount) &&
           r.Set("AccountNumber", "4111111111111111") && r.Set("MerchantID", "MERCHANT-0042") &&
           r.Set("TerminalID", "TERM-07") && r.Set("TransactionType", "Debit") &&
           r.Set("MinimumPINLength", 4) && r.Set("MaximumPINLength", 12) &&
           r.Ok("BeginEFTTransaction", "DUKPT", 1) && r.Ok("EnablePINEntry") &&
           r.Sim(std::string("pin ") + r.device() + " 1234") &&
           r.Await(r.input, 1, "PIN entry DataEvent") && r.Ok("EndEFTTransaction", 1);
}

bool Swipe(Run& r) {
    return r.Set("DecodeData", orv::DispArg::Bool(true)) &&
           r.Set("ParseDecodeData", orv::DispArg::Bool(true)) &&
           r.Set("DataEventEnabled", orv::DispArg::Bool(true)) &&
           r.Sim(std::string("swipe ") + r.device() +
                 " \"1=%B4111111111111111^DOE/JOHN^2812101000000000000?\""
                 " \"2=;4111111111111111=28121010000?\"") &&
           r.Await(r.input, 1, "swipe DataEvent");
}

bool Signature(Run& r) {
    return r.Set("DataEventEnabled", orv::DispArg::Bool(true)) && r.Ok("BeginCapture", "Form1") &&
           r.Sim(std::string("sign ") + r.device() + " 20,200 60,120 100,180 - 200,60 300,60") &&
           r.Sim(std::string("sign ") + r.device() + " done") &&
           r.Await(r.input, 1, "signature DataEvent");
}

bool DisplayText(Run& r) {
    if (!r.Ok("DisplayText", "SOAK TEST", 0)) return false;
    const std::string screen = orv::example::SimCommand(std::string("show ") + r.device());
    return screen.find("SOAK TEST") != std::string::npos ||
           r.Fail("DisplayText", "the display does not show the text: " + screen);
}

bool KeyPress(Run& r) {
    return r.Set("EventTypes", 1) &&  // KBD_ET_DOWN
           r.Set("DataEventEnabled", orv::DispArg::Bool(true)) &&
           r.Sim(std::string("key ") + r.device() + " ENTER") &&
           r.Await(r.input, 1, "key DataEvent");
}

bool Tone(Run& r) {
    return r.Set("AsyncMode", orv::DispArg::Bool(true)) && r.Set("Tone1Duration", 20) &&
           r.Set("Tone2Duration", 0) && r.Ok("Sound", 1, 0) &&
           r.Await(r.input, 1, "OutputCompleteEvent");
}

bool Scan(Run& r) {
    return r.Set("DecodeData", orv::DispArg::Bool(true)) &&
           r.Set("DataEventEnabled", orv::DispArg::Bool(true)) &&
           r.Sim(std::string("scan ") + r.device() + " EAN13 4006381333931") &&
           r.Await(r.input, 1, "scan DataEvent");
}

struct DeviceRow {
    const char* progId;
    const char* device;
    DISPID inputEvent;  // 0: the class has no input or output event
    DISPID dioEvent;
    bool errorEvent;
    // A text on the terminal's screen (1, "x,y,text": drawn at the same place every loop, so
    // the screen must not grow) or the connection query (15, answered "1"). The scanner passes
    // its commands on unchanged: 1 with bytes, answered "ACK ...".
    int32_t dioCommand;
    const char* dioText;
    // Inside the input's event handler: whether what arrived is what was driven.
    std::function<bool(Run&, const orv::EventArgs&)> check;
    bool (*drive)(Run&);
};

const std::vector<DeviceRow>& Devices() {
    static const std::vector<DeviceRow> kRows = {
        {"OPOS.PINPad", "P1", opos::DataEvent, opos::DirectIOEvent, true, 1, "10,10,SOAK",
         [](Run& r, const orv::EventArgs&) { return !r.Text("EncryptedPIN").empty(); }, PinEntry},
        {"OPOS.MSR", "M1", opos::DataEvent, opos::DirectIOEvent, true, 15, "",
         [](Run& r, const orv::EventArgs&) {
             return r.Text("AccountNumber") == "4111111111111111";
         },
         Swipe},
        {"OPOS.SigCap", "S1", opos::DataEvent, opos::DirectIOEvent, true, 15, "",
         // five points and the pen-up mark between the strokes
         [](Run& r, const orv::EventArgs&) { return r.Long("TotalPoints") == 6; }, Signature},
        {"DisplayControl.DisplayControlCtrl.1", "L1", 0, opos::linedisplay::DirectIOEvent, false,
         1, "10,10,SOAK", nullptr, DisplayText},
        {"OPOS.POSKeyboard", "K1", opos::DataEvent, opos::DirectIOEvent, true, 15, "",
         [](Run& r, const orv::EventArgs&) { return r.Long("POSKeyData") == 0x0D; }, KeyPress},
        {"OPOS.ToneIndicator", "T1", opos::tone::OutputCompleteEvent, opos::DirectIOEvent, true, 15,
         "", [](Run& r, const orv::EventArgs& a) { return a.Long(0) == r.Long("OutputID"); }, Tone},
        {"OPOS.Scanner", "SCAN1", opos::DataEvent, opos::DirectIOEvent, true, 1, "0A1B",
         [](Run& r, const orv::EventArgs&) { return r.Text("ScanDataLabel") == "4006381333931"; },
         Scan},
    };
    return kRows;
}

// One device through its whole cycle. Release and Close run whatever happened before.
void Cycle(const DeviceRow& row, Tally& tally) {
    Run r(tally, row.device);
    if (const HRESULT hr = r.control.Create(row.progId); FAILED(hr)) {
        r.Fail(std::string("creating ") + row.progId,
               "HRESULT " + std::to_string(hr) + " (is it registered?)");
        return;
    }
    if (row.inputEvent)
        r.control.OnEvent(row.inputEvent, [&](const orv::EventArgs& a) {
            ++r.input;
            r.Delivered();
            if (row.check && !row.check(r, a)) r.inputRight = false;
        });
    r.control.OnEvent(row.dioEvent, [&](const orv::EventArgs&) {
        ++r.dio;
        r.Delivered();
    });
    if (row.errorEvent)
        r.control.OnEvent(opos::ErrorEvent, [&](const orv::EventArgs& a) {
            r.Fail("ErrorEvent", "ResultCode " + std::to_string(a.Long(0)) +
                                     ", ResultCodeExtended " + std::to_string(a.Long(1)));
            if (int32_t* response = a.LongRef(3)) *response = opos::OPOS_ER_CLEAR;
        });
    if (!r.Ok("Open", row.device)) return;
    if (r.Ok("ClaimDevice", 1000) && r.Set("DeviceEnabled", orv::DispArg::Bool(true))) {
        if (row.drive(r) && !r.inputRight)
            r.Fail("input event", "the data read is not what was driven");
        int32_t data = 0;
        BSTR text = orv::BstrFromAnsi(row.dioText);
        const bool sent = r.Ok("DirectIO", row.dioCommand, &data, &text);
        SysFreeString(text);
        if (sent) r.Await(r.dio, 1, "DirectIOEvent");
        r.Ok("ReleaseDevice");
    }
    r.Ok("Close");
}

// --- sampling and the verdict ---------------------------------------------------------------

struct Options {
    int minutes = 0;
    int64_t loops = 0;
    int64_t sampleLoops = 1;
};

bool Whole(const char* text, int64_t low, int64_t high, int64_t* out) {
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

constexpr char kUsage[] =
    "usage: soak MINUTES                      (3 to 1440)\n"
    "       soak --loops N [--sample-loops K] (a sample every K loops; N at least 3 K)\n"
    "Loops open, claim, enable, one input or output with its event, DirectIO, release and close\n"
    "on each of the seven devices of the simulated terminal and prints, per minute (or per K\n"
    "loops), resident memory, open descriptors, threads, JNI global references, the live Java\n"
    "heap and the events delivered/expected. The first period is warm-up, the second the baseline; "
    "exit code 0 when\n"
    "each metric stays within its tolerance of the baseline and nothing was lost.\n";

bool Parse(int argc, char** argv, Options* o) {
    int64_t v = 0;
    if (argc == 2 && Whole(argv[1], 3, 1440, &v)) {
        o->minutes = static_cast<int>(v);
        return true;
    }
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--loops") == 0 && i + 1 < argc &&
            Whole(argv[i + 1], 1, 100000000, &o->loops)) {
            ++i;
        } else if (std::strcmp(argv[i], "--sample-loops") == 0 && i + 1 < argc &&
                   Whole(argv[i + 1], 1, 1000000, &o->sampleLoops)) {
            ++i;
        } else {
            return false;
        }
    }
    return o->loops >= 3 * o->sampleLoops;
}

void PrintSample(const char* unit, size_t index, const Tally& t, const orv::soak::Sample& s) {
    std::printf(
        "%s %3zu  loops %6lld  VmRSS %8lld kB  fds %4lld  threads %4lld  "
        "JNI global refs %5lld  Java heap live %6lld kB  events %lld/%lld\n",
        unit, index, static_cast<long long>(t.loops), static_cast<long long>(s.rssKb),
        static_cast<long long>(s.fds), static_cast<long long>(s.threads),
        static_cast<long long>(s.jniGlobals), static_cast<long long>(s.heapLiveKb),
        static_cast<long long>(t.delivered), static_cast<long long>(t.expected));
}

// Prints the verdict; true when every metric was judged flat.
bool Verdict(const char* unit, const std::vector<orv::soak::Sample>& samples) {
    using namespace orv::soak;
    std::printf(
        "verdict: %s 1 is warm-up, %s 2 the baseline; flat = every later %s within the "
        "tolerance above it\n",
        unit, unit, unit);
    bool allFlat = true;
    for (Metric m : kMetrics) {
        const Judgement j = Judge(samples, m);
        const Tolerance t = ToleranceOf(m);
        if (!j.judged) {
            std::printf("  %-17s NOT JUDGED (a figure is missing)\n", MetricName(m));
            allFlat = false;
            continue;
        }
        std::printf(
            "  %-17s %-7s baseline %lld, highest %lld (%s %zu), limit %lld "
            "(+max(%lld, %.0f%%))\n",
            MetricName(m), j.flat ? "flat" : "GROWING", static_cast<long long>(j.baseline),
            static_cast<long long>(j.worst), unit, j.worstAt + 1, static_cast<long long>(j.limit),
            static_cast<long long>(t.absolute), t.share * 100);
        allFlat = allFlat && j.flat;
    }
    return allFlat;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    Options o;
    if (!Parse(argc, argv, &o)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    orv::host::ComApartment com;
    if (!com) {
        std::fprintf(stderr, "soak: COM cannot be initialised on this thread\n");
        return 1;
    }
    const char* unit = o.minutes ? "minute" : "step";
    const auto start = Clock::now();
    auto nextSample = start + 1min;
    std::vector<orv::soak::Sample> samples;
    Tally tally;
    while (true) {
        for (const DeviceRow& row : Devices()) Cycle(row, tally);
        ++tally.loops;
        const bool due = o.minutes ? Clock::now() >= nextSample : tally.loops % o.sampleLoops == 0;
        if (due) {
            samples.push_back(orv::soak::ReadSample());
            PrintSample(unit, samples.size(), tally, samples.back());
            nextSample += 1min;
        }
        if (o.minutes ? samples.size() >= static_cast<size_t>(o.minutes) : tally.loops >= o.loops)
            break;
    }
    const bool flat = Verdict(unit, samples);
    const bool whole = tally.delivered == tally.expected && tally.failures == 0;
    std::printf("  events            %lld delivered of %lld expected, %lld failed steps\n",
                static_cast<long long>(tally.delivered), static_cast<long long>(tally.expected),
                static_cast<long long>(tally.failures));
    std::printf("soak: %s\n", flat && whole ? "PASS (flat, nothing lost)"
                              : !whole      ? "FAIL (events lost or steps failed)"
                                            : "FAIL (growing)");
    return flat && whole ? 0 : 1;
}
