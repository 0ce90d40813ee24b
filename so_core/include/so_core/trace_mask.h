// What a trace line may show of cardholder data. Property rows and device methods name the kind
// of value they write; the literal line stays, the value is masked before it reaches the file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orv::so {

enum class Mask : uint8_t {
    None,           // written as it is
    AccountNumber,  // at most the first six and the last four digits stay
    Secret,         // PIN blocks, keys, track data, security information: nothing stays
};

// Account numbers: with 13 digits or more the first six and last four digits stay; with 10 to 12
// only the last four; with fewer, none. Every other digit becomes '*'; characters that are not
// digits (blanks, separators) stay where they are.
std::string MaskAccountNumber(std::string_view text);

// Every character becomes '*': the reader sees the length and nothing else.
std::string MaskSecret(std::string_view text);

std::string ApplyMask(Mask mask, std::string_view text);

}  // namespace orv::so
