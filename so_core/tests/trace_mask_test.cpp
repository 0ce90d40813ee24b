// What the trace may show of card data.
#include <gtest/gtest.h>

#include "so_core/trace_mask.h"

namespace orv::so {
namespace {

TEST(SoTraceMask, AccountNumbersKeepAtMostSixAndFour) {
    const std::pair<const char*, const char*> cases[] = {
        {"4111111111111111", "411111******1111"},
        {"4111 1111 1111 1111", "4111 11** **** 1111"},
        {"378282246310005", "378282*****0005"},
        {"4222222222222", "422222***2222"},  // 13 digits
        {"123456789012", "********9012"},    // 12: last four only
        {"1234567890", "******7890"},
        {"123456789", "*********"},
        {"1234", "****"},
        {"", ""},
        {"no digits", "no digits"},
        {"=4111111111111111=", "=411111******1111="},
    };
    for (auto [in, out] : cases) EXPECT_EQ(MaskAccountNumber(in), out) << in;
}

TEST(SoTraceMask, SecretsShowTheirLengthOnly) {
    EXPECT_EQ(MaskSecret("0123456789ABCDEF"), std::string(16, '*'));
    EXPECT_EQ(MaskSecret(""), "");
    EXPECT_EQ(ApplyMask(Mask::None, "MERCHANT"), "MERCHANT");
    EXPECT_EQ(ApplyMask(Mask::Secret, "key"), "***");
    EXPECT_EQ(ApplyMask(Mask::AccountNumber, "5500000000000004"), "550000******0004");
}

}  // namespace
}  // namespace orv::so
