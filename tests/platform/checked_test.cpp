#include "platform/checked.h"

#include <gtest/gtest.h>

#include <limits>

using namespace fururupo;

// Overflow must raise: a wrapped counter would silently corrupt the record or the time left.
TEST(CheckedArithmetic, RaisesAtEachLimitInsteadOfWrapping)
{
    EXPECT_EQ(add16(32766, 1), 32767);
    EXPECT_THROW(add16(32767, 1), RuntimeError);
    EXPECT_EQ(subtract16(-32767, 1), -32768);
    EXPECT_THROW(subtract16(-32768, 1), RuntimeError);
    EXPECT_EQ(add32(2147483646, 1), 2147483647);
    EXPECT_THROW(add32(2147483647, 1), RuntimeError);
    EXPECT_EQ(subtract32(-2147483647, 1), std::numeric_limits<std::int32_t>::min());
    EXPECT_THROW(subtract32(std::numeric_limits<std::int32_t>::min(), 1), RuntimeError);
    EXPECT_EQ(narrow16(-32768), -32768);
    EXPECT_THROW(narrow16(32768), RuntimeError);
    EXPECT_THROW(narrow16(-32769), RuntimeError);
}

TEST(CheckedArithmetic, ErrorsCarryAJapaneseDescription)
{
    try {
        add16(32767, 1);
        FAIL() << "no overflow raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::Overflow);
        EXPECT_STREQ(error.what(), "オーバーフローしました。");
    }
    try {
        checkIndex(1001, 1001);
        FAIL() << "no index error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.kind(), RuntimeError::Kind::IndexOutOfRange);
        EXPECT_STREQ(error.what(), "インデックスが有効範囲にありません。");
    }
    EXPECT_THROW(checkIndex(-1, 1001), RuntimeError);
    EXPECT_EQ(checkIndex(1000, 1001), 1000u);
}

// Halves go to the even neighbour: the first draw of a two-entry list depends on 0.5 rounding to 0.
TEST(RoundToInt16, RoundsHalvesToEvenAndRaisesOutOfRange)
{
    EXPECT_EQ(roundToInt16(0.5), 0);
    EXPECT_EQ(roundToInt16(1.5), 2);
    EXPECT_EQ(roundToInt16(2.5), 2);
    EXPECT_EQ(roundToInt16(-0.5), 0);
    EXPECT_EQ(roundToInt16(-1.5), -2);
    EXPECT_EQ(roundToInt16(0.49999997), 0);
    EXPECT_EQ(roundToInt16(32767.4), 32767);
    EXPECT_EQ(roundToInt16(-32768.5), -32768);
    EXPECT_THROW(roundToInt16(32767.5), RuntimeError);
    EXPECT_THROW(roundToInt16(-32768.6), RuntimeError);
    EXPECT_THROW(roundToInt16(std::numeric_limits<double>::quiet_NaN()), RuntimeError);
}

TEST(Decimal, WritesDigitsWithASignOnlyWhenNegative)
{
    EXPECT_EQ(decimal(0), u"0");
    EXPECT_EQ(decimal(87), u"87");
    EXPECT_EQ(decimal(-5), u"-5");
    EXPECT_EQ(decimal(std::numeric_limits<std::int32_t>::max()), u"2147483647");
    EXPECT_EQ(decimal(std::numeric_limits<std::int32_t>::min()), u"-2147483648");
}
