// The scanner and its token stream fed from memory: token kinds, values,
// line counting. Nothing above the stream is needed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "quill.h"   // diag_scan_failed: the messages of a fault
#include "scan.h"

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

// The next token as the parser's codes name it: 0 at the end.
Tok next(void)
{
    const Token *t = tokens_next();
    if (!t || t->kind == K_END)
        return K(0);
    if (t->kind == K_CHAR)
        return K(t->value);
    int code = t->kind + 256;
    if (code == STRING)
        return S(texts_at(t->value));
    bool valued = code == NUMBER || code == VARIABLE || code == LABEL;
    return V(code, valued ? t->value : 0);
}

class Scanner : public ::testing::Test {
protected:
    void feed(const std::string &text)
    {
        yyin = stream_of(text);
        ASSERT_NE(yyin, nullptr);
        tokens_fault = diag_scan_failed;
        tokens_reset();
    }

    // Every token up to the end of input.
    std::vector<Tok> scan(const std::string &text)
    {
        feed(text);
        std::vector<Tok> out;
        for (Tok t; !((t = next()) == K(0));) {
            out.push_back(t);
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
    EXPECT_EQ(scan(std::string("\xe9", 1)), V_{K(-23)});
    EXPECT_EQ(scan("\r;"), (V_{K(13), K(NL)}));
    EXPECT_EQ(scan(std::string("a\0b", 3)), V_{V(VARIABLE, 0)}) << "a NUL byte ends the input";
}

TEST_F(Scanner, TextModeReadsCrLfAsLfAndStopsAtCtrlZ)
{
    EXPECT_EQ(scan("a;\r\nb;\r\n"), scan("a;\nb;\n"));
    EXPECT_EQ(line_no, 3);
    EXPECT_EQ(scan("a;\x1a" "b;"), (V_{V(VARIABLE, 0), K(NL)}));
    EXPECT_EQ(scan("\"x\r\ny\""), (V_{S("x\ny")}));
}

TEST_F(Scanner, RewindAndSeekMoveOnlyTheReadPosition)
{
    feed("a;\nb;\n\nc;");
    while (!(next() == K(0))) {
    }
    EXPECT_EQ(line_no, 4);
    tokens_seek(2, 1);
    EXPECT_EQ(next(), V(VARIABLE, 1));
    EXPECT_EQ(line_no, 2) << "the line feed before b counts again";
    tokens_rewind();
    EXPECT_EQ(next(), V(VARIABLE, 0));
    EXPECT_EQ(line_no, 1);
    EXPECT_EQ(tokens_scanned(), 7u) << "nothing is scanned twice";
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
            tokens_fault = diag_scan_failed;
            tokens_reset();
            while (tokens_next()) {
            }
        },
        ::testing::ExitedWithCode(2), "token too large, exceeds YYLMAX\n");
}

}  // namespace
