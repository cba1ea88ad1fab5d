// The item loop: the label-search filter, and that the fast paths engage:
// the statement shapes get the ops meant for them, a loop leaves the
// parser after its first passes, and a hot loop goes on as machine code.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "compiled.h"
#include "native.h"
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
        items_fast = true;
        items_reset();
    }

    void run(const std::string &text)
    {
        feed(text);
        ASSERT_EQ(yyparse(), 0);
    }

    // Every record's ops as the listing shows them, in the order they were
    // made, up to its EXIT.
    std::vector<std::vector<std::string>> records(void)
    {
        std::vector<std::vector<std::string>> out;
        for (uint32_t r = 0; r < compiled_records.size; r++) {
            std::vector<std::string> ops;
            for (const Op *op = op_at(compiled_records.data[r].first); op->code != EXIT; op++) {
                char text[160];
                compiled_op_text(*op, text, sizeof text);
                ops.push_back(text);
            }
            out.push_back(ops);
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
    // as run three times: ways the passes took lead on to other records
    using C = std::vector<std::string>;
    std::vector<C> want = {
        // written straight to a
        {"ADD_RK_E d=a a=b k=1 next=1.0 line 2"}, {"SUB_RK_E d=a a=b k=1 next=2.0 line 2"},
        {"MUL_RK_E d=a a=b k=3 next=3.0 line 2"}, {"MUL_RR_E d=a a=b b=c next=4.0 line 2"},
        {"LOADK_E d=a k=7 next=5.0 line 2"},
        // the last three jump
        {"IF_LT_RK a=a k=3 lab=M alt=5.2 next=6.0 line 3"}, {"NOTHING next=7.0 line 3"},
        {"IF_NE_RK a=a k=0 lab=M alt=8.0 line 3"},
        {"MUL_RK d=t0 a=a k=2 line 3", "IF_NZ_E a=t0 lab=M alt=9.0 line 3"},
        {"IF_GT_RR a=a b=b lab=M alt=10.0 line 3"},
        // a temporary, then the target
        {"ADD_RK d=t0 a=b k=1 line 4", "MUL_RK_E d=a a=t0 k=2 next=11.0 line 4"},
        // 0 * a as a * 0
        {"MUL_RK d=t0 a=a k=0 line 4", "PUTS a=t0 next=12.0 line 4"},
        {"ADD_RK_E d=i a=i k=1 next=13.0 line 5"}, {"IF_GE_RK a=i k=3 lab=E alt=13.2 line 6"},
        {"ABOVE lab=L k=1 next=14.2 line 7"},
    };
    EXPECT_EQ(records(), want);
}

TEST_F(Items, ALoopLeavesTheParserAfterItsFirstPasses)
{
    run("i = 0;\n" + loop("s = s + i % 7; x = 0; ;;; if x Q; Q:", 100000));
    EXPECT_EQ(var[8], 100000);
    EXPECT_LT(items_parsed, 40u) << "every pass after the second runs recorded";
}

TEST_F(Items, AHotLoopGoesOnAsMachineCode)
{
#if !defined(__x86_64__) && !defined(_M_X64)
    GTEST_SKIP() << "machine code is made for x86-64 alone";
#endif
    native_configure("1");
    run("i = 0; a = 7;\n" + loop("s = (s + i % a) * 3 % 1000003; t = s / 5;", 100000));
    native_configure("1000");   // as usual
    int32_t s = 0;
    for (int32_t i = 0; i < 100000; i++)
        s = (s + i % 7) * 3 % 1000003;
    EXPECT_EQ(var['s' - 'a'], s);
    EXPECT_EQ(var['t' - 'a'], s / 5);
    EXPECT_EQ(ev, 1) << "the last value, the closing if's";
    int made = 0;   // code for the loop's closing jump (at its first pass, still the above)
    for (const Op *op = compiled_code.data; op < compiled_code.data + compiled_code.size; op++)
        made += (op->code == ABOVE || op->code >= IF_NZ_A) && op->rule;
    EXPECT_EQ(made, 1);
}

TEST_F(Items, WithoutMachineCodeAHotLoopIsLaidOutInTheOrderItRuns)
{
    native_configure("0");
    run("i = 0; a = 7;\n" + loop("s = (s + i % a) * 3 % 1000003; t = s / 5;", 1000));
    native_configure("1000");
    int32_t s = 0;
    for (int32_t i = 0; i < 1000; i++)
        s = (s + i % 7) * 3 % 1000003;
    EXPECT_EQ(var['s' - 'a'], s);
    // the copy: four ops for s and one for t, each falling to the one after
    // it, then i's step, compare and way back in one op
    const Op *step = nullptr;
    for (const Op *op = compiled_code.data; op < compiled_code.data + compiled_code.size; op++)
        if (op->code == STEP_KK) {
            EXPECT_EQ(step, nullptr) << "one step";
            step = op;
        }
    ASSERT_NE(step, nullptr);
    EXPECT_EQ(static_cast<int8_t>(step->b), 1);
    EXPECT_EQ(step->k, 1000);
    int ops = 1;
    for (const Op *op = op_at(step->next); op != step && ops < 10; op++, ops++)
        EXPECT_TRUE(op->code & FALLS) << OP_INFO[op->code & ~FALLS].name;
    EXPECT_EQ(ops, 6) << "ops a pass";
}

TEST_F(Items, ARunOfItemsWithNothingToDoIsOneRecord)
{
    run(loop(std::string(1000, ';') + " A; A: B; B:", 3));
    auto recs = records();
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs[0], std::vector<std::string>{"NOTHING next=1.0 line 2"});
    EXPECT_EQ(compiled_records.data[0].end, 2u + 1000 + 8) << "from after L: to after B:";
    EXPECT_LE(compiled_records.size, 5u) << "the whole run is crossed in one step";
}

}  // namespace
