// The rules of the device panels that need no control: the amount text, the scan data type
// names, the signature's points and drawing, the masking of card data shown by the bench.
#pragma once

#include <QLineF>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/oleauto.h"

namespace probedesk {

// The amount text as an integer with four implied decimals ("123.45" -> 1234500, "7" -> 70000,
// "0.0001" -> 1). Digits with at most one '.', at most four decimals, blanks around allowed;
// anything else (signs, exponents, more decimals, a value past the 64-bit range): nullopt.
std::optional<int64_t> AmountFromText(const QString& text);

// The scanner's data type names; "" for a code without one.
QString ScanDataTypeName(int32_t code);

// The number in a list entry from its fourth character on ("KEY5" -> 5); nullopt without one.
std::optional<int32_t> NumberFromFourth(const QString& entry);
// The number a list entry starts with ("3 - Enter Valid PIN" -> 3); nullopt without one.
std::optional<int32_t> LeadingNumber(const QString& entry);

struct SignaturePoint {
    int x;
    int y;
    bool penUp;  // the point ends a stroke (its four bytes are all 0xFF)
    bool operator==(const SignaturePoint&) const = default;
};

// The points of a PointArray text by BinaryConversion (0: one character per byte through the
// ANSI code page, 1: two nibble characters per byte, 2: three decimal digits per byte). A
// partial point at the end is ignored; a text that is not of the form gives no points.
std::vector<SignaturePoint> SignaturePoints(BSTR pointArray, int32_t conversion);

// The lines that draw the points: each point joined to the one before unless either ends a
// stroke; coordinates multiplied by scale.
std::vector<QLineF> SignatureLines(const std::vector<SignaturePoint>& points, double scale);

// Pad coordinates to picture pixels: width / MaximumX; 1 when MaximumX is not positive (a closed
// device, a failed read), so the points are drawn unscaled instead of dividing by zero.
double SignatureScale(int pictureWidth, int32_t maximumX);

// Track data as the bench shows and logs it: the account number (the first run of 12 to 19
// digits) keeps at most its first six and last four digits, every other letter or digit becomes
// '*', sentinels and separators stay, so the layout of a track can be checked without the card.
QString MaskTrack(const QString& track);
// Account numbers: the first six and last four digits at most.
QString MaskAccount(const QString& text);
// Keys and PIN blocks: every character becomes '*'.
QString MaskSecret(const QString& text);

}  // namespace probedesk
