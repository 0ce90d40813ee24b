// The hidraw backend against a fake sysfs and /dev tree: enumeration order, what each query
// reads from where, and the report layout over a FIFO or plain-file node.
#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "fake_sysfs.h"
#include "golden.h"
#include "platform/hid.h"
#include "platform/win32.h"

namespace {

using namespace orv::hid::test;
using Bytes = std::vector<uint8_t>;

class Hidraw : public ::testing::Test {
protected:
    void SetUp() override { unsetenv("ORV_HID_BACKEND"); }
    std::vector<std::string> Paths() {
        std::vector<std::string> paths;
        HANDLE list = OrvHidGetInterfaceList();
        EXPECT_NE(list, INVALID_HANDLE_VALUE);
        char path[512];
        for (DWORD i = 0; OrvHidGetInterfacePath(list, i, path, sizeof path, nullptr); ++i)
            paths.emplace_back(path);
        OrvHidDestroyInterfaceList(list);
        return paths;
    }
    FakeNode Scanner(int number) {
        FakeNode node;
        node.number = number;
        node.vendorId = 0x0C2E;
        node.productId = 0x0B61;
        node.descriptor = ReadDescriptor("pos_scanner");
        node.product = "Hand Scanner";
        node.serial = "SN" + std::to_string(number);
        node.bcdDevice = 0x0213;
        return node;
    }
    FakeSysfs sysfs_;
};

TEST_F(Hidraw, ListsNodesInNumberOrder) {
    for (int n : {10, 2, 0}) sysfs_.Add(Scanner(n));
    EXPECT_EQ(Paths(),
              (std::vector<std::string>{sysfs_.DevPath(0), sysfs_.DevPath(2), sysfs_.DevPath(10)}));
}

TEST_F(Hidraw, NoClassFolderIsAnError) {
    setenv("ORV_HID_SYSFS_ROOT", (sysfs_.Root() + "/nowhere").c_str(), 1);
    EXPECT_EQ(OrvHidGetInterfaceList(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_PATH_NOT_FOUND));
}

TEST_F(Hidraw, UsbNodeReportsWhatTheDeviceReports) {
    sysfs_.Add(Scanner(3));
    HANDLE h = OrvHidOpen(sysfs_.DevPath(3).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HIDD_ATTRIBUTES attributes{};
    ASSERT_TRUE(OrvHidGetAttributes(h, &attributes));
    EXPECT_EQ(attributes.VendorID, 0x0C2E);
    EXPECT_EQ(attributes.ProductID, 0x0B61);
    EXPECT_EQ(attributes.VersionNumber, 0x0213);
    char16_t text[64];
    ASSERT_TRUE(OrvHidGetProductString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"Hand Scanner");  // the USB product string, not HID_NAME
    ASSERT_TRUE(OrvHidGetSerialNumberString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"SN3");
    HIDP_CAPS caps{};
    ASSERT_TRUE(OrvHidGetCaps(h, &caps));
    EXPECT_EQ(FormatCaps(caps, true), ReadCaps("pos_scanner"));
    EXPECT_TRUE(OrvHidClose(h));
}

TEST_F(Hidraw, NodeOffUsbUsesHidNameAndUniqueId) {
    FakeNode node = Scanner(1);
    node.usb = false;
    node.product = "BT Scanner";
    node.serial = "aa:bb:cc:dd:ee:ff";
    sysfs_.Add(node);
    HANDLE h = OrvHidOpen(sysfs_.DevPath(1).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char16_t text[64];
    ASSERT_TRUE(OrvHidGetProductString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"BT Scanner");
    ASSERT_TRUE(OrvHidGetSerialNumberString(h, text, sizeof text));
    EXPECT_EQ(std::u16string(text), u"aa:bb:cc:dd:ee:ff");
    OrvHidClose(h);
}

TEST_F(Hidraw, MissingSerialAndBadDescriptorGiveErrors) {
    FakeNode node = Scanner(4);
    node.serial.clear();
    node.descriptor = {0x05, 0x01, 0xA1, 0x01};  // collection never closed
    sysfs_.Add(node);
    HANDLE h = OrvHidOpen(sysfs_.DevPath(4).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    char16_t text[8];
    EXPECT_FALSE(OrvHidGetSerialNumberString(h, text, sizeof text));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_NOT_SUPPORTED));
    HIDP_CAPS caps;
    std::memset(&caps, 0xAB, sizeof caps);
    EXPECT_FALSE(OrvHidGetCaps(h, &caps));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_DATA));
    EXPECT_EQ(caps.UsagePage, 0xABAB);  // untouched
    OrvHidClose(h);
}

