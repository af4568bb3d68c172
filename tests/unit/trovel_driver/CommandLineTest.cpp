// The command line of trovel.exe and what it hands to the library.
#include <gtest/gtest.h>

#include "Collector.h"
#include "CommandLine.h"

namespace {

using Kind = TrovelCommand::Kind;

TEST(TrovelCommandLine, AcceptsRunAndStatusAndRejectsTheRest)
{
    const struct {
        std::vector<std::string> args;
        Kind kind;
    } cases[] = {
        {{}, Kind::Help},
        {{"--help"}, Kind::Help},
        {{"run", "--help"}, Kind::Help},
        {{"run"}, Kind::Run},
        {{"run", "-p", "Aldera 800", "-c", "ACME Print/Shop", "-r", "EMEA", "-s", "S", "-d", "D"}, Kind::Run},
        {{"status", "93015"}, Kind::Status},
        {{"status"}, Kind::Error},
        {{"status", "12ab"}, Kind::Error},
        {{"status", "240000"}, Kind::Error},
        {{"run", "-x", "1"}, Kind::Error},
        {{"run", "-c"}, Kind::Error},
        {{"run", "-c", "say \"hi\""}, Kind::Error},
        {{"upload"}, Kind::Error},
    };
    for (const auto& c : cases) {
        const TrovelCommand command = ParseCommandLine(c.args);
        EXPECT_EQ(command.kind, c.kind) << (c.args.empty() ? "" : c.args[0]) << " " << c.args.size();
        EXPECT_EQ(command.kind == Kind::Error, !command.error.empty());
    }
    EXPECT_EQ(ParseCommandLine({"status", "093015"}).runId, 93015u);
}

TEST(TrovelCommandLine, OptionTextReadsBackThroughTheLibraryParser)
{
    const TrovelCommand command =
        ParseCommandLine({"run", "-c", "ACME Print/Shop", "-p", "Aldera 800", "-s", "Weekly", "-d", "Jams -p x"});
    const std::string options = BuildOptionText(command);
    EXPECT_EQ(options, "-p \"Aldera 800\" -c \"ACME Print/Shop\"");  // subject and description go as arguments
    EXPECT_EQ(CTrovelCollector::GetOption(options, "-customer", "-c"), "ACME_Print_Shop");
    EXPECT_EQ(CTrovelCollector::GetOption(options, "-product", "-p"), "Aldera_800");
    EXPECT_EQ(command.subject, "Weekly");
    EXPECT_EQ(command.description, "Jams -p x");
    EXPECT_EQ(BuildOptionText(ParseCommandLine({"run"})), "");
}

TEST(TrovelCommandLine, ExitCodeOfARun)
{
    EXPECT_EQ(RunExitCode(1, "File Collection completed successfully:  Collected Packages: Logs."), 0);
    EXPECT_EQ(RunExitCode(1, "File Collection failed!  Collected Packages: Logs."), 1);
    EXPECT_EQ(RunExitCode(2, "No packages are available."), 1);
    EXPECT_EQ(RunExitCode(0, ""), 1);
}

}  // namespace
