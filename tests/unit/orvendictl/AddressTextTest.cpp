#include <gtest/gtest.h>

#include "AddressText.h"

namespace orvendi::test {
namespace {

TEST(AddressText, TrimsWhiteSpaceAndLineBreaksAtBothEndsOnly) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"ada@example.com", "ada@example.com"},
        {"  ada@example.com\t\n", "ada@example.com"},
        {"\r\nada@example.com\r\n", "ada@example.com"},
        // No-break space, line separator, ideographic space, next line.
        {"\u00a0ada@example.com\u2028", "ada@example.com"},
        {"\u3000ada@example.com\u0085", "ada@example.com"},
        {"ada lovelace@example.com", "ada lovelace@example.com"},
        {" \t\u00a0\n", ""},
        {"", ""},
        // Bytes that are not UTF-8 are text, not blanks.
        {" \xff@x \xfe ", "\xff@x \xfe"},
    };
    for (const auto& [typed, expected] : rows) {
        EXPECT_EQ(AddressText::trimmed(typed), expected) << typed;
    }
}

} // namespace
} // namespace orvendi::test
