// The option loop with its quirks: options re-read as arguments, the
// pending-argument flag, and the first stop winning.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "quill.h"

namespace {

struct Outcome {
    int status;
    std::string err;
};

class Options : public ::testing::Test {
protected:
    char dir[64] = "/tmp/quill-opt-XXXXXX";
    std::string saved_cwd;

    void SetUp() override
    {
        ASSERT_NE(mkdtemp(dir), nullptr);
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        saved_cwd = buf;
        ASSERT_EQ(chdir(dir), 0);
        for (const char *name : {"a.txt", "b.txt", "-g"}) {
            FILE *f = std::fopen(name, "w");
            ASSERT_NE(f, nullptr);
            std::fputs(name, f);
            std::fclose(f);
        }
    }
    void TearDown() override
    {
        for (const char *name : {"a.txt", "b.txt", "-g"})
            unlink(name);
        EXPECT_EQ(chdir(saved_cwd.c_str()), 0);
        rmdir(dir);
    }

    Outcome run(std::vector<std::string> args)
    {
        poolsize = DEFAULT_POOLSIZE;
        quilldebug = 0;
        yyin = nullptr;
        std::vector<char *> argv{const_cast<char *>("quill")};
        for (auto &a : args)
            argv.push_back(a.data());
        testing::internal::CaptureStderr();
        int status = driver_options(static_cast<int>(argv.size()), argv.data());
        return {status, testing::internal::GetCapturedStderr()};
    }

    // The name of the file yyin reads, from its first line.
    std::string opened()
    {
        char buf[32] = "";
        if (!yyin || !std::fgets(buf, sizeof buf, yyin))
            return "";
        return buf;
    }
};

const char USAGE_HEAD[] = "\nVantor 1.2.9b\n";

bool is_usage(const std::string &err)
{
    return err.rfind(USAGE_HEAD, 0) == 0 && err.find("Exit Value") != std::string::npos;
}

TEST_F(Options, NoneRunsWithDefaults)
{
    Outcome r = run({});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(poolsize, 1048576);
    EXPECT_EQ(quilldebug, 0);
    EXPECT_EQ(yyin, nullptr);
    EXPECT_EQ(r.err, "");
}

TEST_F(Options, FileIsOpenedAndLastOneWins)
{
    EXPECT_EQ(run({"-f", "a.txt"}).status, -1);
    EXPECT_EQ(opened(), "a.txt");
    EXPECT_EQ(run({"-f", "a.txt", "-f", "b.txt"}).status, -1);
    EXPECT_EQ(opened(), "b.txt");
}

TEST_F(Options, MissingFileSaysSoWithoutUsage)
{
    Outcome r = run({"-f", "missing.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "#cannot open file (missing.txt).\n");
}

TEST_F(Options, CommandLineErrorsPrintUsage)
{
    for (auto args : std::vector<std::vector<std::string>>{
             {"-f"}, {"-s"}, {"x"}, {"--help"}, {"-F"}, {"-h"}, {"-g", "-h"}, {"-s", "-h"}}) {
        Outcome r = run(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_TRUE(is_usage(r.err)) << args[0];
    }
}

TEST_F(Options, ExtraArgumentAfterFileOpensThenFails)
{
    Outcome r = run({"-f", "a.txt", "extra"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(is_usage(r.err));
    EXPECT_EQ(opened(), "a.txt");
}

TEST_F(Options, PoolSizeReadings)
{
    const std::pair<const char *, int32_t> rows[] = {
        {"0x400", 1024}, {"010", 8}, {"1k", 1}, {"abc", 0}, {"-5", -5}, {"99999999999", 2147483647}};
    for (const auto &row : rows) {
        EXPECT_EQ(run({"-s", row.first}).status, -1);
        EXPECT_EQ(poolsize, row.second) << row.first;
    }
}

TEST_F(Options, FirstHelpWins)
{
    Outcome hH = run({"-H", "-h"});
    EXPECT_EQ(hH.status, 1);
    EXPECT_FALSE(is_usage(hH.err));
    EXPECT_NE(hH.err.find("##### Syntax Sample #####"), std::string::npos);
    Outcome Hh = run({"-h", "-H"});
    EXPECT_TRUE(is_usage(Hh.err));
    EXPECT_EQ(Hh.err.find("Syntax Sample"), std::string::npos);
}

TEST_F(Options, OptionAsArgumentActsTwice)
{
    // -s -g 5: size 0, tracing on, 5 skipped
    EXPECT_EQ(run({"-s", "-g", "5"}).status, -1);
    EXPECT_EQ(poolsize, 0);
    EXPECT_EQ(quilldebug, 1);
    // -f -g reads the file named -g and turns tracing on
    EXPECT_EQ(run({"-f", "-g"}).status, -1);
    EXPECT_EQ(quilldebug, 1);
    EXPECT_EQ(opened(), "-g");
    // -s -f x: size 0, then x opened and skipped
    EXPECT_EQ(run({"-s", "-f", "a.txt"}).status, -1);
    EXPECT_EQ(poolsize, 0);
    EXPECT_EQ(opened(), "a.txt");
}

TEST_F(Options, PendingFlagLetsOnlyOneArgumentThrough)
{
    // 64 is skipped, -g traces, 5 is unexpected
    Outcome r = run({"-s", "64", "-g", "5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(is_usage(r.err));
    EXPECT_EQ(poolsize, 64);
    EXPECT_EQ(run({"-g", "-g"}).status, -1);
}

}  // namespace
