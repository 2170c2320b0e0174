#include "show_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

ShowOptions parse(std::vector<const char*> args)
{
    args.insert(args.begin(), "krelan-demo");
    return parse_show_options(static_cast<int>(args.size()), args.data());
}

}  // namespace

TEST(ShowOptions, NoArgumentsRunTheShowAsAlways)
{
    const ShowOptions o = parse({});
    EXPECT_EQ(o.action, OPTIONS_RUN);
    EXPECT_FALSE(o.fullscreen);
    EXPECT_EQ(o.window_width, 1920);
    EXPECT_EQ(o.window_height, 1080);
    EXPECT_FALSE(o.start_from);
    EXPECT_FALSE(o.no_wait);
    EXPECT_EQ(o.vsync, VSYNC_DRIVER);  // no swap interval is set
    EXPECT_FALSE(o.on_display);        // the window goes where SDL puts it
}

TEST(ShowOptions, EveryOptionInBothForms)
{
    ShowOptions o = parse({"--fullscreen", "--window", "1280x720", "--from", "100.5", "--no-wait"});
    EXPECT_EQ(o.action, OPTIONS_RUN);
    EXPECT_TRUE(o.fullscreen);
    EXPECT_EQ(o.window_width, 1280);
    EXPECT_EQ(o.window_height, 720);
    EXPECT_TRUE(o.start_from);
    EXPECT_FLOAT_EQ(o.from_beat, 100.5f);
    EXPECT_TRUE(o.no_wait);

    o = parse({"--window=2560x1440", "--from=448", "--window=800x600"});
    EXPECT_EQ(o.action, OPTIONS_RUN);
    EXPECT_EQ(o.window_width, 800);  // the later one wins
    EXPECT_EQ(o.window_height, 600);
    EXPECT_FLOAT_EQ(o.from_beat, 448.0f);

    o = parse({"--vsync", "off", "--display", "1", "--vsync=adaptive"});
    EXPECT_EQ(o.action, OPTIONS_RUN);
    EXPECT_EQ(o.vsync, VSYNC_ADAPTIVE);
    EXPECT_TRUE(o.on_display);
    EXPECT_EQ(o.display, 1);
    o = parse({"--display=0", "--vsync=on"});
    EXPECT_TRUE(o.on_display);  // 0 named is not the same as no --display
    EXPECT_EQ(o.display, 0);
    EXPECT_EQ(o.vsync, VSYNC_ON);
}

// --live takes its folder only where it cannot be mistaken for an option.
TEST(ShowOptions, LiveTakesAnOptionalFolder)
{
    ShowOptions o = parse({"--live", "--from", "100"});
    EXPECT_TRUE(o.live);
    EXPECT_EQ(o.live_folder, "");  // the source tree's shaders/
    EXPECT_TRUE(o.start_from);
    o = parse({"--no-wait", "--live", "copy/shaders", "--from=100"});
    EXPECT_EQ(o.action, OPTIONS_RUN);
    EXPECT_EQ(o.live_folder, "copy/shaders");
    EXPECT_TRUE(o.no_wait && o.start_from);
    o = parse({"--live=/tmp/x"});
    EXPECT_TRUE(o.live);
    EXPECT_EQ(o.live_folder, "/tmp/x");
    EXPECT_FALSE(parse({}).live);
    EXPECT_EQ(parse({"--live="}).action, OPTIONS_BAD);
}

TEST(ShowOptions, AvOffsetInWholeMillisecondsAndTheCalibrationView)
{
    ShowOptions o = parse({});
    EXPECT_EQ(o.av_offset_ms, 0);
    EXPECT_FALSE(o.calibrate);
    o = parse({"--av-offset", "-35", "--calibrate"});
    EXPECT_EQ(o.action, OPTIONS_RUN);
    EXPECT_EQ(o.av_offset_ms, -35);
    EXPECT_TRUE(o.calibrate);
    EXPECT_EQ(parse({"--av-offset=+500"}).av_offset_ms, 500);
    EXPECT_EQ(parse({"--av-offset=-500"}).av_offset_ms, -500);
    for (const char* bad :
         {"501", "-501", "1.5", "", "+", "-", "12ms", "0x10", " 5", "1e2", "9999999"})
        EXPECT_EQ(parse({"--av-offset", bad}).action, OPTIONS_BAD) << "'" << bad << "'";
    EXPECT_EQ(parse({"--av-offset"}).action, OPTIONS_BAD);
    EXPECT_EQ(parse({"--calibrate=1"}).action, OPTIONS_BAD);
    EXPECT_NE(parse({"--av-offset", "600"}).error.find("-500 to 500"), std::string::npos);
}

