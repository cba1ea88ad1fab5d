// Number conversion: literals, the -s reading, and exit-status folding;
// division by a constant without a divide.
#include <gtest/gtest.h>

#include <random>

#include "compiled.h"
#include "quill.h"
#include "scan.h"

TEST(DivisionByAConstant, TheMultiplyGivesTheQuotientForEveryDivisorKind)
{
    std::vector<int32_t> divisors = {2, 3, 5, 6, 7, 10, 13, 641, 1000, 65536, 127773, 1000003,
                                     1000000007, 0x40000000, INT32_MAX, -2, -3, -7, -1000, -65536,
                                     -1000000007, INT32_MIN + 1, INT32_MIN};
    std::mt19937 random(7);
    for (int i = 0; i < 200; i++)
        divisors.push_back(static_cast<int32_t>(random()));
    std::vector<int32_t> values = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX, INT32_MAX - 1};
    for (int i = 0; i < 2000; i++)
        values.push_back(static_cast<int32_t>(random()) >> (i % 31));
    for (int32_t k : divisors) {
        if (k == -1 || k == 0 || k == 1)
            continue;
        Op op{.code = DIV_RK, .k = k};
        compiled_divisor(op);
        ASSERT_NE(op.out.magic, 0) << k;
        uint32_t u = static_cast<uint32_t>(k);   // around the steps, wrapping
        for (uint32_t x : {u, u - 1, u + 1, 0 - u, 1 - u})
            values.push_back(static_cast<int32_t>(x));
        for (int32_t x : values)
            EXPECT_EQ(compiled_quotient(op, x), int64_t(x) / k) << x << " / " << k;
        values.resize(values.size() - 5);
    }
}

TEST(ScanNumber, ThreeBasesAndClamp)
{
    EXPECT_EQ(scan_number("0", 8), 0);
    EXPECT_EQ(scan_number("010", 8), 8);
    EXPECT_EQ(scan_number("0x1f", 16), 31);
    EXPECT_EQ(scan_number("0X1F", 16), 31);
    EXPECT_EQ(scan_number("2147483647", 10), 2147483647);
    EXPECT_EQ(scan_number("2147483648", 10), 2147483647);
    EXPECT_EQ(scan_number("99999999999999999999999", 10), 2147483647);
    EXPECT_EQ(scan_number("0xFFFFFFFFFFFFFFFFFFFF", 16), 2147483647);
    EXPECT_EQ(scan_number("037777777777", 8), 2147483647);
    EXPECT_EQ(scan_number("017777777777", 8), 2147483647);
}

TEST(PoolSizeOption, StrtolBaseZeroClampedTo32Bits)
{
    EXPECT_EQ(options_strtol32("0x400"), 1024);
    EXPECT_EQ(options_strtol32("010"), 8);
    EXPECT_EQ(options_strtol32("1k"), 1);
    EXPECT_EQ(options_strtol32("abc"), 0);
    EXPECT_EQ(options_strtol32("  -16"), -16);
    EXPECT_EQ(options_strtol32("+7"), 7);
    EXPECT_EQ(options_strtol32("99999999999"), 2147483647);
    EXPECT_EQ(options_strtol32("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(options_strtol32("0x"), 0);
    EXPECT_EQ(options_strtol32("08"), 0);
    EXPECT_EQ(options_strtol32("0789"), 7);
    EXPECT_EQ(options_strtol32("0b101"), 0);
    EXPECT_EQ(options_strtol32(" \t\n-0X1f"), -31);
    EXPECT_EQ(options_strtol32("0xg"), 0);
    EXPECT_EQ(options_strtol32("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(options_strtol32("2147483648"), 2147483647);
    EXPECT_EQ(options_strtol32(""), 0);
    EXPECT_EQ(options_strtol32("- 5"), 0);
}

TEST(ExitStatus, FoldingTable)
{
    const struct { int32_t ev; int status; } rows[] = {
        {0, 0}, {255, 255}, {256, 0}, {300, 44}, {1000, 232}, {2147483647, 255},
        {-1, 1}, {-255, 255}, {-256, 0}, {-257, 1}, {-300, 44}, {-2147483647 - 1, 0},
    };
    for (const auto &r : rows)
        EXPECT_EQ(driver_fold_status(r.ev), r.status) << "ev " << r.ev;
}
