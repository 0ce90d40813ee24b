// Fuzzes the DirectIO field rule, atoi, the hexadecimal byte groups and the plan of every
// command number. Input: one byte choosing the command, four bytes of pData, then the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "so_core/directio_plan.h"

using namespace orv::so;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

bool Within(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 5) return 0;
    const int32_t command = static_cast<int32_t>(data[0] % 56) - 2;  // -2 .. 53: supported and not
    int32_t value = 0;
    std::memcpy(&value, data + 1, 4);
    const std::string_view text(reinterpret_cast<const char*>(data + 5), size - 5);

    for (int n = -1; n <= 6; ++n) Check(Within(DioField(text, n), text));
    Check(Within(DioTextAfterSecondComma(text), text));
    DioAtoi(text);
    const DioHexBytes hex = DioParseHexGroups(text);
    Check(hex.arrayLength == text.size() / 3);
    Check(hex.groups.size() == (text.size() + 2) / 3);

    const auto plan = PlanDirectIO(command, value, text);
    Check(plan.has_value() == (FindDioCommand(command) != nullptr));
    if (plan) {
        Check(plan->values.size() <= 3);
        Check(plan->asList || plan->values.size() <= 1);
        if (plan->writeBackData) Check(value < 0 && *plan->writeBackData == 0);
        if (command != 14) Check(plan->dataValue == 0);
        for (const DioValue& v : plan->values)
            if (const auto* bytes = std::get_if<DioBytes>(&v)) Check(bytes->values.size() <= bytes->arrayLength + 1);
    }
    return 0;
}
