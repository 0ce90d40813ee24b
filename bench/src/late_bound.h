// LateBound: an OPOS control as a Basic program sees it. Members are called by name through
// IDispatch; a failed call becomes a BenchError (number, source, description), which the error
// trap of the handler that made the call turns into one log line. The container's extender
// property Name (the control's name on its form) is kept here, as a container keeps it.
#pragma once

#include <QString>

#include <cstdint>
#include <utility>

#include "host/control.h"
#include "platform/com_ptr.h"

namespace probedesk {

// A runtime error of the bench, with the numbers a Basic runtime gives them.
struct BenchError {
    int32_t number = 0;
    QString source;
    QString description;
};

namespace err {
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileAccess = 75;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kNoSuchMember = 438;
inline constexpr int32_t kWrongArguments = 450;
}  // namespace err

// The source of errors that the bench itself raises.
inline const QString kBenchSource = QStringLiteral("ProbeDesk");

// Maps a failed IDispatch call onto the error a Basic runtime would raise.
BenchError ErrorFromHresult(HRESULT hr, const QString& source, const std::string& description);

// A BSTR argument holding a QString (owned for the duration of the call).
class TextArg {
public:
    explicit TextArg(const QString& text);
    BSTR Get() const { return text_.Get(); }

private:
    orv::UniqueBstr text_;
};

class LateBound {
public:
    LateBound() = default;
    LateBound(const LateBound&) = delete;
    LateBound& operator=(const LateBound&) = delete;

    // Creates the control registered under progId; the failure's HRESULT otherwise.
    HRESULT Create(const QString& progId, const QString& name);
    bool Exists() const { return static_cast<bool>(control_); }
    const QString& ProgId() const { return progId_; }
    // The extender property Name ("PinpadControl1").
    const QString& Name() const { return name_; }
    orv::host::Control& Control() { return control_; }

    // A method whose result is a long (an OPOS result code, mostly). Throws BenchError.
    template <class... A>
    int32_t CallLong(const char* method, A&&... args) {
        Check();
        int32_t rc = 0;
        Raise(control_.Call(method, &rc, std::forward<A>(args)...));
        return rc;
    }
    // Property reads. Throw BenchError.
    int32_t GetLong(const char* property);
    bool GetBool(const char* property);
    QString GetString(const char* property);
    // The value as a Basic program prints it: True/False, numbers, text.
    QString GetText(const char* property);
    // Property writes. Throw BenchError.
    void PutLong(const char* property, int32_t value);
    void PutBool(const char* property, bool value);  // True (-1) / False (0)
    void PutString(const char* property, const QString& value);
    // A currency property from its integer with four implied decimals.
    void PutCurrency(const char* property, int64_t value);
    // DirectIO(Command, pData by reference, pString by reference); the command as a 16-bit
    // integer when shortCommand. *data and *text receive what the control returns.
    int32_t DirectIO(int32_t command, bool shortCommand, int32_t* data, QString* text);

private:
    void Check() const;
    void Raise(HRESULT hr) const;

    orv::host::Control control_;
    QString progId_;
    QString name_;
};

// Formats a VARIANT the way Basic's Str/concatenation shows it.
QString VariantText(const VARIANT& v);

}  // namespace probedesk
