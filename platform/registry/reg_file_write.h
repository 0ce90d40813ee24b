// Writer of the Windows registry export format (version 5.00), as UTF-8 text: one [KEY] section
// per key, subkeys after their parent in enumeration order, values in their own order.
#pragma once

#include <string>
#include <string_view>

#include "key_tree.h"

namespace orv::reg {

// The file text for key and everything below it; key_name is its full name in ANSI, root
// included ("HKEY_LOCAL_MACHINE\SOFTWARE\...").
std::string write_reg_file(const Key& key, std::string_view key_name);

}  // namespace orv::reg
