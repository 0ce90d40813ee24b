// The text that explains this thread's last registry failure (UTF-8), for tools and traces.
#pragma once

#include <string>

namespace orv::reg {

void set_error_text(std::string text);
const std::string& error_text();

}  // namespace orv::reg
