#include "claim_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/com_ptr.h"
#include "platform/handles.h"
#include "platform/registry.h"

namespace orv::doctor {
namespace {

// The value of -D<name>= in JAVA_TOOL_OPTIONS (options split at white space, as the JVM does
// for options without quotes), or nullopt.
std::optional<std::string> ToolOption(const std::string& name) {
    const char* options = std::getenv("JAVA_TOOL_OPTIONS");
    if (!options) return std::nullopt;
    std::istringstream words(options);
    const std::string prefix = "-D" + name + "=";
    std::optional<std::string> value;
    for (std::string word; words >> word;)
        if (word.rfind(prefix, 0) == 0) value = word.substr(prefix.size());  // the last one wins
    return value;
}

std::string ProcessName(long pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name.empty() ? "" : " (" + name + ")";
}

std::optional<std::string> Devicename(const std::string& oposClass, const std::string& device) {
    const std::string path = "SOFTWARE\\OLEforRetail\\ServiceOPOS\\" + oposClass + "\\" + device;
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
        key.release();
        return std::nullopt;
    }
    char value[256] = {};
    DWORD type = 0, size = sizeof value - 1;
    if (RegQueryValueExA(key.get(), "Devicename", nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS ||
        type != REG_SZ || value[0] == '\0')
        return std::nullopt;
    return std::string(value);
}

}  // namespace

std::string ClaimLockFolder() {
    std::optional<std::string> folder = ToolOption("orv.sim.lockdir");
    if (!folder) {
        const char* env = std::getenv("ORV_SIM_LOCK_DIR");
        if (env) folder = env;
    }
    if (folder && !folder->empty()) return *folder;
    return ToolOption("java.io.tmpdir").value_or("/tmp") + "/orv-sim-locks";
}

std::string ClaimLockFileName(std::string_view device) {
    std::string name;
    for (const char16_t c : Utf16FromAnsi(device)) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
            c == '-' || c == '_') {
            name += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "%%%04x", static_cast<unsigned>(c));
            name += escaped;
        }
    }
    return name + ".lock";
}

long ClaimHolder(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return 0;
    struct flock probe {};
    probe.l_type = F_WRLCK;  // conflicts with any lock, shared or not
    probe.l_whence = SEEK_SET;
    probe.l_start = 0;
    probe.l_len = 0;  // the whole file, as Java's lock() takes it
    const int rc = ::fcntl(fd, F_GETLK, &probe);
    ::close(fd);
    if (rc != 0 || probe.l_type == F_UNLCK) return 0;
    return probe.l_pid > 0 ? static_cast<long>(probe.l_pid) : -1;
}

StepResult CheckClaim(const std::string& oposClass, const std::string& device) {
    const std::string folder = ClaimLockFolder();
    std::vector<std::string> names{device};
    if (std::optional<std::string> alias = Devicename(oposClass, device); alias && *alias != device)
        names.push_back(*alias);
    const std::string where =
        " (set ORV_SIM_LOCK_DIR to a folder of your own to keep apart from other users)";
    struct stat st;
    if (::stat(folder.c_str(), &st) == 0 &&
        (!S_ISDIR(st.st_mode) || ::access(folder.c_str(), W_OK | X_OK) != 0))
        return {false,
                "claim lock folder " + folder + " is not a writable folder: no claim can be made",
                "chmod u+rwx " + folder + where};
    for (const std::string& name : names) {
        const std::string path = folder + "/" + ClaimLockFileName(name);
        if (::stat(path.c_str(), &st) != 0) continue;  // never claimed here
        const long holder = ClaimHolder(path);
        if (holder != 0) {
            const std::string who = holder > 0
                                        ? "process " + std::to_string(holder) + ProcessName(holder)
                                        : "another process";
            return {false, "claim of " + name + " is held by " + who + " (lock " + path + ")",
                    (holder > 0 ? "end process " + std::to_string(holder)
                                : std::string("end that process")) +
                        ", or let it release the device (ReleaseDevice or Close); a claim ends "
                        "with its process. Until then ClaimDevice fails with 102 or, after its "
                        "time-out, 112"};
        }
        if (::access(path.c_str(), W_OK) != 0)
            return {false,
                    "claim lock file " + path + " is not writable (owner uid " +
                        std::to_string(st.st_uid) + "): ClaimDevice fails with 111",
                    "remove it (rm " + path + ") as its owner" + where};
    }
    return {true, "claim of " + device + " is free (locks in " + folder + ")", ""};
}

}  // namespace orv::doctor
