// The simulator's control functions (possim/orvposs.h).
#include <algorithm>
#include <cstring>

#include "possim/orvposs.h"
#include "sim_state.h"

using orv::possim::EntryByName;
using orv::possim::Sim;
using orv::possim::TerminalConfig;

namespace {

template <typename Result, typename Call>
Result Guarded(Result failure, Call call) {
    try {
        return call();
    } catch (...) {
        return failure;
    }
}

void CopyText(const std::string& text, char* buffer, unsigned size) {
    if (buffer == nullptr || size == 0) return;
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

}  // namespace

extern "C" {

ORV_API void orvposs_Reset(void) {
    Guarded(0, [] {
        Sim::Get().Reset();
        return 0;
    });
}

ORV_API int orvposs_AddDevice(unsigned slotNumber, unsigned portNumber, unsigned deviceNumber,
                              unsigned address) {
    if (slotNumber > 0xFFFF || portNumber > 0xFFFF || deviceNumber > 0xFFFF || address > 0xFF)
        return 0;
    TerminalConfig config;
    config.slot = uint16_t(slotNumber);
    config.port = uint16_t(portNumber);
    config.number = uint16_t(deviceNumber);
    config.address = uint8_t(address);
    return Guarded(0, [&] { return Sim::Get().AddTerminal(config); });
}

ORV_API int orvposs_SetOnline(int device, int online) {
    return Guarded(0, [&] { return Sim::Get().SetOnline(device, online != 0) ? 1 : 0; });
}

ORV_API int orvposs_SetEcho(int device, int echo) {
    return Guarded(0, [&] { return Sim::Get().SetEcho(device, echo != 0) ? 1 : 0; });
}

ORV_API void orvposs_SetBlockSize(unsigned bytes) {
    Sim::Get().SetBlockSize(bytes);
}

ORV_API void orvposs_SetTransmitDelay(unsigned milliseconds) {
    Sim::Get().SetTransmitDelay(milliseconds);
}

ORV_API void orvposs_HoldTransmitComplete(int hold) {
    Sim::Get().HoldTransmitComplete(hold != 0);
}

ORV_API int orvposs_ReleaseTransmitComplete(void) {
    return Guarded(0, [] { return Sim::Get().ReleaseTransmitComplete(); });
}

ORV_API int orvposs_FailNext(const char* entryPoint, int posErrno, unsigned calls) {
    const auto entry = EntryByName(entryPoint);
    if (!entry) return 0;
    return Sim::Get().FailNext(*entry, posErrno, std::max(calls, 1u)) ? 1 : 0;
}

ORV_API int orvposs_SendData(int device, const void* data, unsigned length) {
    if (data == nullptr && length != 0) return -1;
    return Guarded(-1, [&] {
        return Sim::Get().SendData(device, static_cast<const uint8_t*>(data), length);
    });
}

ORV_API int orvposs_SendBlock(int device, const void* block, unsigned length, unsigned announced) {
    if (block == nullptr && length != 0) return -1;
    return Guarded(-1, [&] {
        return Sim::Get().SendBlock(device, static_cast<const uint8_t*>(block), length, announced);
    });
}

ORV_API int orvposs_PostToQueue(int device, UINT message, LPARAM lParam) {
    return Sim::Get().PostToQueue(device, message, lParam) ? 1 : 0;
}

ORV_API void orvposs_QueueSystemMessage(const void* message16) {
    if (message16 == nullptr) return;
    Guarded(0, [&] {
        Sim::Get().QueueSystemMessage(static_cast<const uint8_t*>(message16));
        return 0;
    });
}

ORV_API unsigned orvposs_TakeReceived(int device, void* buffer, unsigned size) {
    return Guarded(0u, [&] {
        const std::vector<uint8_t> received = Sim::Get().TakeReceived(device);
        if (buffer != nullptr)
            std::copy_n(received.begin(), std::min<size_t>(size, received.size()),
                        static_cast<uint8_t*>(buffer));
        return unsigned(received.size());
    });
}

ORV_API unsigned orvposs_TakePieceSizes(int device, unsigned* sizes, unsigned max) {
    return Guarded(0u, [&] {
        const std::vector<unsigned> pieces = Sim::Get().TakePieceSizes(device);
        if (sizes != nullptr)
            std::copy_n(pieces.begin(), std::min<size_t>(max, pieces.size()), sizes);
        return unsigned(pieces.size());
    });
}

ORV_API unsigned orvposs_CallCount(const char* entryPoint) {
    const auto entry = EntryByName(entryPoint);
    return entry ? Sim::Get().CallCount(*entry) : 0;
}

ORV_API unsigned orvposs_ProtocolViolations(void) {
    return Sim::Get().ProtocolViolations();
}

ORV_API unsigned orvposs_OpenDescriptors(void) {
    return Sim::Get().OpenDescriptors();
}

ORV_API int orvposs_Descriptor(int device) {
    return Sim::Get().Descriptor(device);
}

ORV_API HWND orvposs_QueueWindow(int device) {
    return Sim::Get().QueueWindow(device);
}

ORV_API BOOL orvposs_LastInitialize(char* text, unsigned textSize, char* resourceFile,
                                    unsigned fileSize, BOOL* reservedZero) {
    return Guarded(FALSE, [&]() -> BOOL {
        std::string t, f;
        bool zero = false;
        if (!Sim::Get().LastInitialize(t, f, zero)) return FALSE;
        CopyText(t, text, textSize);
        CopyText(f, resourceFile, fileSize);
        if (reservedZero != nullptr) *reservedZero = zero ? TRUE : FALSE;
        return TRUE;
    });
}

}  // extern "C"
