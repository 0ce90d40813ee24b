#include "late_bound.h"

#include "platform/oleauto.h"

namespace probedesk {

BenchError ErrorFromHresult(HRESULT hr, const QString& source, const std::string& description) {
    switch (hr) {
        case DISP_E_UNKNOWNNAME:
        case DISP_E_MEMBERNOTFOUND:
            return {err::kNoSuchMember, kBenchSource,
                    QStringLiteral("Object doesn't support this property or method")};
        case DISP_E_TYPEMISMATCH:
            return {err::kTypeMismatch, kBenchSource, QStringLiteral("Type mismatch")};
        case DISP_E_BADPARAMCOUNT:
        case DISP_E_PARAMNOTOPTIONAL:
            return {err::kWrongArguments, kBenchSource,
                    QStringLiteral("Wrong number of arguments or invalid property assignment")};
        case E_POINTER:
            return {err::kObjectNotSet, kBenchSource,
                    QStringLiteral("Object variable or With block variable not set")};
        default:
            break;
    }
    QString text = QString::fromLocal8Bit(description.c_str());
    if (text.isEmpty()) text = QStringLiteral("Automation error");
    return {static_cast<int32_t>(hr), source, text};
}

TextArg::TextArg(const QString& text)
    : text_(SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text.utf16()),
                              static_cast<UINT>(text.size()))) {}

namespace {
QString FromBstr(BSTR b) {
    return QString::fromUtf16(b, static_cast<qsizetype>(SysStringLen(b)));
}
}  // namespace

HRESULT LateBound::Create(const QString& progId, const QString& name) {
    progId_ = progId;
    name_ = name;
    return control_.Create(progId.toLatin1().constData());
}

void LateBound::Check() const {
    if (!control_) throw ErrorFromHresult(E_POINTER, kBenchSource, {});
}

void LateBound::Raise(HRESULT hr) const {
    if (FAILED(hr)) throw ErrorFromHresult(hr, progId_, control_.LastError());
}

int32_t LateBound::GetLong(const char* property) {
    Check();
    int32_t value = 0;
    Raise(control_.Get(property, &value));
    return value;
}

bool LateBound::GetBool(const char* property) {
    Check();
    bool value = false;
    Raise(control_.Get(property, &value));
    return value;
}

QString LateBound::GetString(const char* property) {
    Check();
    BSTR raw = nullptr;
    const HRESULT hr = control_.Get(property, &raw);
    const orv::UniqueBstr value(raw);
    Raise(hr);
    return FromBstr(value.Get());
}

QString LateBound::GetText(const char* property) {
    Check();
    orv::UniqueVariant value;
    Raise(control_.Get(property, value.Put()));
    return VariantText(*value.Get());
}

void LateBound::PutLong(const char* property, int32_t value) {
    Check();
    Raise(control_.Put(property, orv::DispArg(value)));
}

void LateBound::PutBool(const char* property, bool value) {
    Check();
    Raise(control_.Put(property, orv::DispArg::Bool(value)));
}

void LateBound::PutCurrency(const char* property, int64_t value) {
    Check();
    CY cy;
    cy.int64 = value;
    Raise(control_.Put(property, orv::DispArg(cy)));
}

void LateBound::PutString(const char* property, const QString& value) {
    Check();
    TextArg text(value);
    Raise(control_.Put(property, orv::DispArg(text.Get())));
}

int32_t LateBound::DirectIO(int32_t command, bool shortCommand, int32_t* data, QString* text) {
    Check();
    // The control may replace the string; whatever it holds after the call is freed here.
    BSTR raw = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(text->utf16()),
                                 static_cast<UINT>(text->size()));
    int32_t rc = 0;
    const HRESULT hr =
        shortCommand ? control_.Call("DirectIO", &rc, static_cast<int16_t>(command), data, &raw)
                     : control_.Call("DirectIO", &rc, command, data, &raw);
    const orv::UniqueBstr owned(raw);
    Raise(hr);
    *text = FromBstr(owned.Get());
    return rc;
}

QString VariantText(const VARIANT& v) {
    switch (v.vt) {
        case VT_BOOL:
            return v.boolVal != VARIANT_FALSE ? QStringLiteral("True") : QStringLiteral("False");
        case VT_I2:
            return QString::number(v.iVal);
        case VT_I4:
            return QString::number(v.lVal);
        case VT_R8:
            return QString::number(v.dblVal);
        case VT_BSTR:
            return FromBstr(v.bstrVal);
        case VT_EMPTY:
            return {};
        default: {
            VARIANT text;
            VariantInit(&text);
            if (SUCCEEDED(VariantChangeType(&text, &v, 0, VT_BSTR))) {
                QString result = FromBstr(text.bstrVal);
                VariantClear(&text);
                return result;
            }
            return {};
        }
    }
}

}  // namespace probedesk
