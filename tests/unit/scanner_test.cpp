// The scanner fed from memory: token kinds, values, line counting and the
// label-search filter.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "quill.h"

namespace {

struct Tok {
    int kind;
    int value;   // for STRING: unused, see text
    std::string text;
    bool operator==(const Tok &o) const
    {
        return kind == o.kind && (kind == STRING ? text == o.text : value == o.value);
    }
};

std::ostream &operator<<(std::ostream &os, const Tok &t)
{
    return os << "{" << t.kind << "," << t.value << ",\"" << t.text << "\"}";
}

// The text as a stream read from its start; fmemopen is not everywhere.
FILE *stream_of(const std::string &text)
{
    FILE *f = std::tmpfile();
    if (f) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::rewind(f);
    }
    return f;
}

Tok K(int kind) { return {kind, 0, ""}; }
Tok V(int kind, int value) { return {kind, value, ""}; }
Tok S(const std::string &text) { return {STRING, 0, text}; }

class Scanner : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(var || pool_create(4096)); }

    void feed(const std::string &text)
    {
        yyin = stream_of(text);
        ASSERT_NE(yyin, nullptr);
        std::memset(label, 0, sizeof label);
        tokens_reset();
    }

    // Every token up to the end of input; kinds only matter for VALUE_KINDS.
    std::vector<Tok> scan(const std::string &text)
    {
        feed(text);
        std::vector<Tok> out;
        for (int k; (k = yylex()) != 0;) {
            bool valued = k == NUMBER || k == VARIABLE || k == LABEL;
            std::string s = k == STRING ? reinterpret_cast<const char *>(
                                              static_cast<uintptr_t>(static_cast<uint32_t>(yylval)))
                                        : "";
            out.push_back({k, valued ? yylval : 0, s});
            if (out.size() > 1000)
                break;
        }
        std::fclose(yyin);
        return out;
    }
};

using V_ = std::vector<Tok>;

TEST_F(Scanner, StatementsAndValues)
{
    EXPECT_EQ(scan("put 1;"), (V_{K(PRINT), V(NUMBER, 1), K(NL)}));
    EXPECT_EQ(scan("puts'x';"), (V_{K(PRINTS), S("x"), K(NL)}));
    EXPECT_EQ(scan("A:"), (V_{V(LABEL, 0), K(COL)}));
    EXPECT_EQ(scan("Z;z"), (V_{V(LABEL, 25), K(NL), V(VARIABLE, 25)}));
    EXPECT_EQ(scan("x[0] = func2;"),
              (V_{V(VARIABLE, 23), K(LB), V(NUMBER, 0), K(RB), K(OPSET), K(FUNC), V(NUMBER, 2), K(NL)}));
    EXPECT_EQ(scan("a=1;"), scan("a = 1 ;"));
}

TEST_F(Scanner, LongestMatchAndKeywords)
{
    EXPECT_EQ(scan("putx"), (V_{K(PRINT), V(VARIABLE, 23)}));
    EXPECT_EQ(scan("xput"), (V_{V(VARIABLE, 23), K(PRINT)}));
    EXPECT_EQ(scan("ifa"), (V_{K(OPIF), V(VARIABLE, 0)}));
    EXPECT_EQ(scan("abovebelow"), (V_{K(OPABOVE), K(OPBELOW)}));
    EXPECT_EQ(scan("pu ne"), (V_{V(VARIABLE, 15), V(VARIABLE, 20), V(VARIABLE, 13), V(VARIABLE, 4)}));
    EXPECT_EQ(scan("AB"), (V_{V(LABEL, 0), V(LABEL, 1)}));
    EXPECT_EQ(scan("new@"), (V_{K(OPNEW), K(ATMARK)}));
    EXPECT_EQ(scan("=== =< !== <= >= != ! < >"),
              (V_{K(OPEQ), K(OPSET), K(OPSET), K(OPLT), K(OPNE), K(OPSET), K(OPLE), K(OPGE), K(OPNE),
                  K(OPNO), K(OPLT), K(OPGT)}));
    EXPECT_EQ(scan("&& || & | ~ % / * + -"),
              (V_{K(OPAND), K(OPOR), V('&', 0), V('|', 0), K(OPSTRCP), K(OPMOD), K(OPDIV), K(OPMUL),
                  K(OPADD), K(OPSUB)}));
}

