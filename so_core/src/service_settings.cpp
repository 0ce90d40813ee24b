#include "so_core/service_settings.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/handles.h"
#include "platform/registry.h"

namespace orv::so {

std::string AddTrailingSeparator(std::string_view folder) {
    std::string out(folder);
    if (!out.empty() && out.back() != '/' && out.back() != '\\') out += '/';
    return out;
}

std::optional<std::string> ReadStringValue(void* key, const char* name, size_t bufferSize) {
    if (!key) return std::nullopt;  // an unopened key is never read
    std::vector<char> buffer(bufferSize + 1, '\0');
    DWORD type = REG_NONE;
    DWORD size = static_cast<DWORD>(bufferSize);
    const LSTATUS rc = RegQueryValueExA(static_cast<HKEY>(key), name, nullptr, &type,
                                        reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    // Stored text without its terminator still fits only when a terminator can follow it.
    const size_t length = ::strnlen(buffer.data(), size);
    if (length >= bufferSize) return std::nullopt;
    return std::string(buffer.data(), length);
}

LogFolder ReadLogFolder() {
    LogFolder result;
    UniqueHkey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceInfoKey, 0, KEY_READ, key.out()) !=
        ERROR_SUCCESS) {
        key.release();  // a failed open leaves nothing to close
        result.messages += "Failed to open log path from the registry";
    }
    if (auto value = ReadStringValue(key.get(), kLogpathValue, kFolderValueBuffer)) {
        result.folder = AddTrailingSeparator(*value);
    } else {
        result.messages += "Failed to query log path value from the registry";
    }
    if (key && key.Close() != ERROR_SUCCESS)
        result.messages += "Failed to close the registry";
    return result;
}

std::optional<std::string> ReadClassPathVariable() {
    const char* value = std::getenv("CLASSPATH");
    if (!value || !*value) return std::nullopt;
    if (std::strlen(value) >= kClassPathBuffer) return std::nullopt;
    return std::string(value);
}

LibraryFolder ReadLibraryFolder() {
    LibraryFolder result;
    UniqueHkey key;
    result.keyOpened =
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServiceInfoKey, 0, KEY_READ, key.out()) == ERROR_SUCCESS;
    if (!result.keyOpened) key.release();
    if (auto value = ReadStringValue(key.get(), kClasspathValue, kFolderValueBuffer)) {
        result.valueRead = true;
        result.folder = AddTrailingSeparator(*value);
    }
    if (key) result.keyClosed = key.Close() == ERROR_SUCCESS;
    return result;
}

}  // namespace orv::so
