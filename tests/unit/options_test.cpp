// The option loop with its quirks: options re-read as arguments, the
// pending-argument flag, and the first stop winning.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "quill.h"

namespace {

struct Outcome {
    int status;
    std::string err;
};

namespace fs = std::filesystem;

class Options : public ::testing::Test {
protected:
    fs::path dir;
    fs::path saved_cwd;

    void SetUp() override
    {
        std::random_device fresh;
        do
            dir = fs::temp_directory_path() / ("quill-opt-" + std::to_string(fresh()));
        while (!fs::create_directory(dir));
        saved_cwd = fs::current_path();
        fs::current_path(dir);
        for (const char *name : {"a.txt", "b.txt", "-g"}) {
            FILE *f = std::fopen(name, "w");
            ASSERT_NE(f, nullptr);
            std::fputs(name, f);
            std::fclose(f);
        }
    }
    void TearDown() override
    {
        if (yyin)
            std::fclose(yyin);   // an open file cannot be removed everywhere
        yyin = nullptr;
        fs::current_path(saved_cwd);
        std::error_code ignored;   // a stream an earlier -f left open may hold its file
        fs::remove_all(dir, ignored);
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
        int status = options_read(static_cast<int>(argv.size()), argv.data());
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
