#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {
namespace {

struct StatusText {
    LONG status;
    const char* text;
};
const StatusText kStatusTexts[] = {
    {ERROR_FILE_NOT_FOUND, "The system was unable to find the specified registry key or value."},
    {ERROR_ACCESS_DENIED, "Access is denied."},
    {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
    {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
    {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
    {ERROR_BADDB, "The configuration registry database is corrupt."},
    {ERROR_KEY_DELETED,
     "Illegal operation attempted on a registry key that has been marked for deletion."},
    {ERROR_NOT_ENOUGH_MEMORY, "Not enough memory resources are available to process this command."},
};

const char* status_text(LONG status) {
    for (const StatusText& s : kStatusTexts)
        if (s.status == status) return s.text;
    return "Error accessing the registry.";
}

}  // namespace

int succeeded() {
    std::cout << "The operation completed successfully.\n";
    return 0;
}

int invalid_syntax(const char* operation) {
    std::cerr << "ERROR: Invalid syntax.\nType \"orvreg " << operation << (*operation ? " " : "")
              << "/?\" for usage.\n";
    return 1;
}

int invalid_key_name(const char* operation) {
    std::cerr << "ERROR: Invalid key name.\nType \"orvreg " << operation << " /?\" for usage.\n";
    return 1;
}

int not_found() {
    return failed(ERROR_FILE_NOT_FOUND);
}

int failed(LONG status) {
    std::cerr << "ERROR: " << status_text(status) << "\n";
    // A damaged registry file is worth its line number, a refusal the path refused.
    if (status == ERROR_BADDB || status == ERROR_ACCESS_DENIED || status == ERROR_TIMEOUT) {
        std::string detail = orv::registry_error_text();
        if (!detail.empty()) std::cerr << detail << "\n";
    }
    return 1;
}

int failed_with_detail(LONG status) {
    std::cerr << "ERROR: " << status_text(status) << "\n";
    std::string detail = orv::registry_error_text();
    if (!detail.empty()) std::cerr << detail << "\n";
    return 1;
}

bool confirm(const std::string& question, const char* refusal) {
    if (!::isatty(STDIN_FILENO)) {
        std::cerr << "ERROR: " << refusal << "\n";
        return false;
    }
    std::cout << question << " (Yes/No)? " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes" || answer == "YES")
        return true;
    std::cerr << "The operation was canceled by the user.\n";
    return false;
}

}  // namespace orvreg
