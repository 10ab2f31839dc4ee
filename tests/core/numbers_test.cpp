#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/numbers.h"

namespace vonnik {
namespace {

TEST(Power, SpecialCasesComeBeforeTheGeneralRule) {
    EXPECT_EQ(Power(0.0, 0.0), 1.0);
    EXPECT_EQ(Power(-3.5, 0.0), 1.0);
    EXPECT_EQ(Power(std::nan(""), 0.0), 1.0);
    EXPECT_EQ(Power(0.0, 2.5), 0.0);
    EXPECT_EQ(Power(0.0, 3.0), 0.0);
    EXPECT_TRUE(std::isinf(Power(0.0, -2.0)));
}

TEST(Power, IntegralExponentsMultiplyByRightToLeftSquaring) {
    // r = 1; while n: if n odd: r *= b; b *= b; n >>= 1 — other orders differ in the last bit.
    for (double base : {0.1, 0.7, 0.9999, 1.3, -0.6, 3.7e-3}) {
        for (int n = 0; n <= 40; ++n) {
            double r = 1.0, b = base;
            for (unsigned k = static_cast<unsigned>(n); k != 0; k >>= 1) {
                if (k & 1u) r *= b;
                b *= b;
            }
            EXPECT_EQ(Power(base, n), r) << base << "^" << n;
            EXPECT_EQ(Power(base, -n), 1.0 / r) << base << "^-" << n;
        }
    }
    // A left-to-right product would give another last bit here.
    double naive = 1.0;
    for (int k = 0; k < 5; ++k) naive *= 0.1;
    EXPECT_NE(Power(0.1, 5.0), naive);
    EXPECT_EQ(Power(-2.0, 3.0), -8.0);
    EXPECT_EQ(Power(-2.0, 4.0), 16.0);
}

TEST(Power, FractionalExponentsUseExpOfLog) {
    EXPECT_EQ(Power(0.5, 1.5), std::exp(1.5 * std::log(0.5)));
    EXPECT_EQ(Power(2.0, -0.25), std::exp(-0.25 * std::log(2.0)));
    // Integral but beyond 32 bits: the power rule's last case, exp of log.
    EXPECT_EQ(Power(1.0000001, 3e9), std::exp(3e9 * std::log(1.0000001)));
}

TEST(Power, NegativeBaseWithFractionalExponentIsZeroNotNaN) {
    EXPECT_EQ(Power(-0.5, 1.5), 0.0);
    EXPECT_EQ(Power(-1e-17, 2.5), 0.0);
    EXPECT_EQ(Power(-1.0, -1.5), 0.0);
}

TEST(TextToInt, AcceptsTheRuntimeForms) {
    EXPECT_EQ(TextToInt("8"), 8);
    EXPECT_EQ(TextToInt(" 8"), 8);
    EXPECT_EQ(TextToInt("   -8"), -8);
    EXPECT_EQ(TextToInt("+12"), 12);
    EXPECT_EQ(TextToInt("007"), 7);
    EXPECT_EQ(TextToInt("$10"), 16);
    EXPECT_EQ(TextToInt("x1f"), 31);
    EXPECT_EQ(TextToInt("X1F"), 31);
    EXPECT_EQ(TextToInt("0x10"), 16);
    EXPECT_EQ(TextToInt("0X10"), 16);
    EXPECT_EQ(TextToInt("-$10"), -16);
    EXPECT_EQ(TextToInt("0"), 0);
    EXPECT_EQ(TextToInt("2147483647"), 2147483647);
    EXPECT_EQ(TextToInt("-2147483648"), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(TextToInt("$7FFFFFFF"), 2147483647);
    EXPECT_EQ(TextToInt("-$80000000"), std::numeric_limits<std::int32_t>::min());
}

TEST(TextToInt, RefusesEverythingElse) {
    for (const char* bad :
         {"", " ", "8a", "8 ", "\t8", "- 8", "$", "0x", "x", "$-10", "+-1", "1e3", "1.0",
          "2147483648", "-2147483649", "$80000000", "$FFFFFFFF", "99999999999999999999", "８"}) {
        EXPECT_FALSE(TextToInt(bad).has_value()) << "'" << bad << "'";
    }
}

TEST(TruncClamped, TruncatesTowardZeroInsideTheBounds) {
    EXPECT_EQ(TruncClamped(-0.7, -1, 100), 0);
    EXPECT_EQ(TruncClamped(12.9, -1, 100), 12);
    EXPECT_EQ(TruncClamped(-1.5, -1, 100), -1);
    EXPECT_EQ(TruncClamped(1e300, -1, 100), 100);
    EXPECT_EQ(TruncClamped(-1e300, -1, 100), -1);
    EXPECT_EQ(TruncClamped(std::nan(""), -1, 100), -1);
    EXPECT_EQ(TruncClamped(std::numeric_limits<double>::infinity(), -1, 100), 100);
}

}  // namespace
}  // namespace vonnik
