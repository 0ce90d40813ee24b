// Dispatch maps: DISPIDs by position, name lookup, argument order and coercion, by-reference
// parameters, property get/put, automation exceptions and the error results.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/dispatch_driver.h"
#include "platform/dispatch_map.h"

namespace {

class Sample : public orv::DispatchObject<Sample> {
public:
    Sample() = default;
    static std::span<const orv::DispatchEntry> DispatchMembers() {
        static constexpr orv::DispatchEntry kMembers[] = {
            orv::DispMethod<&Sample::Subtract, VT_I4, VT_I4, VT_I4>("Subtract"),
            orv::DispMethod<&Sample::DirectIO, VT_I4, VT_I4, VT_I4 | VT_BYREF, VT_BSTR | VT_BYREF>("DirectIO"),
            orv::DispMethod<&Sample::Text, VT_BSTR, VT_BSTR>("Text"),
            orv::DispMethod<&Sample::Wide, VT_I4, VT_BSTR>("Wide"),
            orv::DispMethod<&Sample::Raise, VT_EMPTY>("Raise"),
            orv::DispMethod<&Sample::Verify, VT_BOOL, VT_BSTR>("Verify"),
            orv::DispMethod<&Sample::Freeze, VT_I4, VT_BOOL>("Freeze"),
            orv::DispProperty<&Sample::GetCount, &Sample::SetCount, VT_I4>("Count"),
            orv::DispProperty<&Sample::GetCount, nullptr, VT_I4>("ReadOnlyCount"),
            orv::DispMethod<&Sample::Touch, VT_EMPTY>("Touch"),
        };
        return kMembers;
    }
    int32_t count = 0;
    int touched = 0;
    std::string lastText;
    int32_t lastFreeze = -5;

private:
    int32_t Subtract(int32_t a, int32_t b) { return a - b; }
    int32_t DirectIO(int32_t cmd, int32_t* data, BSTR* text) {
        *data += cmd;
        SysReAllocString(text, u"answer");
        return 0;
    }
    BSTR Text(const char* ansi) {
        lastText = ansi;
        return orv::BstrFromAnsi(std::string("<") + ansi + ">");
    }
    int32_t Wide(BSTR b) { return static_cast<int32_t>(SysStringLen(b)); }
    void Raise() { throw orv::DispatchException{"Released while event in progress"}; }
    int32_t Verify(const char*) { return 106; }
    int32_t Freeze(int32_t f) { lastFreeze = f; return 1; }
    int32_t GetCount() { return count; }
    void SetCount(int32_t v) { count = v; }
    void Touch() { ++touched; }
};

class DispatchMap : public ::testing::Test {
protected:
    void SetUp() override { obj = orv::ComPtr<Sample>::Attach(new Sample); }
    IDispatch* d() { return obj.Get(); }
    HRESULT Call(DISPID id, WORD flags, std::vector<VARIANT> argsRightToLeft, VARIANT* result,
                 UINT* argErr = nullptr, EXCEPINFO* e = nullptr) {
        DISPPARAMS p{argsRightToLeft.data(), nullptr, static_cast<UINT>(argsRightToLeft.size()), 0};
        return d()->Invoke(id, IID_NULL, 0, flags, &p, result, e, argErr);
    }
    orv::ComPtr<Sample> obj;
};

VARIANT I4(int32_t v) { VARIANT x; VariantInit(&x); x.vt = VT_I4; x.lVal = v; return x; }
VARIANT I2(int16_t v) { VARIANT x; VariantInit(&x); x.vt = VT_I2; x.iVal = v; return x; }
VARIANT Str(BSTR b) { VARIANT x; VariantInit(&x); x.vt = VT_BSTR; x.bstrVal = b; return x; }

TEST_F(DispatchMap, DispidIsOneBasedPositionAndNamesIgnoreCase) {
    const char16_t* names[] = {u"Subtract", u"directio", u"TEXT", u"Touch"};
    const DISPID expected[] = {1, 2, 3, 10};
    for (int i = 0; i < 4; ++i) {
        LPOLESTR n = const_cast<LPOLESTR>(names[i]);
        DISPID id = 0;
        EXPECT_EQ(d()->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_SYSTEM_DEFAULT, &id), S_OK);
        EXPECT_EQ(id, expected[i]);
    }
    LPOLESTR unknown = const_cast<LPOLESTR>(u"Nope");
    DISPID id = 0;
    EXPECT_EQ(d()->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    LPOLESTR prefix = const_cast<LPOLESTR>(u"Subtrac");
    EXPECT_EQ(d()->GetIDsOfNames(IID_NULL, &prefix, 1, 0, &id), DISP_E_UNKNOWNNAME);
    LPOLESTR withParam[] = {const_cast<LPOLESTR>(u"Subtract"), const_cast<LPOLESTR>(u"a")};
    DISPID ids[2];
    EXPECT_EQ(d()->GetIDsOfNames(IID_NULL, withParam, 2, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 1);
    EXPECT_EQ(ids[1], DISPID_UNKNOWN);
    EXPECT_EQ(d()->GetIDsOfNames(IID_IDispatch, withParam, 1, 0, ids), DISP_E_UNKNOWNINTERFACE);
    EXPECT_EQ(d()->GetIDsOfNames(IID_NULL, nullptr, 1, 0, ids), E_INVALIDARG);
}

TEST_F(DispatchMap, ArgumentsArriveLastFirstAndAreCoerced) {
    orv::UniqueVariant r;
    // rgvarg[0] is the last argument: Subtract(10, 3).
    ASSERT_EQ(Call(1, DISPATCH_METHOD, {I4(3), I4(10)}, r.Get()), S_OK);
    EXPECT_EQ(r->vt, VT_I4);
    EXPECT_EQ(r->lVal, 7);
    // A VB-style caller passes a short for a long parameter.
    ASSERT_EQ(Call(1, DISPATCH_METHOD, {I2(30), I2(100)}, r.Put()), S_OK);
    EXPECT_EQ(r->lVal, 70);
    // Text that reads as a number converts too.
    orv::UniqueBstr five(orv::BstrFromAnsi("5"));
    ASSERT_EQ(Call(1, DISPATCH_METHOD, {Str(five.Get()), I4(8)}, r.Put()), S_OK);
    EXPECT_EQ(r->lVal, 3);
}

TEST_F(DispatchMap, TypeMismatchReportsArgumentIndex) {
    orv::UniqueBstr bad(orv::BstrFromAnsi("not a number"));
    UINT argErr = 99;
    orv::UniqueVariant r;
    // First parameter (rgvarg[1]) is the bad one.
    EXPECT_EQ(Call(1, DISPATCH_METHOD, {I4(1), Str(bad.Get())}, r.Get(), &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
    EXPECT_EQ(Call(1, DISPATCH_METHOD, {Str(bad.Get()), I4(1)}, r.Get(), &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 0u);
}

TEST_F(DispatchMap, ParameterCountAndUnknownMembers) {
    orv::UniqueVariant r;
    EXPECT_EQ(Call(1, DISPATCH_METHOD, {I4(1)}, r.Get()), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(1, DISPATCH_METHOD, {I4(1), I4(2), I4(3)}, r.Get()), DISP_E_BADPARAMCOUNT);
    EXPECT_EQ(Call(0, DISPATCH_METHOD, {}, r.Get()), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(11, DISPATCH_METHOD, {}, r.Get()), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(-1, DISPATCH_METHOD, {}, r.Get()), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(Call(1, DISPATCH_PROPERTYPUT, {I4(1)}, r.Get()), DISP_E_MEMBERNOTFOUND);
    EXPECT_EQ(d()->Invoke(1, IID_IDispatch, 0, DISPATCH_METHOD, nullptr, nullptr, nullptr, nullptr),
              DISP_E_UNKNOWNINTERFACE);
}

TEST_F(DispatchMap, ByReferenceWritesReachCaller) {
    int32_t data = 5;
    BSTR text = orv::BstrFromAnsi("question");
    VARIANT args[3];
    VariantInit(&args[0]);
    args[0].vt = VT_BSTR | VT_BYREF;
    args[0].pbstrVal = &text;
    VariantInit(&args[1]);
    args[1].vt = VT_I4 | VT_BYREF;
    args[1].plVal = &data;
    args[2] = I4(10);
    orv::UniqueVariant r;
    ASSERT_EQ(Call(2, DISPATCH_METHOD, {args[0], args[1], args[2]}, r.Get()), S_OK);
    EXPECT_EQ(data, 15);
    EXPECT_EQ(orv::AnsiFromBstr(text), "answer");
    SysFreeString(text);

    // A by-value argument where a reference is declared cannot carry the write back.
    UINT argErr = 0;
    EXPECT_EQ(Call(2, DISPATCH_METHOD, {args[0], I4(1), I4(10)}, r.Put(), &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);
}

TEST_F(DispatchMap, ByReferenceVariantIsWrittenInPlace) {
    VARIANT holder = I4(1);
    VARIANT textHolder;
    VariantInit(&textHolder);
    textHolder.vt = VT_BSTR;
    textHolder.bstrVal = orv::BstrFromAnsi("x");
    VARIANT refs[2];
    VariantInit(&refs[0]);
    refs[0].vt = VT_VARIANT | VT_BYREF;
    refs[0].pvarVal = &textHolder;
    VariantInit(&refs[1]);
    refs[1].vt = VT_VARIANT | VT_BYREF;
    refs[1].pvarVal = &holder;
    orv::UniqueVariant r;
    ASSERT_EQ(Call(2, DISPATCH_METHOD, {refs[0], refs[1], I4(4)}, r.Get()), S_OK);
    EXPECT_EQ(holder.lVal, 5);
    EXPECT_EQ(orv::AnsiFromBstr(textHolder.bstrVal), "answer");
    VariantClear(&textHolder);
}

TEST_F(DispatchMap, AnsiParametersAndBstrResults) {
    orv::UniqueBstr in(orv::BstrFromAnsi("caf\xE9"));
    orv::UniqueVariant r;
    ASSERT_EQ(Call(3, DISPATCH_METHOD, {Str(in.Get())}, r.Get()), S_OK);
    EXPECT_EQ(obj->lastText, "caf\xE9");
    ASSERT_EQ(r->vt, VT_BSTR);
    EXPECT_EQ(orv::AnsiFromBstr(r->bstrVal), "<caf\xE9>");  // freed by UniqueVariant: the caller owns it
    // A null BSTR is an empty text.
    ASSERT_EQ(Call(3, DISPATCH_METHOD, {Str(nullptr)}, r.Put()), S_OK);
    EXPECT_EQ(obj->lastText, "");
    ASSERT_EQ(Call(4, DISPATCH_METHOD, {Str(nullptr)}, r.Put()), S_OK);
    EXPECT_EQ(r->lVal, 0);
    // A result nobody asked for is freed, not leaked (checked by the sanitizer build).
    EXPECT_EQ(Call(3, DISPATCH_METHOD, {Str(in.Get())}, nullptr), S_OK);
}

TEST_F(DispatchMap, BooleanResultsAndParameters) {
    orv::UniqueVariant r;
    ASSERT_EQ(Call(6, DISPATCH_METHOD, {Str(nullptr)}, r.Get()), S_OK);
    EXPECT_EQ(r->vt, VT_BOOL);
    EXPECT_EQ(r->boolVal, VARIANT_TRUE) << "a nonzero BOOL result becomes VARIANT_TRUE";
    VARIANT t;
    VariantInit(&t);
    t.vt = VT_BOOL;
    t.boolVal = VARIANT_TRUE;
    ASSERT_EQ(Call(7, DISPATCH_METHOD, {t}, r.Put()), S_OK);
    EXPECT_EQ(obj->lastFreeze, 1);
    ASSERT_EQ(Call(7, DISPATCH_METHOD, {I4(0)}, r.Put()), S_OK);
    EXPECT_EQ(obj->lastFreeze, 0);
}

TEST_F(DispatchMap, PropertiesGetAndPut) {
    VARIANT v = I4(12);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS put{&v, &named, 1, 1};
    ASSERT_EQ(d()->Invoke(8, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(obj->count, 12);
    orv::UniqueVariant r;
    ASSERT_EQ(Call(8, DISPATCH_PROPERTYGET, {}, r.Get()), S_OK);
    EXPECT_EQ(r->lVal, 12);
    // Late-bound callers ask METHOD|PROPERTYGET.
    ASSERT_EQ(Call(8, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {}, r.Put()), S_OK);
    EXPECT_EQ(r->lVal, 12);
    EXPECT_EQ(d()->Invoke(9, IID_NULL, 0, DISPATCH_PROPERTYPUT, &put, nullptr, nullptr, nullptr),
              DISP_E_MEMBERNOTFOUND);
    DISPID otherName = 3;
    DISPPARAMS badNamed{&v, &otherName, 1, 1};
    EXPECT_EQ(d()->Invoke(8, IID_NULL, 0, DISPATCH_PROPERTYPUT, &badNamed, nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
    EXPECT_EQ(d()->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &badNamed, nullptr, nullptr, nullptr),
              DISP_E_NONAMEDARGS);
}

TEST_F(DispatchMap, MemberRaisesAutomationException) {
    EXCEPINFO e{};
    orv::UniqueVariant r;
    EXPECT_EQ(Call(5, DISPATCH_METHOD, {}, r.Get(), nullptr, &e), DISP_E_EXCEPTION);
    EXPECT_EQ(orv::AnsiFromBstr(e.bstrDescription), "Released while event in progress");
    EXPECT_TRUE(FAILED(e.scode));
    SysFreeString(e.bstrDescription);
    SysFreeString(e.bstrSource);
    // Without EXCEPINFO the result is the same and nothing leaks.
    EXPECT_EQ(Call(5, DISPATCH_METHOD, {}, r.Get()), DISP_E_EXCEPTION);
}

TEST_F(DispatchMap, DriverCallsByDispidWithTypedArguments) {
    orv::DispatchDriver driver(d(), false);
    int32_t r = 0;
    ASSERT_EQ(driver.Call(1, &r, 50, 8), S_OK);
    EXPECT_EQ(r, 42);
    int32_t data = 1;
    BSTR text = nullptr;
    ASSERT_EQ(driver.Call(2, &r, 3, &data, &text), S_OK);
    EXPECT_EQ(data, 4);
    EXPECT_EQ(orv::AnsiFromBstr(text), "answer");
    SysFreeString(text);
    BSTR out = nullptr;
    ASSERT_EQ(driver.Call(3, &out, "hi"), S_OK);
    EXPECT_EQ(orv::AnsiFromBstr(out), "<hi>");
    SysFreeString(out);
    bool verified = false;
    ASSERT_EQ(driver.Call(6, &verified, "m"), S_OK);
    EXPECT_TRUE(verified);
    ASSERT_EQ(driver.Call(7, &r, orv::DispArg::Bool(true)), S_OK);
    EXPECT_EQ(obj->lastFreeze, 1);
    ASSERT_EQ(driver.Put(8, 33), S_OK);
    ASSERT_EQ(driver.Get(8, &r), S_OK);
    EXPECT_EQ(r, 33);
    ASSERT_EQ(driver.Call(10, nullptr), S_OK);
    EXPECT_EQ(obj->touched, 1);
    orv::DispatchError err;
    EXPECT_EQ(driver.Invoke(5, DISPATCH_METHOD, VT_EMPTY, nullptr, {}, &err), DISP_E_EXCEPTION);
    EXPECT_EQ(err.description, "Released while event in progress");
    DISPID id = 0;
    EXPECT_EQ(driver.GetDispId("readonlycount", &id), S_OK);
    EXPECT_EQ(id, 9);
    orv::DispatchDriver empty;
    EXPECT_EQ(empty.Call(1, &r, 1, 2), E_POINTER);
}

TEST_F(DispatchMap, QueryInterfaceAndReferenceCounting) {
    orv::ComPtr<IUnknown> unk;
    ASSERT_EQ(obj->QueryInterface(IID_IUnknown, unk.PutVoid()), S_OK);
    orv::ComPtr<IDispatch> disp;
    ASSERT_EQ(unk->QueryInterface(IID_IDispatch, disp.PutVoid()), S_OK);
    orv::ComPtr<IClassFactory> none;
    EXPECT_EQ(obj->QueryInterface(IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(obj->QueryInterface(IID_IUnknown, nullptr), E_POINTER);
    UINT count = 9;
    EXPECT_EQ(obj->GetTypeInfoCount(&count), S_OK);
    EXPECT_EQ(count, 0u);
}

}  // namespace
