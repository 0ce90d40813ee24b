#include "sim_state.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace orv::possim {
namespace {

constexpr const char* kEntryNames[kEntryCount] = {"PosClose", "PosErrno", "PosInitialize",
                                                  "PosIOCtl", "PosOpen",  "PosRead",
                                                  "PosTerm",  "PosVersion", "PosWrite"};
constexpr char kDeviceName[] = "xptrs485";
constexpr char kDeviceType[] = "PosRs232";
constexpr int kMaxPiece = 160;
constexpr unsigned kMaxBlockData = 4092;  // a block must fit an empty 4,096-byte buffer
constexpr size_t kMaxQueuedBlocks = 1024;

thread_local int t_errno = 0;

int Fail(int posErrno) {
    t_errno = posErrno;
    return -1;
}

void PutLittleEndian16(uint8_t* at, unsigned value) {
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

}  // namespace

std::optional<Entry> EntryByName(const char* name) {
    if (name == nullptr) return std::nullopt;
    for (size_t i = 0; i < kEntryCount; ++i) {
        if (std::strcmp(name, kEntryNames[i]) == 0) return Entry(i);
    }
    return std::nullopt;
}

Sim& Sim::Get() {
    static auto* sim = new Sim;  // never destroyed: the transport's worker may call at exit
    return *sim;
}

Sim::Sim() {
    Reset();
}

int Sim::Errno() {
    return t_errno;
}

bool Sim::Enter(Entry entry) {
    ++calls_[size_t(entry)];
    auto& [posErrno, remaining] = faults_[size_t(entry)];
    if (remaining == 0) return false;
    --remaining;
    t_errno = posErrno;
    return true;
}

Terminal* Sim::ByDescriptor(int descriptor) {
    if (descriptor == 0) return nullptr;
    for (Terminal& t : terminals_) {
        if (t.descriptor == descriptor) return &t;
    }
    return nullptr;
}

Terminal* Sim::ById(int id) {
    for (Terminal& t : terminals_) {
        if (t.id == id) return &t;
    }
    return nullptr;
}

void Sim::Deliver(const Posts& posts) {
    for (const Post& p : posts) PostMessageA(p.window, p.message, p.wParam, p.lParam);
}

void Sim::QueueOnline(const Terminal& terminal, Posts& posts) {
    std::array<uint8_t, POS_SYSTEM_MESSAGE_SIZE> message{};
    message[0] = uint8_t(POSM_DEVICE_ONLINE);
    message[1] = uint8_t(POSM_DEVICE_ONLINE >> 8);
    message[4] = POS_ONLINE_DATA_TAG;
    message[5] = terminal.config.address;
    systemMessages_.push_back(message);
    const LPARAM data = LPARAM(POS_ONLINE_DATA_TAG | terminal.config.address << 8);
    for (const Terminal& t : terminals_) {
        if (t.descriptor != 0 && t.queue != nullptr)
            posts.push_back({t.queue, POSM_DEVICE_ONLINE, WPARAM(t.descriptor), data});
    }
}

// ---------------------------------------------------------------- entry points

int Sim::Initialize(const char* text, const char* file, bool reservedZero) {
    Posts posts;
    {
        std::lock_guard lock(mutex_);
        if (Enter(Entry::kInitialize)) return -1;
        initializeCalled_ = true;
        initText_ = text != nullptr ? text : "";
        initFile_ = file != nullptr ? file : "";
        initReservedZero_ = reservedZero;
        initialized_ = true;
        for (const Terminal& t : terminals_) {
            if (t.config.online) QueueOnline(t, posts);
        }
    }
    Deliver(posts);
    return 0;
}

int Sim::Term() {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kTerm)) return -1;
    initialized_ = false;
    for (Terminal& t : terminals_) {
        t.descriptor = 0;
        t.acquired = false;
        t.writeOutstanding = false;
        t.blocks.clear();
    }
    return 0;
}

