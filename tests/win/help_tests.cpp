// The help display: start-up housekeeping in the program's folder, the trace
// switch, and the failure a user sees when the help file is missing.
#include "help/HelpDisplay.h"
#include "base/Errors.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

namespace {

class HelpFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "vistrel-help-" + std::to_string(GetCurrentProcessId()) + "\\";
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const char* name : {"HHDebug.txt", "debug.debug", "vistrel.chm", "$_Temp_$.$$$"})
            DeleteFileA((folder_ + name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    void Touch(const std::string& name, const std::string& text = "x")
    {
        std::ofstream(folder_ + name, std::ios::binary) << text;
    }
    bool Exists(const std::string& name)
    {
        return GetFileAttributesA((folder_ + name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::string Read(const std::string& name)
    {
        std::ifstream in(folder_ + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::string folder_;
};

TEST(HelpDebugSwitch, AcceptsSlashOrHyphenInAnyCaseOnly)
{
    EXPECT_TRUE(HelpDebugSwitch("vistrel.exe /debug"));
    EXPECT_TRUE(HelpDebugSwitch("\"C:\\Program Files\\Vistrel\\vistrel.exe\" -DEBUG"));
    EXPECT_FALSE(HelpDebugSwitch("vistrel.exe"));
    EXPECT_FALSE(HelpDebugSwitch("vistrel.exe debug"));
    EXPECT_FALSE(HelpDebugSwitch("vistrel.exe /debugger"));
    EXPECT_FALSE(HelpDebugSwitch("\"C:\\x /debug\\vistrel.exe\""));
}

TEST_F(HelpFolder, StartUpDeletesOldTraceAndLeavesNoProbeFile)
{
    Touch("HHDebug.txt", "old trace");
    THelpDisplay help(folder_ + "vistrel.chm", "vistrel.exe");
    EXPECT_TRUE(help.FolderWritable());
    EXPECT_FALSE(help.Tracing());
    EXPECT_FALSE(Exists("HHDebug.txt"));
    EXPECT_FALSE(Exists("$_Temp_$.$$$"));
}

TEST_F(HelpFolder, MissingHelpFileDoesNotStopCreationButShowingATopicReportsIt)
{
    THelpDisplay help(folder_ + "vistrel.chm", "vistrel.exe");
    try {
        help.ShowTopic("main_title.html");
        FAIL() << "a missing help file must be reported";
    } catch (const fw::Error& e) {
        EXPECT_NE(std::string(e.what()).find("vistrel.chm"), std::string::npos) << e.what();
    }
    help.CloseAll();
}

TEST_F(HelpFolder, DebugSwitchOrMarkerFileTracesHelpCalls)
{
    {
        THelpDisplay help(folder_ + "vistrel.chm", "vistrel.exe -debug");
        EXPECT_TRUE(help.Tracing());
        EXPECT_THROW(help.ShowTopic("creating.html"), fw::Error);
        help.CloseAll();
    }
    std::string trace = Read("HHDebug.txt");
    EXPECT_NE(trace.find("help file missing"), std::string::npos) << trace;
    EXPECT_NE(trace.find("HH_CLOSE_ALL"), std::string::npos) << trace;

    Touch("debug.debug");
    THelpDisplay marked(folder_ + "vistrel.chm", "vistrel.exe");
    EXPECT_TRUE(marked.Tracing());
    // A new start begins a new trace.
    EXPECT_EQ(Read("HHDebug.txt").find("help file missing"), std::string::npos);
}

} // namespace
