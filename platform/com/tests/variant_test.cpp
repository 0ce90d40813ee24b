// VARIANT lifetime functions and the coercions of VariantChangeType.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/com_ptr.h"
#include "platform/dispatch_map.h"
#include "platform/oleauto.h"

namespace {

VARIANT MakeI4(int32_t v) { VARIANT x; VariantInit(&x); x.vt = VT_I4; x.lVal = v; return x; }
VARIANT MakeI2(int16_t v) { VARIANT x; VariantInit(&x); x.vt = VT_I2; x.iVal = v; return x; }
VARIANT MakeR8(double v) { VARIANT x; VariantInit(&x); x.vt = VT_R8; x.dblVal = v; return x; }
VARIANT MakeBool(bool v) { VARIANT x; VariantInit(&x); x.vt = VT_BOOL; x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE; return x; }
VARIANT MakeCy(int64_t scaled) { VARIANT x; VariantInit(&x); x.vt = VT_CY; x.cyVal.int64 = scaled; return x; }
VARIANT MakeText(const char* ansi) { VARIANT x; VariantInit(&x); x.vt = VT_BSTR; x.bstrVal = orv::BstrFromAnsi(ansi); return x; }

TEST(Variant, LayoutIsWindowsX64) {
    EXPECT_EQ(sizeof(VARIANT), 24u);
    EXPECT_EQ(offsetof(VARIANT, lVal), 8u);
}

TEST(Variant, ClearFreesOwnedAndResetsToEmpty) {
    VARIANT v = MakeText("owned");
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    // A by-reference BSTR is not owned: clearing leaves the referenced BSTR alone.
    orv::UniqueBstr target(orv::BstrFromAnsi("kept"));
    BSTR raw = target.Get();
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_BSTR | VT_BYREF;
    ref.pbstrVal = &raw;
    EXPECT_EQ(VariantClear(&ref), S_OK);
    EXPECT_EQ(orv::AnsiFromBstr(target.Get()), "kept");
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x0FFF;
    EXPECT_EQ(VariantClear(&bad), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(Variant, CopyIsDeepForBstrAndShallowForReferences) {
    VARIANT src = MakeText("text");
    orv::UniqueVariant dst;
    ASSERT_EQ(VariantCopy(dst.Get(), &src), S_OK);
    EXPECT_NE(dst->bstrVal, src.bstrVal);
    EXPECT_EQ(orv::AnsiFromBstr(dst->bstrVal), "text");
    VariantClear(&src);

    int32_t value = 7;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &value;
    orv::UniqueVariant refCopy;
    ASSERT_EQ(VariantCopy(refCopy.Get(), &ref), S_OK);
    EXPECT_EQ(refCopy->plVal, &value);
    orv::UniqueVariant deref;
    ASSERT_EQ(VariantCopyInd(deref.Get(), &ref), S_OK);
    EXPECT_EQ(deref->vt, VT_I4);
    EXPECT_EQ(deref->lVal, 7);
}

struct Coercion {
    const char* name;
    VARIANT (*make)();
    VARTYPE to;
    HRESULT expected;
    std::string text;  // expected value, rendered by Render()
};

std::string Render(const VARIANT& v) {
    switch (v.vt) {
        case VT_I2: return std::to_string(v.iVal);
        case VT_I4: return std::to_string(v.lVal);
        case VT_BOOL: return v.boolVal == VARIANT_TRUE ? "true" : (v.boolVal == 0 ? "false" : "bad");
        case VT_R8: { char b[64]; std::snprintf(b, sizeof b, "%g", v.dblVal); return b; }
        case VT_CY: return std::to_string(v.cyVal.int64);
        case VT_BSTR: return "'" + orv::AnsiFromBstr(v.bstrVal) + "'";
        case VT_EMPTY: return "empty";
        default: return "vt" + std::to_string(v.vt);
    }
}

class ChangeType : public ::testing::TestWithParam<Coercion> {};

TEST_P(ChangeType, Converts) {
    const Coercion& c = GetParam();
    VARIANT src = c.make();
    orv::UniqueVariant dst;
    const HRESULT hr = VariantChangeType(dst.Get(), &src, 0, c.to);
    EXPECT_EQ(hr, c.expected) << c.name;
    if (SUCCEEDED(hr)) {
        EXPECT_EQ(dst->vt, c.to);
        EXPECT_EQ(Render(*dst.Get()), c.text) << c.name;
    } else {
        EXPECT_EQ(dst->vt, VT_EMPTY) << "a failed conversion leaves dest unchanged";
    }
    VariantClear(&src);
}

const Coercion kCoercions[] = {
    {"i2_to_i4", [] { return MakeI2(30); }, VT_I4, S_OK, "30"},
    {"i4_to_i2", [] { return MakeI4(-300); }, VT_I2, S_OK, "-300"},
    {"i4_to_i2_overflow", [] { return MakeI4(40000); }, VT_I2, DISP_E_OVERFLOW, ""},
    {"r8_half_even_down", [] { return MakeR8(2.5); }, VT_I4, S_OK, "2"},
    {"r8_half_even_up", [] { return MakeR8(3.5); }, VT_I4, S_OK, "4"},
    {"r8_negative", [] { return MakeR8(-1.5); }, VT_I4, S_OK, "-2"},
    {"r8_overflow", [] { return MakeR8(3e10); }, VT_I4, DISP_E_OVERFLOW, ""},
    {"bool_to_i4", [] { return MakeBool(true); }, VT_I4, S_OK, "-1"},
    {"i4_to_bool", [] { return MakeI4(5); }, VT_BOOL, S_OK, "true"},
    {"zero_to_bool", [] { return MakeI4(0); }, VT_BOOL, S_OK, "false"},
    {"i4_to_cy", [] { return MakeI4(12); }, VT_CY, S_OK, "120000"},
    {"cy_to_i4_rounds", [] { return MakeCy(25000); }, VT_I4, S_OK, "2"},
    {"cy_to_r8", [] { return MakeCy(15000); }, VT_R8, S_OK, "1.5"},
    {"r8_to_cy", [] { return MakeR8(1.23456); }, VT_CY, S_OK, "12346"},
    {"i4_to_text", [] { return MakeI4(-42); }, VT_BSTR, S_OK, "'-42'"},
    {"r8_to_text", [] { return MakeR8(0.1); }, VT_BSTR, S_OK, "'0.1'"},
    {"cy_to_text", [] { return MakeCy(15000); }, VT_BSTR, S_OK, "'1.5'"},
    {"bool_to_text", [] { return MakeBool(true); }, VT_BSTR, S_OK, "'-1'"},
    {"text_to_i4", [] { return MakeText(" 123 "); }, VT_I4, S_OK, "123"},
    {"text_to_i4_fraction", [] { return MakeText("2.5"); }, VT_I4, S_OK, "2"},
    {"text_to_i4_hex", [] { return MakeText("&H1F"); }, VT_I4, S_OK, "31"},
    {"text_not_number", [] { return MakeText("12abc"); }, VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"text_empty", [] { return MakeText(""); }, VT_I4, DISP_E_TYPEMISMATCH, ""},
    {"text_overflow", [] { return MakeText("99999999999"); }, VT_I4, DISP_E_OVERFLOW, ""},
    {"text_to_bool_word", [] { return MakeText("true"); }, VT_BOOL, S_OK, "true"},
    {"text_to_bool_number", [] { return MakeText("0"); }, VT_BOOL, S_OK, "false"},
    {"text_to_r8", [] { return MakeText("1e3"); }, VT_R8, S_OK, "1000"},
    {"empty_to_i4", [] { VARIANT v; VariantInit(&v); return v; }, VT_I4, S_OK, "0"},
    {"empty_to_text", [] { VARIANT v; VariantInit(&v); return v; }, VT_BSTR, S_OK, "''"},
    {"i4_to_dispatch", [] { return MakeI4(1); }, VT_DISPATCH, DISP_E_TYPEMISMATCH, ""},
    {"text_same_type", [] { return MakeText("same"); }, VT_BSTR, S_OK, "'same'"},
};

INSTANTIATE_TEST_SUITE_P(Table, ChangeType, ::testing::ValuesIn(kCoercions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Variant, ChangeTypeReadsByReferenceSources) {
    int32_t value = 9;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &value;
    orv::UniqueVariant out;
    ASSERT_EQ(VariantChangeType(out.Get(), &ref, 0, VT_BSTR), S_OK);
    EXPECT_EQ(orv::AnsiFromBstr(out->bstrVal), "9");

    orv::UniqueBstr text(orv::BstrFromAnsi("77"));
    BSTR raw = text.Get();
    VARIANT sref;
    VariantInit(&sref);
    sref.vt = VT_BSTR | VT_BYREF;
    sref.pbstrVal = &raw;
    ASSERT_EQ(VariantChangeType(out.Get(), &sref, 0, VT_I2), S_OK);
    EXPECT_EQ(out->iVal, 77);
    EXPECT_EQ(VariantChangeType(out.Get(), &sref, 0, VT_I4 | VT_BYREF), DISP_E_TYPEMISMATCH);
}

TEST(Variant, ChangeTypeInPlace) {
    VARIANT v = MakeText("15");
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.vt, VT_I4);
    EXPECT_EQ(v.lVal, 15);
    VARIANT keep = MakeText("x");
    EXPECT_EQ(VariantChangeType(&keep, &keep, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(keep.vt, VT_BSTR) << "a failed in-place conversion keeps the value";
    VariantClear(&keep);
}

TEST(Variant, AlphaBoolGivesWords) {
    VARIANT v = MakeBool(false);
    orv::UniqueVariant out;
    ASSERT_EQ(VariantChangeType(out.Get(), &v, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
    EXPECT_EQ(orv::AnsiFromBstr(out->bstrVal), "False");
}

// An object converts through its DISPID_VALUE property.
class ValueObject : public orv::DispatchObject<ValueObject> {
public:
    ValueObject() = default;
    static std::span<const orv::DispatchEntry> DispatchMembers() {
        static constexpr orv::DispatchEntry kMembers[] = {
            orv::DispProperty<&ValueObject::Get, nullptr, VT_I4>("Value")};
        return kMembers;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID riid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* e,
                                     UINT* argErr) override {
        return DispatchObjectBase::Invoke(dispid == DISPID_VALUE ? 1 : dispid, riid, lcid, flags,
                                          params, result, e, argErr);
    }

private:
    int32_t Get() { return 41; }
};

TEST(Variant, DispatchConvertsThroughValueProperty) {
    auto* obj = new ValueObject;
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = obj;
    orv::UniqueVariant out;
    EXPECT_EQ(VariantChangeType(out.Get(), &v, 0, VT_I4), S_OK);
    EXPECT_EQ(out->lVal, 41);
    EXPECT_EQ(VariantChangeType(out.Get(), &v, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
    orv::UniqueVariant copy;
    ASSERT_EQ(VariantCopy(copy.Get(), &v), S_OK);  // adds a reference
    VariantClear(&v);                                // drops ours; the copy keeps it alive
    EXPECT_EQ(copy->pdispVal, obj);
}

}  // namespace