int Sim::Version(char* buffer, int size, int* version) {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kVersion)) return -1;
    constexpr char kText[] = "Orvane simulated POS subsystem 1.00";
    if (buffer != nullptr && size > 0) {
        std::strncpy(buffer, kText, size_t(size) - 1);
        buffer[size - 1] = '\0';
    }
    if (version != nullptr) *version = 100;
    return 0;
}

int Sim::Open(const char* name, const char* type, int count, const PosOpenArg* args) {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kOpen)) return -1;
    if (!initialized_) return Fail(POSERR_NOT_INITIALIZED);
    if (name == nullptr || type == nullptr || std::strcmp(name, kDeviceName) != 0 ||
        std::strcmp(type, kDeviceType) != 0)
        return Fail(POSERR_NOT_SUPPORTED);
    INT_PTR slot = 0, port = 0, number = 0, queue = 0;
    for (int i = 0; args != nullptr && i < count; ++i) {
        const char* key = args[i].name;
        if (key == nullptr) continue;
        if (std::strcmp(key, "slotNumber") == 0) slot = args[i].value;
        if (std::strcmp(key, "portNumber") == 0) port = args[i].value;
        if (std::strcmp(key, "deviceNumber") == 0) number = args[i].value;
        if (std::strcmp(key, "queueHandle") == 0) queue = args[i].value;
    }
    Terminal* terminal = nullptr;
    for (Terminal& t : terminals_) {
        if (t.config.slot == slot && t.config.port == port && t.config.number == number)
            terminal = &t;
    }
    if (terminal == nullptr || slot == 0 || port == 0 || number == 0)
        return Fail(POSERR_BAD_ADDRESS);
    if (!terminal->config.online) return Fail(POSERR_OFFLINE);
    if (terminal->descriptor != 0) return Fail(POSERR_LOCKED);
    while (nextDescriptor_ > 0x7FFF || ByDescriptor(nextDescriptor_) != nullptr)
        nextDescriptor_ = nextDescriptor_ > 0x7FFF ? 1 : nextDescriptor_ + 1;
    terminal->descriptor = nextDescriptor_++;
    terminal->queue = reinterpret_cast<HWND>(queue);
    terminal->acquired = false;
    terminal->writeOutstanding = false;
    terminal->blocks.clear();
    return terminal->descriptor;
}

int Sim::IOCtl(int descriptor, int request) {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kIOCtl)) return -1;
    Terminal* terminal = ByDescriptor(descriptor);
    if (terminal == nullptr) return Fail(POSERR_BAD_DESCRIPTOR);
    switch (request) {
        case POS_IOCTL_ACQUIRE:
            terminal->acquired = true;
            return 0;
        case POS_IOCTL_RELEASE:
            terminal->acquired = false;
            return 0;
        default:
            return Fail(POSERR_NOT_SUPPORTED);
    }
}

int Sim::Read(int descriptor, void* buffer, int length) {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kRead)) return -1;
    if (!initialized_) return Fail(POSERR_NOT_INITIALIZED);
    if (buffer == nullptr || length < 0) return Fail(POSERR_BAD_LENGTH);
    if (descriptor == 0) {
        if (systemMessages_.empty()) return 0;
        if (length < POS_SYSTEM_MESSAGE_SIZE) return Fail(POSERR_BUFFER_TOO_SMALL);
        std::memcpy(buffer, systemMessages_.front().data(), POS_SYSTEM_MESSAGE_SIZE);
        systemMessages_.pop_front();
        return POS_SYSTEM_MESSAGE_SIZE;
    }
    Terminal* terminal = ByDescriptor(descriptor);
    if (terminal == nullptr) return Fail(POSERR_BAD_DESCRIPTOR);
    if (!terminal->acquired) return Fail(POSERR_NOT_ACQUIRED);
    if (terminal->blocks.empty()) return 0;
    const std::vector<uint8_t>& block = terminal->blocks.front();
    // A block is read whole or not at all.
    if (block.size() > size_t(length)) return Fail(POSERR_BUFFER_TOO_SMALL);
    std::copy(block.begin(), block.end(), static_cast<uint8_t*>(buffer));
    const int size = int(block.size());
    terminal->blocks.pop_front();
    return size;
}

