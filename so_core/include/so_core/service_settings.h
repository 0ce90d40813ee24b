// Installation settings of the service objects: the trace folder and the native library folder
// under HKEY_LOCAL_MACHINE\SOFTWARE\OLEforRetail\ServiceInfo\Orvane, and the CLASSPATH
// environment variable, read with the buffer limits the service objects have always used.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orv::so {

inline constexpr const char* kServiceInfoKey = "SOFTWARE\\OLEforRetail\\ServiceInfo\\Orvane";
inline constexpr const char* kLogpathValue = "Logpath";
inline constexpr const char* kClasspathValue = "Classpath";
inline constexpr size_t kFolderValueBuffer = 100;   // bytes, terminator included
inline constexpr size_t kClassPathBuffer = 1000;    // bytes, terminator included

// Appends this platform's path separator '/' unless the folder already ends in a separator of
// either convention ('/' or '\'), so values written for Windows are not given a second one.
// An empty folder stays empty: it means the current directory, never the file-system root.
std::string AddTrailingSeparator(std::string_view folder);

// Trace folder (Logpath, with its separator) and the messages collected while reading it,
// joined with nothing between them, as the first trace line shows them.
struct LogFolder {
    std::string folder;  // "" when the value could not be read
    std::string messages;
};
LogFolder ReadLogFolder();

// The CLASSPATH variable; nullopt when unset, empty, or too long for its 1000-byte buffer (a
// truncated class path would start a JVM that finds the wrong classes).
std::optional<std::string> ReadClassPathVariable();

// Result of reading the Classpath registry value (native library folder).
struct LibraryFolder {
    bool keyOpened = false;
    bool valueRead = false;
    bool keyClosed = true;
    std::string folder;  // with its trailing separator when valueRead
};
LibraryFolder ReadLibraryFolder();

// Reads a string value of at most bufferSize bytes (terminator included) from an open key.
// nullopt when missing, too long, or not a string type.
std::optional<std::string> ReadStringValue(void* key, const char* name, size_t bufferSize);

}  // namespace orv::so
