// Shared pieces of the orvreg commands: argument parsing, key names, messages, confirmation
// and value formatting. Messages and exit codes follow reg.exe: 0 success, 1 failure.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/handles.h"
#include "platform/registry.h"

namespace orvreg {

using Args = std::vector<std::string>;

// One option a command accepts ("/v"; "-v" is the same option), with or without a value.
struct OptionRule {
    const char* name;
    bool takes_value;
};

struct ParsedArgs {
    Args positional;
    std::map<std::string, std::string> options;  // lower-case name -> value ("" for flags)
    bool has(const char* name) const { return options.count(name) != 0; }
    const std::string& value(const char* name) const { return options.at(name); }
};

// false for a repeated option, a missing option value or a wrong number of positional
// arguments (an unknown option counts as one).
bool parse_args(const Args& args, size_t positional, const std::vector<OptionRule>& rules,
                ParsedArgs& out);

// A key as typed, split into a root this registry keeps and the ANSI path below it.
struct KeyName {
    HKEY root = nullptr;
    std::string sub;      // ANSI, no trailing backslash
    std::string display;  // long root name + "\" + path, as typed (UTF-8)
};
bool parse_key_name(const std::string& text, KeyName& out);
// display + "\" + an ANSI subkey name.
std::string child_display(const std::string& display, const std::string& ansi_name);

// The messages of reg.exe. Each returns the exit code to end with.
int succeeded();
int invalid_syntax(const char* operation);
int invalid_key_name(const char* operation);
int not_found();
int failed(LONG status);
// The message for status and, on the next line, the registry's own explanation (file and line)
// of the failure of the call just made.
int failed_with_detail(LONG status);

// Asks the person at the terminal; without one, prints the refusal (which names the option that
// skips the question) and says no, so that a script never hangs on a prompt.
bool confirm(const std::string& question, const char* refusal);

const char* type_name(DWORD type);
bool parse_type_name(const std::string& name, DWORD& type);
// Data as reg.exe shows it in a query line.
std::string format_data(DWORD type, const std::string& data);

// Reads a value; ERROR_SUCCESS with type and bytes, or the registry's result.
LONG read_value(HKEY key, const char* name, DWORD& type, std::string& data);

// The commands.
int query(const Args& args);
int add(const Args& args);
int remove(const Args& args);
int import(const Args& args);
int export_key(const Args& args);

// RAII for a key handle.
using Key = orv::UniqueHkey;

}  // namespace orvreg