int Sim::Write(int descriptor, const void* data, int length) {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kWrite)) return -1;
    Terminal* terminal = ByDescriptor(descriptor);
    if (terminal == nullptr) return Fail(POSERR_BAD_DESCRIPTOR);
    if (!terminal->acquired) return Fail(POSERR_NOT_ACQUIRED);
    if (!terminal->config.online) return Fail(POSERR_OFFLINE);
    if (data == nullptr || length <= 0 || length > kMaxPiece) {
        ++violations_;
        return Fail(POSERR_BAD_LENGTH);
    }
    if (terminal->writeOutstanding) {
        ++violations_;
        return Fail(POSERR_WRITE_PENDING);
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    terminal->received.insert(terminal->received.end(), bytes, bytes + length);
    terminal->pieces.push_back(unsigned(length));
    terminal->writeOutstanding = true;
    Completion completion{descriptor, {}};
    if (terminal->config.echo) completion.echo.assign(bytes, bytes + length);
    if (hold_) {
        held_.push_back(std::move(completion));
    } else {
        ScheduleLocked(std::move(completion));
    }
    return length;
}

int Sim::Close(int descriptor) {
    std::lock_guard lock(mutex_);
    if (Enter(Entry::kClose)) return -1;
    Terminal* terminal = ByDescriptor(descriptor);
    if (terminal == nullptr) return Fail(POSERR_BAD_DESCRIPTOR);
    // Closing cancels what the terminal still had to say to this descriptor.
    terminal->descriptor = 0;
    terminal->queue = nullptr;
    terminal->acquired = false;
    terminal->writeOutstanding = false;
    terminal->blocks.clear();
    std::erase_if(held_, [&](const Completion& c) { return c.descriptor == descriptor; });
    std::erase_if(timed_, [&](const Timed& t) { return t.completion.descriptor == descriptor; });
    return 0;
}

// ---------------------------------------------------------------- transmit-complete

void Sim::CompleteLocked(const Completion& completion) {
    Terminal* terminal = ByDescriptor(completion.descriptor);
    if (terminal == nullptr) return;  // closed meanwhile
    const WPARAM descriptor = WPARAM(completion.descriptor);
    terminal->writeOutstanding = false;
    PostMessageA(terminal->queue, POSM_RS232_XMIT_COMPLETE, descriptor, 0);
    if (completion.echo.empty() || terminal->blocks.size() >= kMaxQueuedBlocks) return;
    std::vector<uint8_t> block(4 + completion.echo.size());
    PutLittleEndian16(block.data() + 2, unsigned(completion.echo.size()));
    std::copy(completion.echo.begin(), completion.echo.end(), block.begin() + 4);
    const LPARAM size = LPARAM(block.size());
    terminal->blocks.push_back(std::move(block));
    PostMessageA(terminal->queue, POSM_RS232_DATA_AVAIL, descriptor, size);
}

void Sim::ScheduleLocked(Completion completion) {
    if (transmitDelayMs_ == 0) {
        // Posted right away, from the writer's thread, as a subsystem with an idle line would.
        CompleteLocked(completion);
        return;
    }
    timed_.push_back({std::chrono::steady_clock::now() +
                          std::chrono::milliseconds(transmitDelayMs_),
                      std::move(completion)});
    if (!timerRunning_) {
        timerRunning_ = true;
        std::thread([this] { TimerMain(); }).detach();  // lives as long as the process
    }
    timerWake_.notify_all();
}

void Sim::Complete(const Completion& completion) {
    std::lock_guard lock(mutex_);
    CompleteLocked(completion);
}

