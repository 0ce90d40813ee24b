// The four report dialects of the terminals and scanners (see device_factory.cpp for which
// usage page and usage selects which).
#pragma once

#include "device_base.h"

namespace orv::hidport {

// HID point-of-sale scanner page: input report 2 = count, symbology identifier, data; output
// report 0xFD = count, data; feature report 0xFE redirects output.
class CDeviceHidPos : public CDeviceBase {
public:
    bool WriteChunk(const unsigned char* data, ULONG length) override;
    void ParseInputReport(const unsigned char* report, ULONG length,
                          std::vector<unsigned char>& out) override;
    virtual bool DoRedirectOutput(unsigned char mode);
    virtual bool SendControl1();
    virtual bool SendControl2();
    virtual bool SendControl3();
    virtual bool SendControl4();
    virtual bool SendControl5();
    virtual bool SendControl6();
};

// Vendor page 0xFF45 text reports: a zero-terminated text from byte 5; output not supported.
class CDeviceStringReport : public CDeviceBase {
public:
    bool WriteChunk(const unsigned char* data, ULONG length) override;
    void ParseInputReport(const unsigned char* report, ULONG length,
                          std::vector<unsigned char>& out) override;
    virtual bool SendControl1();
    virtual bool SendControl2();
    virtual bool SendControl3(bool on);
};

// Vendor page 0xFF45 devices that announce data in an input report and hand it over in feature
// report 0.
class CDeviceFeatureReport : public CDeviceBase {
public:
    static constexpr ULONG kFeatureBufferSize = 250;
    bool WriteChunk(const unsigned char* data, ULONG length) override;
    void ParseInputReport(const unsigned char* report, ULONG length,
                          std::vector<unsigned char>& out) override;
};

// Vendor page 0xFFA0: counted data in both directions.
class CDeviceCountedReport : public CDeviceBase {
public:
    bool WriteChunk(const unsigned char* data, ULONG length) override;
    void ParseInputReport(const unsigned char* report, ULONG length,
                          std::vector<unsigned char>& out) override;
    virtual bool SendSynT();
    virtual bool SendSynU();
    virtual bool SendSynBel();
    virtual bool SendSynBel3();
};

// Appends report[first, first + count) to out, cut at the report's end.
void AppendBounded(const unsigned char* report, ULONG length, ULONG first, ULONG count,
                   std::vector<unsigned char>& out);

}  // namespace orv::hidport
