#include "module/model/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace invoice {
namespace {

Decimal D(const std::string& text) {
    Decimal value = Decimal::Invalid();
    EXPECT_TRUE(Decimal::Parse(text, &value)) << text;
    return value;
}

// ---------------------------------------------------------------------------
// Parsing and conversion from double

TEST(DecimalParseTest, AcceptsPlainAndExponentForms) {
    EXPECT_EQ("1.25", D("1.25").ToString());
    EXPECT_EQ("-0.5", D("-0.5").ToString());
    EXPECT_EQ("0.5", D(".5").ToString());
    EXPECT_EQ("3", D("3.").ToString());
    EXPECT_EQ("3", D("+3.000").ToString());
    EXPECT_EQ("0.00001", D("1e-05").ToString());
    EXPECT_EQ("2500", D("2.5E+3").ToString());
    EXPECT_EQ("120", D("0012e1").ToString());
    EXPECT_EQ("0", D("-0.000").ToString());
}

TEST(DecimalParseTest, RejectsMalformedText) {
    Decimal value = Decimal::FromInt(7);
    for (const char* text :
         {"", "-", ".", "1.2.3", "1e", "1e+", "abc", " 1", "1 ", "1,5", "0x10", "1e5x", "--1"}) {
        EXPECT_FALSE(Decimal::Parse(text, &value)) << text;
    }
    EXPECT_EQ(Decimal::FromInt(7), value);  // untouched
}

TEST(DecimalParseTest, RejectsValuesThatCannotBeHeldExactly) {
    Decimal value;
    EXPECT_FALSE(Decimal::Parse("123456789012345678901234567890123456789", &value));  // 39 digits
    EXPECT_TRUE(Decimal::Parse("12345678901234567890123456789012345678", &value));    // 38 digits
    EXPECT_FALSE(Decimal::Parse("1e40", &value));
    EXPECT_FALSE(Decimal::Parse("1e-39", &value));
    EXPECT_FALSE(Decimal::Parse("1e99999999999", &value));
    // Trailing zeros do not count against the limit.
    EXPECT_TRUE(Decimal::Parse("1.00000000000000000000000000000000000000000000", &value));
    EXPECT_EQ(Decimal::FromInt(1), value);
}

TEST(DecimalFromDoubleTest, UsesShortestRoundTripText) {
    EXPECT_EQ("0.1", Decimal::OfDouble(0.1).ToString());
    EXPECT_EQ("10.15", Decimal::OfDouble(10.15).ToString());
    EXPECT_EQ("1.005", Decimal::OfDouble(1.005).ToString());
    EXPECT_EQ("-2.675", Decimal::OfDouble(-2.675).ToString());
    EXPECT_EQ("0.00001", Decimal::OfDouble(1e-5).ToString());
    EXPECT_EQ("150000000000000000000", Decimal::OfDouble(1.5e20).ToString());
    EXPECT_EQ("0", Decimal::OfDouble(-0.0).ToString());
}

TEST(DecimalFromDoubleTest, RefusesWhatIsNotAnExactNumber) {
    Decimal value;
    EXPECT_FALSE(Decimal::FromDouble(std::nan(""), &value));
    EXPECT_FALSE(Decimal::FromDouble(INFINITY, &value));
    EXPECT_FALSE(Decimal::FromDouble(1e300, &value));
    EXPECT_FALSE(Decimal::OfDouble(-INFINITY).IsValid());
}

TEST(DecimalFromDoubleTest, ToDoubleGivesTheSameDoubleBack) {
    for (double d : {0.1, 0.3, 17.76, 5232.99, -1.005, 1e-7, 123456789.125}) {
        EXPECT_EQ(d, Decimal::OfDouble(d).ToDouble()) << d;
    }
    EXPECT_TRUE(std::isnan(Decimal::Invalid().ToDouble()));
}

// ---------------------------------------------------------------------------
// Arithmetic

TEST(DecimalArithmeticTest, SumsAreExact) {
    EXPECT_EQ(D("0.3"), Decimal::OfDouble(0.1) + Decimal::OfDouble(0.2));
    EXPECT_EQ(D("0"), D("0.1") + D("0.2") - D("0.3"));
    EXPECT_EQ(D("-1.95"), D("0.05") - D("2"));
    Decimal sum;
    for (int i = 0; i < 1000; ++i) sum += D("0.01");
    EXPECT_EQ(D("10"), sum);
}

TEST(DecimalArithmeticTest, ProductsAreExact) {
    EXPECT_EQ(D("5.075"), D("0.5") * D("10.15"));
    EXPECT_EQ(D("0.0001"), D("0.01") * D("0.01"));
    EXPECT_EQ(D("-12.3"), D("-4.1") * D("3"));
    EXPECT_EQ(D("23.4465"), D("9.57") * D("2.45"));
    // A chain of five factors keeps every digit.
    EXPECT_EQ("7.2834413355",
              (D("1.5") * D("9.57") * D("0.89") * D("0.93") * D("0.613")).ToString());
}

TEST(DecimalArithmeticTest, ComparesByValue) {
    EXPECT_TRUE(D("1.5") < D("1.50001"));
    EXPECT_TRUE(D("-1.5") < D("-1.2"));
    EXPECT_TRUE(D("-0.5") < D("0.3"));
    EXPECT_TRUE(D("2") > D("1.999999999"));
    EXPECT_TRUE(D("1.10") == D("1.1"));
    EXPECT_TRUE(D("1.10") <= D("1.1"));
    EXPECT_TRUE(D("1.1") >= D("1.10"));
    EXPECT_FALSE(D("1.1") < D("1.1"));
    EXPECT_TRUE(D("99999999999999999999999999999999999999") >
                D("0.00000000000000000000000000000000000001"));
    EXPECT_EQ(D("3.5"), D("-3.5").Abs());
}

TEST(DecimalArithmeticTest, DivisionRoundsHalfAwayFromZero) {
    EXPECT_EQ(D("0.33"), Decimal::DivideRounded(D("1"), D("3"), 2));
    EXPECT_EQ(D("0.67"), Decimal::DivideRounded(D("2"), D("3"), 2));
    EXPECT_EQ(D("-0.67"), Decimal::DivideRounded(D("-2"), D("3"), 2));
    EXPECT_EQ(D("0.13"), Decimal::DivideRounded(D("0.25"), D("2"), 2));
    EXPECT_EQ(D("-0.13"), Decimal::DivideRounded(D("0.25"), D("-2"), 2));
    // VAT part of 2500 at 2.5 %: 6250 / 102.5 = 60.9756...
    EXPECT_EQ(D("60.98"), Decimal::DivideRounded(D("2500") * D("2.5"), D("102.5"), 2));
    EXPECT_FALSE(Decimal::DivideRounded(D("1"), D("0"), 2).IsValid());
}

// ---------------------------------------------------------------------------
// Rounding

TEST(DecimalRoundingTest, CentsRoundHalfAwayFromZero) {
    EXPECT_EQ(D("1.01"), D("1.005").RoundToCents());
    EXPECT_EQ(D("-1.01"), D("-1.005").RoundToCents());
    EXPECT_EQ(D("1.00"), D("1.0049999").RoundToCents());
    EXPECT_EQ(D("5.08"), (D("0.5") * D("10.15")).RoundToCents());
    EXPECT_EQ(D("1.01"), Decimal::OfDouble(1.005).RoundToCents());  // the double is below 1.005
    EXPECT_EQ(D("12"), D("12").RoundToCents());
}

TEST(DecimalRoundingTest, FiveCentsRoundHalfAwayFromZero) {
    EXPECT_EQ(D("0.05"), D("0.025").RoundToFiveCents());
    EXPECT_EQ(D("0"), D("0.0249").RoundToFiveCents());
    EXPECT_EQ(D("12.30"), D("12.324").RoundToFiveCents());
    EXPECT_EQ(D("12.35"), D("12.325").RoundToFiveCents());
    EXPECT_EQ(D("12.35"), D("12.374").RoundToFiveCents());
    EXPECT_EQ(D("12.40"), D("12.375").RoundToFiveCents());
    EXPECT_EQ(D("-12.35"), D("-12.325").RoundToFiveCents());
    EXPECT_EQ(D("5233"), D("5232.99").RoundToFiveCents());
}

TEST(DecimalRoundingTest, RoundsToDigitsAndSteps) {
    EXPECT_EQ(D("3"), D("2.5").Round(0));
    EXPECT_EQ(D("-3"), D("-2.5").Round(0));
    EXPECT_EQ(D("2.46"), D("2.455").Round(2));
    EXPECT_EQ(D("0.25"), D("0.3").RoundToStep(D("0.25")));
    EXPECT_EQ(D("0.5"), D("0.375").RoundToStep(D("0.25")));
    EXPECT_FALSE(D("1").RoundToStep(D("0")).IsValid());
    EXPECT_FALSE(D("1").RoundToStep(D("-0.05")).IsValid());
}

// ---------------------------------------------------------------------------
// Formatting

TEST(DecimalFormatTest, FixedDecimals) {
    EXPECT_EQ("12.30", D("12.3").ToFixed(2));
    EXPECT_EQ("0.00", D("-0.004").ToFixed(2));
    EXPECT_EQ("-0.01", D("-0.005").ToFixed(2));
    EXPECT_EQ("0.05", D("0.05").ToFixed(2));
    EXPECT_EQ("1000000.00", D("999999.995").ToFixed(2));
    EXPECT_EQ("3", D("2.5").ToFixed(0));
    EXPECT_EQ("0.500", D("0.5").ToFixed(3));
    EXPECT_EQ("-7.000001", D("-7.000001").ToFixed(6));
}

TEST(DecimalFormatTest, ShortestExactText) {
    EXPECT_EQ("1.25", D("1.2500").ToString());
    EXPECT_EQ("3", D("3.0").ToString());
    EXPECT_EQ("-0.001", D("-0.001").ToString());
    EXPECT_EQ("100", D("100").ToString());
    EXPECT_EQ("0", Decimal().ToString());
}

// ---------------------------------------------------------------------------
// Overflow and the invalid value

TEST(DecimalOverflowTest, OverflowGivesTheInvalidValue) {
    const Decimal big = D("99999999999999999999999999999999999999");  // 38 nines
    EXPECT_FALSE((big + D("1")).IsValid());
    EXPECT_FALSE((-big - D("1")).IsValid());
    EXPECT_FALSE((big * D("10")).IsValid());
    EXPECT_FALSE((D("1e20") * D("1e20")).IsValid());
    // An exact product needs more than 38 fraction digits.
    EXPECT_FALSE((D("0.0000000000000000001") * D("0.00000000000000000001")).IsValid());
    // Aligning scales for a sum can overflow too.
    EXPECT_FALSE((big + D("0.1")).IsValid());
}

TEST(DecimalOverflowTest, InvalidPropagatesAndIsUnordered) {
    const Decimal bad = Decimal::Invalid();
    EXPECT_FALSE((bad + D("1")).IsValid());
    EXPECT_FALSE((D("1") * bad).IsValid());
    EXPECT_FALSE(bad.RoundToCents().IsValid());
    EXPECT_FALSE((-bad).IsValid());
    EXPECT_EQ("invalid", bad.ToFixed(2));
    EXPECT_FALSE(bad < D("1"));
    EXPECT_FALSE(bad >= D("1"));
    EXPECT_FALSE(bad == D("0"));
    EXPECT_TRUE(bad == Decimal::Invalid());
    EXPECT_FALSE(bad.IsZero());
}

}  // namespace
}  // namespace invoice