TEST_F(Scanner, NumberLiteralsSplitWhereTheirRulesEnd)
{
    EXPECT_EQ(scan("010 0x1f 0X1F 0 2147483648"),
              (V_{V(NUMBER, 8), V(NUMBER, 31), V(NUMBER, 31), V(NUMBER, 0), V(NUMBER, 2147483647)}));
    EXPECT_EQ(scan("08;"), (V_{V(NUMBER, 0), V(NUMBER, 8), K(NL)}));
    EXPECT_EQ(scan("0789"), (V_{V(NUMBER, 7), V(NUMBER, 89)}));
    EXPECT_EQ(scan("0x"), (V_{V(NUMBER, 0), V(VARIABLE, 23)}));
    EXPECT_EQ(scan("0X"), (V_{V(NUMBER, 0), V(LABEL, 23)}));
    EXPECT_EQ(scan("1e5"), (V_{V(NUMBER, 1), V(VARIABLE, 4), V(NUMBER, 5)}));
    EXPECT_EQ(scan("1.5"), (V_{V(NUMBER, 1), V('.', 0), V(NUMBER, 5)}));
    EXPECT_EQ(scan("-5"), (V_{K(OPSUB), V(NUMBER, 5)}));
}

TEST_F(Scanner, StringsHaveNoEscapesAndMaySpanLines)
{
    EXPECT_EQ(scan("\"it's\" 'say \"hi\"' \"a\\b\""), (V_{S("it's"), S("say \"hi\""), S("a\\b")}));
    EXPECT_EQ(scan("\"\" ''"), (V_{S(""), S("")}));
    EXPECT_EQ(scan("\"\n\";"), (V_{S("\n"), K(NL)}));
    EXPECT_EQ(line_no, 1) << "a line feed inside a string is not counted";
}

TEST_F(Scanner, UnclosedQuoteFallsBackToCharacterToken)
{
    EXPECT_EQ(scan("\"abc;"), (V_{V('"', 0), V(VARIABLE, 0), V(VARIABLE, 1), V(VARIABLE, 2), K(NL)}));
    EXPECT_EQ(scan("'x \"y\""), (V_{V('\'', 0), V(VARIABLE, 23), S("y")}));
}

TEST_F(Scanner, CommentsBlanksAndLines)
{
    EXPECT_EQ(scan("# anything ; \"quoted\n"), V_{});
    EXPECT_EQ(line_no, 2);
    EXPECT_EQ(scan("a; # x\nb;\n\n"), (V_{V(VARIABLE, 0), K(NL), V(VARIABLE, 1), K(NL)}));
    EXPECT_EQ(line_no, 4);
    EXPECT_EQ(scan("\t \f\v"), (V_{V('\f', 0), V('\v', 0)}));
}

TEST_F(Scanner, CharacterTokensAreSigned8Bit)
{
    EXPECT_EQ(scan("$ . , {"), (V_{V('$', 0), V('.', 0), V(',', 0), V('{', 0)}));
    feed(std::string("\xe9", 1));
    EXPECT_EQ(yylex(), -23);
    feed("\r;");
    EXPECT_EQ(yylex(), 13);
    feed(std::string("a\0b", 3));
    EXPECT_EQ(yylex(), VARIABLE);
    EXPECT_EQ(yylex(), 0) << "a NUL byte is returned as code 0";
}

TEST_F(Scanner, TextModeReadsCrLfAsLfAndStopsAtCtrlZ)
{
    EXPECT_EQ(scan("a;\r\nb;\r\n"), scan("a;\nb;\n"));
    EXPECT_EQ(line_no, 3);
    EXPECT_EQ(scan("a;\x1a" "b;"), (V_{V(VARIABLE, 0), K(NL)}));
    EXPECT_EQ(scan("\"x\r\ny\""), (V_{S("x\ny")}));
}

TEST_F(Scanner, SearchFilterPassesOnlyLabelsEndsAndColons)
{
    feed("x = 5; puts 'hi'; if a C; B: put 1;");
    label[1] = 1;
    std::vector<Tok> got;
    for (int k; got.size() < 6 && (k = yylex()) != 0;)
        got.push_back({k, k == LABEL ? yylval : 0, ""});
    EXPECT_EQ(got, (V_{K(NL), K(NL), V(LABEL, 2), K(NL), V(LABEL, 1), K(COL)}));
    label[1] = 0;
    EXPECT_EQ(yylex(), PRINT) << "tokens pass again once no search is pending";
    std::fclose(yyin);
}

TEST_F(Scanner, TokenLengthLimitAt8192)
{
    std::string ok = "#" + std::string(8189, 'x') + "\n";   // 8190 characters
    EXPECT_EQ(scan(ok), V_{});
    std::string str = "\"" + std::string(8188, 'y') + "\";";
    auto toks = scan(str);
    ASSERT_EQ(toks.size(), 2u);
    EXPECT_EQ(toks[0].text.size(), 8188u);
}

TEST(ScannerDeath, TokenOf8192CharactersIsFatal)
{
    std::string text = "#" + std::string(8191, 'x') + "\n";
    EXPECT_EXIT(
        {
            yyin = stream_of(text);
            tokens_reset();
            while (yylex() != 0) {
            }
        },
        ::testing::ExitedWithCode(2), "token too large, exceeds YYLMAX\n");
}

}  // namespace
