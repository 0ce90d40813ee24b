// Lets a Java demo drive the simulated HID bus of its own process: plug in a point-of-sale
// scanner, scan a label, unplug it. Natives of com.orv.hiddemo.HidSim; demo and test use only.
#include <jni.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/hid_sim.h"

namespace {

constexpr unsigned char kScanReportId = 0x02;
constexpr size_t kMaxLabel = 59;  // 64-byte report: ID, count, three symbology bytes, data

std::string Utf(JNIEnv* env, jstring text) {
    if (text == nullptr) return {};
    const char* chars = env->GetStringUTFChars(text, nullptr);
    if (chars == nullptr) return {};
    std::string value(chars);
    env->ReleaseStringUTFChars(text, chars);
    return value;
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_orv_hiddemo_HidSim_addPosScanner(JNIEnv* env, jclass,
                                                                 jstring product, jstring serial) {
    const std::string p = Utf(env, product), s = Utf(env, serial);
    const ORV_HID_SIM_DEVICE device = {p.c_str(), s.c_str(), 0x0C2E, 0x0B61, 0x0100, 0x008C,
                                       0x0002,    64,        64,     2,      TRUE};
    return jint(OrvHidSimAddDevice(&device));
}

// A Code 128 label ("]C0" symbology identifier) as the scanner's input report 2.
JNIEXPORT jboolean JNICALL Java_com_orv_hiddemo_HidSim_scan(JNIEnv* env, jclass, jint id,
                                                            jstring label) {
    const std::string text = Utf(env, label);
    const size_t count = std::min(text.size(), kMaxLabel);
    std::vector<BYTE> report = {kScanReportId, BYTE(count), ']', 'C', '0'};
    report.insert(report.end(), text.begin(), text.begin() + count);
    return OrvHidSimSendInput(DWORD(id), report.data(), DWORD(report.size()), nullptr) != 0
               ? JNI_TRUE
               : JNI_FALSE;
}

JNIEXPORT jboolean JNICALL Java_com_orv_hiddemo_HidSim_unplug(JNIEnv*, jclass, jint id) {
    return OrvHidSimUnplug(DWORD(id)) ? JNI_TRUE : JNI_FALSE;
}

}  // extern "C"
