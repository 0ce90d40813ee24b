// Feeds arbitrary bytes to the registry file parser. Whatever it accepts must survive a trip
// through the writer: writing the tree and parsing that text again gives the same tree and the
// same text, so the store never changes what it does not touch.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "key_tree.h"
#include "reg_file_parse.h"
#include "reg_file_write.h"

using namespace orv::reg;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ParsedFile first = parse_reg_file(bytes);
    if (first.failure) {
        if (first.failure->line < 1 || first.failure->what.empty()) std::abort();
        return 0;
    }
    Key tree;
    apply_ops(tree, first.ops);
    std::string text = write_reg_file(tree, "HKEY_LOCAL_MACHINE");

    ParsedFile second = parse_reg_file(text);
    if (second.failure) {
        std::fprintf(stderr, "written text does not parse: line %d: %s\n%s\n", second.failure->line,
                     second.failure->what.c_str(), text.c_str());
        std::abort();
    }
    Key again;
    apply_ops(again, second.ops);
    if (!again.same_as(tree) || write_reg_file(again, "HKEY_LOCAL_MACHINE") != text) {
        std::fprintf(stderr, "round trip changed the registry:\n%s\n", text.c_str());
        std::abort();
    }
    return 0;
}
