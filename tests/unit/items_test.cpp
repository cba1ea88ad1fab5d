// The item loop: the label-search filter, and that the fast paths engage:
// the statement shapes get the ops meant for them, and a loop leaves the
// parser after its first passes.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compiled.h"
#include "quill.h"

namespace {

class Items : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(var || pool_create(4096)); }

    void feed(const std::string &text)
    {
        std::fclose(yyin ? yyin : std::tmpfile());
        yyin = std::tmpfile();
        ASSERT_NE(yyin, nullptr);
        std::fwrite(text.data(), 1, text.size(), yyin);
        std::rewind(yyin);
        std::memset(label, 0, sizeof label);
        std::memset(var, 0, NVARS * sizeof *var);
        top = 0;
        quilldebug = 0;
        fast_paths = true;
        items_reset();
    }

    void run(const std::string &text)
    {
        feed(text);
        ASSERT_EQ(yyparse(), 0);
    }

    // The op codes of every record, in the order they were made.
    std::vector<std::vector<int>> records(void)
    {
        std::vector<std::vector<int>> out;
        for (uint32_t r = 0; r < compiled_records.size; r++) {
            const Op *op = &compiled_code.data[compiled_records.data[r].first];
            std::vector<int> codes{op->code};
            if (op->code == S_GENERIC)
                do
                    codes.push_back((++op)->code);
                while (op->code != G_END);
            out.push_back(codes);
        }
        return out;
    }

    static void TearDownTestSuite()
    {
        if (yyin)
            std::fclose(yyin);
        yyin = nullptr;
    }
};

std::string loop(const std::string &body, int passes)
{
    return "L:\n" + body + "\ni = i + 1;\nif i >= " + std::to_string(passes) +
           " E;\nabove L;\nE:\n";
}

TEST_F(Items, SearchFilterPassesOnlyLabelsEndsAndColons)
{
    feed("x = 5; puts 'hi'; if a C; B: put 1;");
    label[1] = 1;
    std::vector<int> got;
    for (int k; got.size() < 6 && (k = yylex()) != 0;)
        got.push_back(k == LABEL ? 1000 + yylval : k);
    EXPECT_EQ(got, (std::vector<int>{NL, NL, 1002, NL, 1001, COL}));
    label[1] = 0;
    EXPECT_EQ(yylex(), PRINT) << "tokens pass again once no search is pending";
}

TEST_F(Items, CommonShapesGetTheirOwnOps)
{
    run(loop("a = b + 1; a = b - 1; a = b * 3; a = b * c; a = 7;\n"
             "if a < 3 M; M: if a != 0 M; M: if a * 2 M; M: if a > b M; M:\n"
             "a = (b + 1) * 2; puts 0 * a;",
             3));
    using C = std::vector<int>;
    std::vector<C> want = {
        {S_SET_ADD}, {S_SET_SUB}, {S_SET_OP}, {S_SET_VV}, {S_SET_K},
        {S_IF_LT}, {S_NOTHING}, {S_IF_NE}, {S_IF_OP}, {S_IF_VV},   // the last three jump
        {S_GENERIC, G_VAR_OP_NUMBER, G_PAREN, G_OP_NUMBER, G_SET_VAR, G_END},
        {S_GENERIC, G_NUMBER, G_OP_VAR, G_PUTS, G_END},
        {S_SET_ADD}, {S_IF_GE}, {S_ABOVE},
    };
    EXPECT_EQ(records(), want);
}

TEST_F(Items, ALoopLeavesTheParserAfterItsFirstPasses)
{
    run("i = 0;\n" + loop("s = s + i % 7; x = 0; ;;; if x Q; Q:", 100000));
    EXPECT_EQ(var[8], 100000);
    EXPECT_LT(items_parsed, 40u) << "every pass after the second runs recorded";
}

TEST_F(Items, ARunOfItemsWithNothingToDoIsOneRecord)
{
    run(loop(std::string(1000, ';') + " A; A: B; B:", 3));
    auto recs = records();
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs[0], std::vector<int>{S_NOTHING});
    EXPECT_EQ(compiled_records.data[0].end, 2u + 1000 + 8) << "from after L: to after B:";
    EXPECT_LE(compiled_records.size, 5u) << "the whole run is crossed in one step";
}

}  // namespace
