#include "core/CommandLine.h"

#include "BuildPaths.h"
#include "e2e/GameProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// The game's command line, parsed and as the real executable answers it.

namespace {

CommandLine::Result parse(std::vector<std::string_view> arguments) {
    return CommandLine::parse(arguments);
}

TEST(CommandLine, NoArgumentsRunTheGame) {
    const CommandLine::Result result = parse({});
    EXPECT_TRUE(result.ok());
    EXPECT_FALSE(result.options.showHelp);
    EXPECT_FALSE(result.options.showVersion);
}

TEST(CommandLine, HelpAndVersionAreRecognised) {
    EXPECT_TRUE(parse({"--help"}).options.showHelp);
    EXPECT_TRUE(parse({"-h"}).options.showHelp);
    const CommandLine::Result both = parse({"--version", "--help"});
    EXPECT_TRUE(both.ok());
    EXPECT_TRUE(both.options.showVersion && both.options.showHelp);
}

TEST(CommandLine, DisplayAndSoundOptionsAreRecognised) {
    const CommandLine::Result none = parse({});
    EXPECT_FALSE(none.options.fullscreen || none.options.verticalSync || none.options.mute);
    EXPECT_EQ(none.options.frameRateLimit, std::nullopt);

    const CommandLine::Result all =
        parse({"--fullscreen", "--vsync", "--fps-limit", "30", "--mute"});
    ASSERT_TRUE(all.ok()) << all.error;
    EXPECT_TRUE(all.options.fullscreen && all.options.verticalSync && all.options.mute);
    EXPECT_EQ(all.options.frameRateLimit, 30);
    EXPECT_EQ(parse({"--fps-limit=0"}).options.frameRateLimit, 0);
    EXPECT_EQ(parse({"--fps-limit=1000"}).options.frameRateLimit, 1000);
}

// The editor's file may be left out; an option after it is never taken for it.
TEST(CommandLine, TheEditorOpensOnAFileOrOnAnEmptyLevel) {
    const CommandLine::Result bare = parse({"--editor"});
    ASSERT_TRUE(bare.ok()) << bare.error;
    EXPECT_TRUE(bare.options.editor);
    EXPECT_EQ(bare.options.editorFile, std::nullopt);
    const CommandLine::Result beforeOption = parse({"--editor", "--mute"});
    ASSERT_TRUE(beforeOption.ok()) << beforeOption.error;
    EXPECT_EQ(beforeOption.options.editorFile, std::nullopt);
    EXPECT_TRUE(beforeOption.options.mute);
    const CommandLine::Result withFile = parse({"--editor", "tower.txt", "--mute"});
    ASSERT_TRUE(withFile.ok()) << withFile.error;
    EXPECT_EQ(withFile.options.editorFile, "tower.txt");
    EXPECT_EQ(parse({"--editor=b.txt"}).options.editorFile, "b.txt");
    EXPECT_FALSE(parse({}).options.editor);
}

TEST(CommandLine, AFrameRateLimitMustBeNoneOrAUsableRate) {
    const std::string expected = "--fps-limit takes 0 or a whole number from 15 to 1000";
    for (const char* bad : {"14", "1001", "-30", "30fps", "", "0x1e"}) {
        EXPECT_EQ(parse({"--fps-limit", bad}).error, expected) << bad;
    }
    EXPECT_EQ(parse({"--fps-limit"}).error, "--fps-limit needs a value (N)");
    EXPECT_EQ(parse({"--mute=yes"}).error, "--mute takes no value");
}

TEST(CommandLine, AnythingElseIsAnErrorThatNamesIt) {
    const std::vector<std::pair<std::vector<std::string_view>, std::string>> cases{
        {{"--fullscreeen"}, "unknown option \"--fullscreeen\""},
        {{"-x"}, "unknown option \"-x\""},
        {{"level3"}, "unexpected argument \"level3\""},
        {{"--help=yes"}, "--help takes no value"},
        {{"--"}, "unknown option \"--\""},
        {{"--version", "extra"}, "unexpected argument \"extra\""},
    };
    for (const auto& [arguments, error] : cases) {
        EXPECT_EQ(parse(arguments).error, error) << arguments.front();
    }
}

TEST(CommandLine, OversizedCommandLinesAreRefused) {
    const std::vector<std::string_view> many(CommandLine::MAX_ARGUMENTS + 1, "--help");
    EXPECT_FALSE(CommandLine::parse(many).ok());
    const std::string huge(CommandLine::MAX_ARGUMENT_LENGTH + 1, 'x');
    const CommandLine::Result result = parse({huge});
    EXPECT_FALSE(result.ok());
    EXPECT_LT(result.error.size(), 200u);
}

TEST(CommandLine, UsageListsEveryOptionAndTheEnvironment) {
    const std::string usage = CommandLine::usage("vollarin");
    for (const char* expected :
         {"Usage: vollarin [options]", "--help", "--version", "--fullscreen", "--vsync",
          "--fps-limit N", "--mute", "settings.ini", "VOLLARIN_BACKEND_URL", "VOLLARIN_ANON_KEY",
          "VOLLARIN_EMAIL_DOMAIN"}) {
        EXPECT_NE(usage.find(expected), std::string::npos) << expected;
    }
}

TEST(CommandLine, BoundedNumbersAreWholeDecimalsInRange) {
    EXPECT_EQ(CommandLine::parseBoundedInt("30", 1, 1000), 30);
    EXPECT_EQ(CommandLine::parseBoundedInt("1000", 1, 1000), 1000);
    for (const char* bad : {"", "0", "1001", "30fps", " 30", "-5", "99999999999"}) {
        EXPECT_EQ(CommandLine::parseBoundedInt(bad, 1, 1000), std::nullopt) << bad;
    }
}

// The real executable: these answer without a window or a display.
TEST(CommandLineProcess, VersionAndHelpPrintAndExitZeroUnknownOptionsExitTwo) {
    const std::string game = VOLLARIN_GAME_EXE;
    const CommandResult version = runCommand("env -u DISPLAY '" + game + "' --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, "vollarin " + std::string(CommandLine::version()) + "\n");
    EXPECT_EQ(std::string(CommandLine::version()), VOLLARIN_PROJECT_VERSION);

    const CommandResult help = runCommand("env -u DISPLAY '" + game + "' --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output, CommandLine::usage("vollarin"));

    const CommandResult unknown = runCommand("env -u DISPLAY '" + game + "' --no-such-option");
    EXPECT_EQ(unknown.status, CommandLine::EXIT_USAGE);
    EXPECT_NE(unknown.output.find("unknown option \"--no-such-option\""), std::string::npos)
        << unknown.output;
    EXPECT_NE(unknown.output.find("Usage: vollarin"), std::string::npos) << unknown.output;
    EXPECT_EQ(unknown.output.find("Hello Skysling Clone!"), std::string::npos) << unknown.output;

    const CommandResult badLimit = runCommand("env -u DISPLAY '" + game + "' --fps-limit 5");
    EXPECT_EQ(badLimit.status, CommandLine::EXIT_USAGE);
    EXPECT_NE(badLimit.output.find("Usage: vollarin"), std::string::npos) << badLimit.output;
}

} // namespace
