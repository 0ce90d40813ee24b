#include "host/diagnostics.h"

#include <sys/stat.h>

#include "platform/com.h"
#include "platform/handles.h"
#include "platform/opos.h"
#include "platform/registry_ext.h"

namespace orv::host {

std::string RegistryProblem() {
    try {
        // The store says what is wrong with its file only to a call that needs the file.
        UniqueHkey probe;
        const LONG rc = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, probe.out());
        if (rc != ERROR_SUCCESS) probe.release();
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) {
            std::string text = registry_error_text();
            return text.empty() ? registry_store_path() + ": cannot be used" : text;
        }
        const std::string store = registry_store_path();
        struct stat st;
        if (::stat(store.c_str(), &st) != 0) return store + ": the registry file does not exist";
        return {};
    } catch (...) {
        return {};
    }
}

std::string LastLoadFailure() {
    try {
        std::string text(OrvGetLoadFailureText(nullptr, nullptr, 0), '\0');
        OrvGetLoadFailureText(nullptr, text.data(), static_cast<DWORD>(text.size() + 1));
        return text;
    } catch (...) {
        return {};
    }
}

std::string OpenProblem(int32_t openResult) {
    std::string problem = RegistryProblem();
    if (problem.empty() && openResult == OPOS_OR_FAILEDOPEN_CREATE) problem = LastLoadFailure();
    return problem;
}

}  // namespace orv::host