void Sim::TimerMain() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (timed_.empty()) {
            timerWake_.wait(lock);
            continue;
        }
        auto first = std::min_element(timed_.begin(), timed_.end(),
                                      [](const Timed& a, const Timed& b) { return a.due < b.due; });
        if (std::chrono::steady_clock::now() < first->due) {
            timerWake_.wait_until(lock, first->due);
            continue;
        }
        Completion completion = std::move(first->completion);
        timed_.erase(first);
        lock.unlock();
        Complete(completion);
        lock.lock();
    }
}

// ---------------------------------------------------------------- control

void Sim::Reset() {
    std::lock_guard lock(mutex_);
    terminals_.clear();
    nextId_ = 1;
    initialized_ = false;
    systemMessages_.clear();
    calls_ = {};
    faults_ = {};
    violations_ = 0;
    blockSize_ = 1024;
    hold_ = false;
    held_.clear();
    timed_.clear();
    initializeCalled_ = false;
    initText_.clear();
    initFile_.clear();
    initReservedZero_ = false;
    const char* devices = std::getenv("ORV_POSS_DEVICES");
    for (const TerminalConfig& config : ParseDeviceList(devices != nullptr ? devices : "")) {
        Terminal terminal;
        terminal.id = nextId_++;
        terminal.config = config;
        terminals_.push_back(std::move(terminal));
    }
    const char* delay = std::getenv("ORV_POSS_XMIT_DELAY_MS");
    transmitDelayMs_ = delay != nullptr ? unsigned(std::strtoul(delay, nullptr, 10)) : 0;
}

int Sim::AddTerminal(const TerminalConfig& config) {
    std::lock_guard lock(mutex_);
    if (config.slot == 0 || config.port == 0 || config.number == 0) return 0;
    for (const Terminal& t : terminals_) {
        if (t.config.slot == config.slot && t.config.port == config.port &&
            t.config.number == config.number)
            return 0;
    }
    Terminal terminal;
    terminal.id = nextId_++;
    terminal.config = config;
    terminals_.push_back(std::move(terminal));
    return terminals_.back().id;
}

bool Sim::SetOnline(int id, bool online) {
    Posts posts;
    {
        std::lock_guard lock(mutex_);
        Terminal* terminal = ById(id);
        if (terminal == nullptr) return false;
        const bool comingOnline = online && !terminal->config.online;
        terminal->config.online = online;
        if (comingOnline && initialized_) QueueOnline(*terminal, posts);
    }
    Deliver(posts);
    return true;
}

bool Sim::SetEcho(int id, bool echo) {
    std::lock_guard lock(mutex_);
    Terminal* terminal = ById(id);
    if (terminal == nullptr) return false;
    terminal->config.echo = echo;
    return true;
}

void Sim::SetBlockSize(unsigned bytes) {
    std::lock_guard lock(mutex_);
    blockSize_ = std::clamp(bytes, 1u, kMaxBlockData);
}

void Sim::SetTransmitDelay(unsigned milliseconds) {
    std::lock_guard lock(mutex_);
    transmitDelayMs_ = milliseconds;
}

void Sim::HoldTransmitComplete(bool hold) {
    std::lock_guard lock(mutex_);
    hold_ = hold;
}

int Sim::ReleaseTransmitComplete() {
    std::vector<Completion> released;
    {
        std::lock_guard lock(mutex_);
        released.swap(held_);
    }
    for (const Completion& completion : released) Complete(completion);
    return int(released.size());
}

bool Sim::FailNext(Entry entry, int posErrno, unsigned calls) {
    std::lock_guard lock(mutex_);
    faults_[size_t(entry)] = {posErrno, calls};
    return true;
}

