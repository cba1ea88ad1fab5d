// Number conversion: literals, the -s reading, and exit-status folding.
#include <gtest/gtest.h>

#include "quill.h"
#include "scan.h"

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
