#include <algorithm>
#include <cctype>

#include "cli.h"
#include "platform/registry_ext.h"

namespace orvreg {
namespace {

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

struct Root {
    const char* long_name;
    const char* short_name;
    HKEY key;
};
const Root kRoots[] = {
    {"HKEY_LOCAL_MACHINE", "HKLM", HKEY_LOCAL_MACHINE},
    {"HKEY_CLASSES_ROOT", "HKCR", HKEY_CLASSES_ROOT},
};

}  // namespace

bool parse_args(const Args& args, size_t positional, const std::vector<OptionRule>& rules,
                ParsedArgs& out) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        // Only the options the command knows are options: an absolute path starts with '/' too.
        // A mistyped option ends up among the positional arguments and fails their count.
        bool option = arg.size() > 1 && (arg[0] == '/' || arg[0] == '-');
        std::string name = option ? "/" + lower(arg.substr(1)) : "";
        auto rule = std::find_if(rules.begin(), rules.end(),
                                 [&](const OptionRule& s) { return name == s.name; });
        if (rule == rules.end()) {
            out.positional.push_back(arg);
            continue;
        }
        if (out.has(name.c_str())) return false;
        std::string value;
        if (rule->takes_value) {
            if (++i == args.size()) return false;
            value = args[i];
        }
        out.options.emplace(name, value);
    }
    return out.positional.size() == positional;
}

bool parse_key_name(const std::string& text, KeyName& out) {
    size_t slash = text.find('\\');
    std::string root = lower(text.substr(0, slash));
    std::string rest = slash == std::string::npos ? "" : text.substr(slash + 1);
    while (!rest.empty() && rest.back() == '\\') rest.pop_back();
    for (const Root& r : kRoots) {
        if (root != lower(r.long_name) && root != lower(r.short_name)) continue;
        out.root = r.key;
        out.sub = orv::registry_utf8_to_ansi(rest);
        out.display = rest.empty() ? r.long_name : std::string(r.long_name) + "\\" + rest;
        return true;
    }
    return false;
}

std::string child_display(const std::string& display, const std::string& ansi_name) {
    return display + "\\" + orv::registry_ansi_to_utf8(ansi_name);
}

}  // namespace orvreg
