// The log file, the fatal-exception report and the command-line switches.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "infra/CommandLine.h"
#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "support/TestSupport.h"

namespace trov {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

class LogTest : public ::testing::Test {
protected:
    void SetUp() override { SetLogDirectory(dir.Path().string()); }
    void TearDown() override {
        EnableLog(false);
        CloseLog();
        SetLogDirectory("");
    }
    TempDir dir;
};

TEST_F(LogTest, DisabledLogTouchesNoFile) {
    WriteLog("nothing");
    CloseLog();
    EXPECT_FALSE(std::filesystem::exists(dir / "TROV.log"));
}

TEST_F(LogTest, DebugStartAppendsTheThreeLinesToAnExistingLog) {
    WriteFileBytes(dir / "TROV.log", "old line\r\n");
    StartDebugLog();
    WriteLog("CTROVManager::CreateNewAVI: AVI created!");
    CloseLog();
    std::string text = ReadFileBytes(dir / "TROV.log");
    ASSERT_EQ(text.rfind("old line\r\n", 0), 0u);
    std::vector<std::string> lines;
    for (size_t pos = 10; pos < text.size();) {
        size_t end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos);
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    ASSERT_EQ(lines.size(), 4u);
    const char* expected[] = {"---", "TROV Logging enabled!", "Version: Trovamatic 3.7",
                              "CTROVManager::CreateNewAVI: AVI created!"};
    for (size_t i = 0; i < 4; ++i) {
        // "<hh:mm:ss> " in front
        ASSERT_GE(lines[i].size(), 11u);
        EXPECT_EQ(lines[i][0], '<');
        EXPECT_EQ(lines[i][3], ':');
        EXPECT_EQ(lines[i][6], ':');
        EXPECT_EQ(lines[i].substr(9, 2), "> ");
        EXPECT_EQ(lines[i].substr(11), expected[i]);
    }
}

TEST_F(LogTest, ConcurrentWritersLeaveWholeLines) {
    EnableLog(true);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i)
                WriteLog("thread " + std::to_string(t) + " entry " + std::to_string(i));
        });
    for (auto& th : threads) th.join();
    CloseLog();
    std::string text = ReadFileBytes(dir / "TROV.log");
    size_t count = 0;
    for (size_t pos = 0; (pos = text.find("\r\n", pos)) != std::string::npos; pos += 2) ++count;
    EXPECT_EQ(count, 800u);
    EXPECT_EQ(text.find("\r\n<", 0) != std::string::npos, true);
}

TEST_F(LogTest, UnwritableLogDirectoryDropsEntriesQuietly) {
    SetLogDirectory(dir / "missing/dir");
    EnableLog(true);
    WriteLog("dropped");
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST(FatalReportTest, ReportsAccumulateAndGuardedOperationsGoOn) {
    CFatalReport& report = GetFatalReport();
    report.ClearText();
    std::vector<std::string> seen;
    report.SetSink([&](const std::string&, const std::string& section) { seen.push_back(section); });
    EXPECT_FALSE(RunGuarded("CTROVView::OnStart()", [] { throw std::runtime_error("x"); }));
    EXPECT_FALSE(RunGuarded("CAVIStream::CreateNewStream", [] { throw 42; }));
    EXPECT_TRUE(RunGuarded("fine", [] {}));
    EXPECT_EQ(report.GetText(),
              "Fatal Exception occured!\r\n\r\nSection: CTROVView::OnStart()\r\n"
              "Fatal Exception occured!\r\n\r\nSection: CAVIStream::CreateNewStream\r\n");
    EXPECT_EQ(report.GetCount(), 2);
    EXPECT_EQ(seen, (std::vector<std::string>{"CTROVView::OnStart()", "CAVIStream::CreateNewStream"}));
    // A throwing sink does not escape the report.
    report.SetSink([](const std::string&, const std::string&) { throw std::runtime_error("sink"); });
    EXPECT_NO_THROW(ReportFatalException("CWaveFile::AudioEncodeBuffer"));
    report.SetSink(nullptr);
    report.ClearText();
}

TEST(CommandLineTest, SwitchesInAnyCaseWithValues) {
    auto cl = SCommandLine::Parse({"-project", "a.ini", "-CREATE", "cs.ini"});
    EXPECT_EQ(cl.projectPath, "a.ini");
    EXPECT_EQ(cl.codecSettingsPath, "cs.ini");
    EXPECT_TRUE(cl.batch);
    EXPECT_FALSE(cl.debug);
    cl = SCommandLine::Parse({"-PrOjEcT", "b.ini", "-Debug"});
    EXPECT_EQ(cl.projectPath, "b.ini");
    EXPECT_TRUE(cl.debug);
    EXPECT_FALSE(cl.batch);
}

TEST(CommandLineTest, DebugAloneAndMissingValues) {
    auto cl = SCommandLine::Parse({"-DEBUG"});
    EXPECT_TRUE(cl.debug);
    EXPECT_TRUE(cl.projectPath.empty());
    EXPECT_FALSE(cl.batch);
    cl = SCommandLine::Parse({"-DEBUG", "-CREATE"});
    EXPECT_FALSE(cl.batch);
    EXPECT_TRUE(cl.codecSettingsPath.empty());
    cl = SCommandLine::Parse({"-PROJECT"});
    EXPECT_TRUE(cl.projectPath.empty());
    // The value is whatever follows, even a switch.
    cl = SCommandLine::Parse({"-PROJECT", "-DEBUG"});
    EXPECT_EQ(cl.projectPath, "-DEBUG");
    EXPECT_FALSE(cl.debug);
}

TEST(CommandLineTest, HelpVersionAndIgnoredArguments) {
    const char* argv[] = {"trov", "--VERSION", "stray", "--help"};
    auto cl = SCommandLine::Parse(4, argv);
    EXPECT_TRUE(cl.version);
    EXPECT_TRUE(cl.help);
    EXPECT_EQ(cl.ignored, std::vector<std::string>{"stray"});
    EXPECT_NE(CommandLineUsage("trov").find("-PROJECT"), std::string::npos);
}

}  // namespace
}  // namespace trov
