#include "error_text.h"

namespace orv::reg {
namespace {
thread_local std::string t_text;
}

void set_error_text(std::string text) {
    t_text = std::move(text);
}
const std::string& error_text() {
    return t_text;
}

}  // namespace orv::reg
