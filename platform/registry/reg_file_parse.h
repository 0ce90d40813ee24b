// Reader of the Windows registry export format: "Windows Registry Editor Version 5.00" or
// "REGEDIT4", [KEY] and [-KEY] sections, @= and "name"= values ("text", dword:, hex:, hex(n):,
// and - for a deletion), ';' comment lines, '\' continuations of hex lists. The text may be UTF-8
// (with or without a byte order mark), UTF-16LE with a byte order mark, or - when it is not valid
// UTF-8 - Windows-1252, as old REGEDIT4 files are.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winerror.h"
#include "reg_ops.h"

namespace orv::reg {

struct ParseFailure {
    int line = 0;               // 1-based line of the text
    LONG status = ERROR_BADDB;  // ERROR_FILE_NOT_FOUND for a root key not kept here
    std::string what;
};

struct ParsedFile {
    std::vector<RegOp> ops;
    std::optional<ParseFailure> failure;  // set: ops is empty
};

// A text of nothing but blank lines (an empty file) is an empty registry.
ParsedFile parse_reg_file(std::string_view bytes);

}  // namespace orv::reg