TEST(ShowOptions, HelpAndVersionWinOverOtherOptions)
{
    EXPECT_EQ(parse({"--help"}).action, OPTIONS_HELP);
    EXPECT_EQ(parse({"--fullscreen", "-h"}).action, OPTIONS_HELP);
    EXPECT_EQ(parse({"--version", "--no-wait"}).action, OPTIONS_VERSION);
    // A bad option still wins over both.
    EXPECT_EQ(parse({"--help", "--bogus"}).action, OPTIONS_BAD);
}

TEST(ShowOptions, BadOptionsAreRefusedWithAReason)
{
    const std::vector<std::vector<const char*>> bad = {
        {"--bogus"},
        {"fullscreen"},
        {"-f"},
        {"--window"},
        {"--window", "1280"},
        {"--window", "1280x"},
        {"--window", "x720"},
        {"--window", "1280x720x3"},
        {"--window", "63x720"},
        {"--window", "1280x16385"},
        {"--window", "-1280x720"},
        {"--window", "1280 x720"},
        {"--from"},
        {"--from", "abc"},
        {"--from", "-1"},
        {"--from", "528.5"},
        {"--from", "nan"},
        {"--from", "inf"},
        {"--from", "12beats"},
        {"--from", ""},
        {"--from", " 12"},
        {"--from", "0x10"},  // strtod's hex, exponent and sign forms are not plain decimals
        {"--from", "1e2"},
        {"--from", "+16"},
        {"--from", "."},
        {"--from", "1.2.3"},
        {"--fullscreen=yes"},
        {"--no-wait=1"},
        {"--vsync"},
        {"--vsync", "yes"},
        {"--vsync", "ON"},
        {"--vsync", ""},
        {"--display"},
        {"--display", "-1"},
        {"--display", "64"},
        {"--display", "100"},
        {"--display", "1.5"},
        {"--display", "+1"},
        {"--display", " 1"},
        {"--display", ""},
    };
    for (const auto& args : bad) {
        const ShowOptions o = parse(args);
        std::string line;
        for (const char* a : args) line += std::string(a) + " ";
        EXPECT_EQ(o.action, OPTIONS_BAD) << line;
        EXPECT_FALSE(o.error.empty()) << line;
    }
    EXPECT_NE(parse({"--window", "1280"}).error.find("WxH"), std::string::npos);
    EXPECT_NE(parse({"--bogus"}).error.find("--bogus"), std::string::npos);
    // A huge value is quoted in part, not echoed whole.
    const std::string digits(5000, '7');
    const std::string error = parse({"--window", digits.c_str()}).error;
    EXPECT_LT(error.size(), 200u) << error;
    EXPECT_NE(error.find("5000 characters"), std::string::npos) << error;
    // The errors and the usage name the limits the parser applies.
    EXPECT_NE(parse({"--from", "0x10"}).error.find("0 to 528"), std::string::npos);
    EXPECT_NE(parse({"--window", "1x1"}).error.find("64 to 16384"), std::string::npos);
    EXPECT_NE(std::string(show_usage()).find("BEAT (0 to 528)"), std::string::npos);
}

TEST(ShowOptions, ValueLimitsAreInclusive)
{
    int w = 0, h = 0;
    EXPECT_TRUE(parse_window_size("64x16384", &w, &h));
    EXPECT_EQ(w, 64);
    EXPECT_EQ(h, 16384);
    float beat = -1;
    EXPECT_TRUE(parse_from_beat("0", &beat));
    EXPECT_FLOAT_EQ(beat, 0.0f);
    EXPECT_TRUE(parse_from_beat("528", &beat));
    EXPECT_FLOAT_EQ(beat, 528.0f);
    // An exponent is not a plain decimal, however small its value.
    EXPECT_FALSE(parse_from_beat("1e-310", &beat));
    int display = -1;
    EXPECT_TRUE(parse_display_index("0", &display));
    EXPECT_EQ(display, 0);
    EXPECT_TRUE(parse_display_index("63", &display));
    EXPECT_EQ(display, 63);
    EXPECT_TRUE(parse_from_beat(".5", &beat));
    EXPECT_FLOAT_EQ(beat, 0.5f);
    EXPECT_TRUE(parse_from_beat("460.", &beat));
    EXPECT_FLOAT_EQ(beat, 460.0f);
    // A tiny value written out in full underflows toward 0 and is in range.
    EXPECT_TRUE(parse_from_beat("0." + std::string(400, '0') + "1", &beat));
    EXPECT_FLOAT_EQ(beat, 0.0f);
}
