// IDispatch::Invoke through a dispatch map for a (long, long*, BSTR*) method, against calling
// the same member directly with the argument conversions written by hand.
#include <benchmark/benchmark.h>

#include "platform/com_ptr.h"
#include "platform/dispatch_map.h"

namespace {

class Target : public orv::DispatchObject<Target> {
public:
    static std::span<const orv::DispatchEntry> DispatchMembers() {
        static constexpr orv::DispatchEntry kMembers[] = {
            orv::DispMethod<&Target::Noop, VT_EMPTY>("Noop"),
            orv::DispMethod<&Target::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
        };
        return kMembers;
    }
    // What the hand-written path calls.
    int32_t DirectIO(int32_t command, int32_t* data, BSTR* text) {
        benchmark::DoNotOptimize(text);
        *data += command;
        return 0;
    }

private:
    void Noop() {}
};

struct Args {
    int32_t data = 0;
    BSTR text = orv::BstrFromAnsi("payload");
    VARIANT v[3];
    DISPPARAMS params;
    Args() {
        VariantInit(&v[0]);
        v[0].vt = VT_BSTR | VT_BYREF;
        v[0].pbstrVal = &text;
        VariantInit(&v[1]);
        v[1].vt = VT_I4 | VT_BYREF;
        v[1].plVal = &data;
        VariantInit(&v[2]);
        v[2].vt = VT_I4;
        v[2].lVal = 3;
        params = DISPPARAMS{v, nullptr, 3, 0};
    }
    ~Args() { SysFreeString(text); }
};

void BM_InvokeThroughDispatchMap(benchmark::State& state) {
    auto target = orv::ComPtr<Target>::Attach(new Target);
    IDispatch* d = target.Get();
    Args a;
    VARIANT result;
    for (auto _ : state) {
        VariantInit(&result);
        d->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &a.params, &result, nullptr, nullptr);
        benchmark::DoNotOptimize(result.lVal);
    }
}
BENCHMARK(BM_InvokeThroughDispatchMap);

// The same work without the map: check the count and types, take the references, call.
HRESULT __attribute__((noinline)) HandInvoke(Target* t, DISPPARAMS* p, VARIANT* result) {
    if (p->cArgs != 3) return DISP_E_BADPARAMCOUNT;
    VARIANT& cmd = p->rgvarg[2];
    VARIANT& data = p->rgvarg[1];
    VARIANT& text = p->rgvarg[0];
    int32_t command = 0;
    if (cmd.vt == VT_I4) {
        command = cmd.lVal;
    } else {
        VARIANT c;
        VariantInit(&c);
        if (FAILED(VariantChangeType(&c, &cmd, 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        command = c.lVal;
    }
    if (data.vt != (VT_I4 | VT_BYREF) || text.vt != (VT_BSTR | VT_BYREF)) return DISP_E_TYPEMISMATCH;
    VariantInit(result);
    result->vt = VT_I4;
    result->lVal = t->DirectIO(command, data.plVal, text.pbstrVal);
    return S_OK;
}

void BM_DirectCallWithHandConversions(benchmark::State& state) {
    auto target = orv::ComPtr<Target>::Attach(new Target);
    Args a;
    VARIANT result;
    for (auto _ : state) {
        HandInvoke(target.Get(), &a.params, &result);
        benchmark::DoNotOptimize(result.lVal);
    }
}
BENCHMARK(BM_DirectCallWithHandConversions);

}  // namespace

BENCHMARK_MAIN();