int Sim::SendData(int id, const uint8_t* data, unsigned length) {
    Posts posts;
    int blocks = 0;
    {
        std::lock_guard lock(mutex_);
        Terminal* terminal = ById(id);
        if (terminal == nullptr || terminal->descriptor == 0 || !terminal->acquired) return -1;
        unsigned offset = 0;
        do {
            const unsigned part = std::min(length - offset, blockSize_);
            std::vector<uint8_t> block(4 + part);
            PutLittleEndian16(block.data() + 2, part);
            if (part > 0) std::memcpy(block.data() + 4, data + offset, part);
            if (terminal->blocks.size() >= kMaxQueuedBlocks) break;
            terminal->blocks.push_back(std::move(block));
            posts.push_back({terminal->queue, POSM_RS232_DATA_AVAIL, WPARAM(terminal->descriptor),
                             LPARAM(4 + part)});
            ++blocks;
            offset += part;
        } while (offset < length);
    }
    Deliver(posts);
    return blocks;
}

int Sim::SendBlock(int id, const uint8_t* block, unsigned length, unsigned announced) {
    Posts posts;
    {
        std::lock_guard lock(mutex_);
        Terminal* terminal = ById(id);
        if (terminal == nullptr || terminal->descriptor == 0 || !terminal->acquired) return -1;
        if (terminal->blocks.size() >= kMaxQueuedBlocks) return 0;
        terminal->blocks.emplace_back(block, block + length);
        posts.push_back({terminal->queue, POSM_RS232_DATA_AVAIL, WPARAM(terminal->descriptor),
                         LPARAM(announced)});
    }
    Deliver(posts);
    return 1;
}

bool Sim::PostToQueue(int id, UINT message, LPARAM lParam) {
    HWND queue = nullptr;
    WPARAM descriptor = 0;
    {
        std::lock_guard lock(mutex_);
        Terminal* terminal = ById(id);
        if (terminal == nullptr || terminal->descriptor == 0) return false;
        queue = terminal->queue;
        descriptor = WPARAM(terminal->descriptor);
    }
    return PostMessageA(queue, message, descriptor, lParam) != FALSE;
}

void Sim::QueueSystemMessage(const uint8_t* message) {
    std::lock_guard lock(mutex_);
    std::array<uint8_t, POS_SYSTEM_MESSAGE_SIZE> copy{};
    std::memcpy(copy.data(), message, copy.size());
    systemMessages_.push_back(copy);
}

std::vector<uint8_t> Sim::TakeReceived(int id) {
    std::lock_guard lock(mutex_);
    Terminal* terminal = ById(id);
    return terminal != nullptr ? std::exchange(terminal->received, {}) : std::vector<uint8_t>{};
}

std::vector<unsigned> Sim::TakePieceSizes(int id) {
    std::lock_guard lock(mutex_);
    Terminal* terminal = ById(id);
    return terminal != nullptr ? std::exchange(terminal->pieces, {}) : std::vector<unsigned>{};
}

unsigned Sim::CallCount(Entry entry) {
    std::lock_guard lock(mutex_);
    return calls_[size_t(entry)];
}

unsigned Sim::ProtocolViolations() {
    std::lock_guard lock(mutex_);
    return violations_;
}

unsigned Sim::OpenDescriptors() {
    std::lock_guard lock(mutex_);
    return unsigned(std::count_if(terminals_.begin(), terminals_.end(),
                                  [](const Terminal& t) { return t.descriptor != 0; }));
}

int Sim::Descriptor(int id) {
    std::lock_guard lock(mutex_);
    Terminal* terminal = ById(id);
    return terminal != nullptr ? terminal->descriptor : 0;
}

HWND Sim::QueueWindow(int id) {
    std::lock_guard lock(mutex_);
    Terminal* terminal = ById(id);
    return terminal != nullptr ? terminal->queue : nullptr;
}

bool Sim::LastInitialize(std::string& text, std::string& file, bool& reservedZero) {
    std::lock_guard lock(mutex_);
    text = initText_;
    file = initFile_;
    reservedZero = initReservedZero_;
    return initializeCalled_;
}

}  // namespace orv::possim