TEST_F(Hidraw, NodeWithoutDeviceFileIsListedButDoesNotOpen) {
    FakeNode node = Scanner(5);
    node.dev = FakeNode::Dev::Missing;
    sysfs_.Add(node);
    EXPECT_EQ(Paths(), std::vector<std::string>{sysfs_.DevPath(5)});
    EXPECT_EQ(OrvHidOpen(sysfs_.DevPath(5).c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(OrvHidOpen((sysfs_.Root() + "/dev/hidraw77").c_str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_FILE_NOT_FOUND));
}

// Reads through a FIFO: what the node gives is what a hidraw read returns (no report ID byte
// on a device without IDs); the backend adds the 0 and pads to the input length.
TEST_F(Hidraw, ReadsAddTheZeroReportIdAndPad) {
    FakeNode node = Scanner(6);
    node.descriptor = ReadDescriptor("vendor_without_ids");
    node.dev = FakeNode::Dev::Fifo;
    sysfs_.Add(node);
    HANDLE h = OrvHidOpen(sysfs_.DevPath(6).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Bytes buffer(65, 0xCC);
    DWORD read = 0;
    ASSERT_FALSE(OrvHidReadReport(h, buffer.data(), 65, &read, ready));
    ASSERT_EQ(GetLastError(), DWORD(ERROR_IO_PENDING));

    const int writer = ::open(sysfs_.DevPath(6).c_str(), O_WRONLY | O_NONBLOCK);
    ASSERT_GE(writer, 0);
    const uint8_t report[] = {0x01, 0x02, 0x03};
    ASSERT_EQ(::write(writer, report, sizeof report), ssize_t(sizeof report));
    ASSERT_EQ(WaitForSingleObject(ready, 2000), WAIT_OBJECT_0);
    ASSERT_TRUE(OrvHidGetReadResult(h, buffer.data(), 65, &read));
    EXPECT_EQ(read, 65u);
    Bytes expected(65, 0);
    expected[1] = 0x01, expected[2] = 0x02, expected[3] = 0x03;
    EXPECT_EQ(buffer, expected);
    ::close(writer);
    OrvHidClose(h);
    CloseHandle(ready);
}

TEST_F(Hidraw, WritesGoToTheNodeAsTheyAre) {
    sysfs_.Add(Scanner(7));
    HANDLE h = OrvHidOpen(sysfs_.DevPath(7).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    Bytes report(64, 0);
    report[0] = 0xFD, report[1] = 0x02, report[2] = 'O', report[3] = 'K';
    DWORD written = 0;
    ASSERT_TRUE(OrvHidWriteReport(h, report.data(), 64, 1000, &written));
    EXPECT_EQ(written, 64u);
    EXPECT_FALSE(OrvHidWriteReport(h, report.data(), 63, 1000, &written));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    OrvHidClose(h);
    std::ifstream in(sysfs_.DevPath(7), std::ios::binary);
    const Bytes onNode((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(onNode, report);
}

TEST_F(Hidraw, FeatureRequestsOnANodeThatIsNotHidrawFail) {
    sysfs_.Add(Scanner(8));
    HANDLE h = OrvHidOpen(sysfs_.DevPath(8).c_str());
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    BYTE feature[2] = {0xFE, 0x01};
    EXPECT_FALSE(OrvHidSetFeature(h, feature, 2));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));
    EXPECT_FALSE(OrvHidGetFeature(h, feature, 2));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));
    OrvHidClose(h);
}

}  // namespace
