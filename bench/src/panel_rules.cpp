#include "panel_rules.h"

#include <limits>
#include <utility>

#include "point_array.h"
#include "so_core/trace_mask.h"

namespace probedesk {

std::optional<int64_t> AmountFromText(const QString& text) {
    const QString t = text.trimmed();
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    const QString whole = dot < 0 ? t : t.left(dot);
    const QString decimals = dot < 0 ? QString() : t.mid(dot + 1);
    if (whole.isEmpty() && decimals.isEmpty()) return std::nullopt;
    if (decimals.size() > 4) return std::nullopt;
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (const QChar c : whole) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        const int digit = c.unicode() - '0';
        if (value > (kMax - digit) / 10) return std::nullopt;
        value = value * 10 + digit;
    }
    int64_t fraction = 0;
    for (qsizetype i = 0; i < 4; ++i) {
        int digit = 0;
        if (i < decimals.size()) {
            const QChar c = decimals[i];
            if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
            digit = c.unicode() - '0';
        }
        fraction = fraction * 10 + digit;
    }
    if (value > (kMax - fraction) / 10000) return std::nullopt;
    return value * 10000 + fraction;
}

QString ScanDataTypeName(int32_t code) {
    static const std::pair<int32_t, const char*> kNames[] = {
        {0, "Unknown"},
        {101, "UPCA"},
        {102, "UPCE"},
        {103, "JAN8"},
        {104, "JAN13"},
        {105, "2 of 5"},
        {106, "I 2 of 5"},
        {107, "Codabar"},
        {108, "Code 39"},
        {109, "Code 93"},
        {110, "Code 128"},
        {111, "UPC-A w/supplemental"},
        {112, "UPC-E w/supplemental"},
        {113, "UPC-D1"},
        {114, "UPC-D2"},
        {115, "UPC-D3"},
        {116, "UPC-D4"},
        {117, "UPC-D5"},
        {118, "EAN8 w/supplemental"},
        {119, "EAN13 w/supplemental"},
        {120, "EAN 128"},
        {121, "OCR-A"},
        {122, "OCR-B"},
        {131, "RSS-14"},
        {132, "RSS Expanded"},
        {201, "PDF417"},
        {202, "Maxicode"},
        {501, "Other"},
    };
    for (const auto& [c, name] : kNames)
        if (c == code) return QString::fromLatin1(name);
    return {};
}

namespace {
std::optional<int32_t> DigitsAt(const QString& text, qsizetype from) {
    qsizetype end = from;
    while (end < text.size() && end - from < 9 && text[end].isDigit() &&
           text[end].unicode() < 0x80)
        ++end;
    if (end == from) return std::nullopt;
    return text.mid(from, end - from).toInt();
}
}  // namespace

std::optional<int32_t> NumberFromFourth(const QString& entry) { return DigitsAt(entry, 3); }

std::optional<int32_t> LeadingNumber(const QString& entry) {
    return DigitsAt(entry.trimmed(), 0);
}

std::vector<SignaturePoint> SignaturePoints(BSTR pointArray, int32_t conversion) {
    std::vector<SignaturePoint> points;
    if (conversion < 0 || conversion > 2 || !pointArray) return points;
    // Characters per point; a partial point at the end is cut off before decoding.
    const UINT perPoint = conversion == 0 ? 4 : conversion == 1 ? 8 : 12;
    const UINT length = SysStringLen(pointArray) / perPoint * perPoint;
    const orv::UniqueBstr whole(SysAllocStringLen(pointArray, length));
    if (!whole.Get()) return points;
    const auto bytes = orv::sigcap::PointBytes(whole.Get(), conversion);
    if (!bytes) return points;
    const std::vector<uint8_t>& b = *bytes;
    for (size_t i = 0; i + 4 <= b.size(); i += 4) {
        const bool up = b[i] == 0xFF && b[i + 1] == 0xFF && b[i + 2] == 0xFF && b[i + 3] == 0xFF;
        points.push_back({b[i] | (b[i + 1] << 8), b[i + 2] | (b[i + 3] << 8), up});
    }
    return points;
}

std::vector<QLineF> SignatureLines(const std::vector<SignaturePoint>& points, double scale) {
    std::vector<QLineF> lines;
    for (size_t i = 1; i < points.size(); ++i) {
        const SignaturePoint& a = points[i - 1];
        const SignaturePoint& b = points[i];
        if (a.penUp || b.penUp) continue;
        lines.emplace_back(a.x * scale, a.y * scale, b.x * scale, b.y * scale);
    }
    return lines;
}

double SignatureScale(int pictureWidth, int32_t maximumX) {
    if (maximumX <= 0 || pictureWidth <= 0) return 1.0;
    return static_cast<double>(pictureWidth) / maximumX;
}

QString MaskAccount(const QString& text) {
    return QString::fromStdString(orv::so::MaskAccountNumber(text.toStdString()));
}

QString MaskSecret(const QString& text) { return QString(text.size(), QLatin1Char('*')); }

QString MaskTrack(const QString& track) {
    // Where the account number is: the first run of 12 to 19 digits.
    qsizetype panStart = -1, panEnd = -1;
    for (qsizetype i = 0; i < track.size();) {
        if (!track[i].isDigit()) {
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < track.size() && track[j].isDigit()) ++j;
        if (j - i >= 12 && j - i <= 19) {
            panStart = i;
            panEnd = j;
            break;
        }
        i = j;
    }
    QString out;
    out.reserve(track.size());
    for (qsizetype i = 0; i < track.size(); ++i) {
        if (i == panStart) {
            out += MaskAccount(track.mid(panStart, panEnd - panStart));
            i = panEnd - 1;
            continue;
        }
        const QChar c = track[i];
        out += c.isLetterOrNumber() ? QLatin1Char('*') : c;
    }
    return out;
}

}  // namespace probedesk
