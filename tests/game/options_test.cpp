#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <qx/version.h>

#include "game/options.h"

namespace chase {
namespace {

Options parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "chase");
    return parse_options(static_cast<int>(arguments.size()), arguments.data());
}

TEST(Options, AcceptsBothFormsAndTheLastRateWins) {
    struct Case {
        std::vector<const char*> arguments;
        uint32_t fps;
    };
    for (const Case& c :
         {Case{{}, 0}, Case{{"--fps", "40000"}, 40'000}, Case{{"--fps=0"}, 0},
          Case{{"--fps", "0010000000"}, 10'000'000}, Case{{"--fps", "40000", "--fps=25"}, 25}}) {
        Options options = parse(c.arguments);
        EXPECT_EQ(options.action, OptionsAction::PLAY);
        EXPECT_EQ(options.frames_per_second, c.fps);
    }
    EXPECT_EQ(parse({"--fps", "5", "--help", "--bogus"}).action, OptionsAction::HELP);
    EXPECT_EQ(parse({"--version"}).action, OptionsAction::VERSION);
    EXPECT_EQ(version_line(), std::string("chase ") + QX_VERSION_STRING + "\n");
}

TEST(Options, BadArgumentsNameTheFaultAndTheForm) {
    struct Case {
        std::vector<const char*> arguments;
        const char* fault;
    };
    for (const Case& c :
         {Case{{"--fps"}, "--fps needs a value"}, Case{{"--fps="}, "--fps needs a value"},
          Case{{"--fps", "abc"}, "'abc' is not a whole number"},
          Case{{"--fps", "12k"}, "'12k' is not a whole number"},
          Case{{"--fps", "+5"}, "'+5' is not a whole number"},
          Case{{"--fps", "-"}, "'-' is not a whole number"},
          Case{{"--fps", "-5"}, "'-5' is negative"},
          Case{{"--fps=10000001"}, "'10000001' is out of range"},
          Case{{"--fps", "99999999999999999999999"}, "'99999999999999999999999' is out of range"},
          Case{{"--fps", "30", "--fast"}, "unknown argument '--fast'"},
          Case{{"480"}, "unknown argument '480'"},
          Case{{"--fps\x1b[2J"}, "unknown argument '--fps?[2J'"}}) {
        Options options = parse(c.arguments);
        SCOPED_TRACE(options.problem);
        EXPECT_EQ(options.action, OptionsAction::BAD);
        EXPECT_EQ(options.problem.rfind("chase: ", 0), 0u);
        EXPECT_NE(options.problem.find(c.fault), std::string::npos);
        EXPECT_NE(options.problem.find("--fps N"), std::string::npos);
        EXPECT_EQ(options.problem.find('\n'), std::string::npos);
    }
}

}  // namespace
}  // namespace chase
