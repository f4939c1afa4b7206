#include "module/model/decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <string>

#include "tests/engine/result_sample_invoice.h"

namespace invoice {
namespace {

using result_test::D;

// A computed value as its shortest text ("invalid" when it is not valid), or
// a text such as ToFixed gives.
struct Got {
    Got(const Decimal& value) : text(value.ToString()) {}
    Got(std::string fixed) : text(std::move(fixed)) {}
    std::string text;
};

// `op` of each decimal text, the results joined by blanks.
std::string Each(std::initializer_list<const char*> texts, const std::function<Got(Decimal)>& op) {
    std::string joined;
    for (const char* text : texts) joined += (joined.empty() ? "" : " ") + op(D(text)).text;
    return joined;
}

TEST(DecimalTest, ParsingArithmeticRoundingAndFormattingAreExactUntilOverflow) {
    const Decimal big = D("99999999999999999999999999999999999999");  // 38 nines
    const std::pair<Got, const char*> cases[] = {
        {Each({"1.2500", ".5", "3.", "+3.000", "-0.000", "1e-05", "2.5E+3", "0012e1"},
              [](Decimal d) { return d; }),
         "1.25 0.5 3 3 0 0.00001 2500 120"},
        {D("12345678901234567890123456789012345678"), "12345678901234567890123456789012345678"},
        {D("1.00000000000000000000000000000000000000000000"), "1"},  // trailing zeros are free
        {Decimal::OfDouble(1.005), "1.005"},  // through the double's shortest text
        {Decimal::OfDouble(std::nan("")), "invalid"},
        {Decimal::OfDouble(1e300), "invalid"},
        {D("-3.5").Abs(), "3.5"},
        {big + D("1"), "invalid"},
        {-big - D("1"), "invalid"},
        {big + D("0.1"), "invalid"},  // aligning the scales overflows
        {D("1e20") * D("1e20"), "invalid"},
        {Decimal::Invalid() + D("1"), "invalid"},
        {D("1") * Decimal::Invalid(), "invalid"},
        {D("1") - Decimal::Invalid(), "invalid"},
        // Halves round away from zero.
        {Each({"1.005", "-1.005", "1.0049999"}, [](Decimal d) { return d.RoundToCents(); }),
         "1.01 -1.01 1"},
        {Each({"0.025", "0.0249", "12.324", "12.325", "12.374", "12.375", "-12.325"},
              [](Decimal d) { return d.RoundToFiveCents(); }),
         "0.05 0 12.3 12.35 12.35 12.4 -12.35"},
        {Decimal::DivideRounded(D("-2"), D("3"), 2), "-0.67"},
        {Decimal::DivideRounded(D("0.25"), D("-2"), 2), "-0.13"},
        {Decimal::DivideRounded(D("1"), D("0"), 2), "invalid"},
        {Each({"12.3", "-0.004", "-0.005", "999999.995"}, [](Decimal d) { return d.ToFixed(2); }),
         "12.30 0.00 -0.01 1000000.00"},
        {D("2.5").ToFixed(0), "3"},
        {D("-7.000001").ToFixed(6), "-7.000001"},
        {Decimal::Invalid().ToFixed(2), "invalid"},
    };
    for (const auto& [got, text] : cases) EXPECT_EQ(text, got.text);
    Decimal value = Decimal::FromInt(7);
    for (const char* bad :
         {"", "-", ".", "1.2.3", "1e", "1e+", " 1", "1 ", "1,5", "0x10", "--1",
          "123456789012345678901234567890123456789", "1e40", "1e-39", "1e99999999999"}) {
        EXPECT_FALSE(Decimal::Parse(bad, &value)) << bad;
    }
    EXPECT_EQ(Decimal::FromInt(7), value);  // untouched by the failures
}

}  // namespace
}  // namespace invoice
