// Every setting option reaches the engine through the component: a changed setting changes the
// output the way that setting should.
#include <cmath>

#include "cli_support.h"

namespace cli_test {
namespace {

enum { out_l, out_r, out_c, out_lfe, out_sl, out_sr };

// The engine's dB to factor, with 0.05 as a single-precision constant.
double factor_of_db(int db) {
    return std::pow(10.0, db * double(0.05f));
}

class render_options : public cli_test {
  protected:
    void SetUp() override {
        cli_test::SetUp();
        write_sound(path("in.wav"), stereo_programme());
    }

    sound render(std::vector<std::string> options, std::string* warnings = nullptr) {
        const std::string out = path("out" + std::to_string(renders_++) + ".wav");
        std::vector<std::string> arguments = {"render", path("in.wav"), out};
        arguments.insert(arguments.end(), options.begin(), options.end());
        const run_result r = run_ambiora(arguments);
        EXPECT_EQ(r.exit_code, 0) << r.err;
        EXPECT_EQ(r.out, "") << "stdout carries results only";
        if (warnings != nullptr) *warnings = r.err;
        return read_sound(out);
    }

    // Renders with each option list at once.
    std::vector<sound> render_each(const std::vector<std::vector<std::string>>& option_lists) {
        std::vector<std::vector<std::string>> calls;
        std::vector<std::string> outs;
        for (const auto& options : option_lists) {
            outs.push_back(path("out" + std::to_string(renders_++) + ".wav"));
            calls.push_back({"render", path("in.wav"), outs.back()});
            calls.back().insert(calls.back().end(), options.begin(), options.end());
        }
        const std::vector<run_result> results = run_ambiora_each(calls);
        std::vector<sound> sounds;
        for (std::size_t i = 0; i < results.size(); ++i) {
            EXPECT_EQ(results[i].exit_code, 0) << results[i].err;
            sounds.push_back(read_sound(outs[i]));
        }
        return sounds;
    }

    int renders_ = 0;
};

// b's channel equals a's times `factor`, sample for sample.
void expect_scaled(const sound& a, const sound& b, int channel, double factor) {
    ASSERT_EQ(a.frames(), b.frames());
    ASSERT_GT(rms(a.channel(channel)), 1e-4) << "channel " << channel << " must carry sound";
    for (std::size_t f = 0; f < a.frames(); ++f) {
        const double expected = factor * a.at(f, channel);
        ASSERT_NEAR(b.at(f, channel), expected, 1e-6 + 2e-6 * std::fabs(expected))
            << "channel " << channel << " frame " << f;
    }
}

void expect_same_channel(const sound& a, const sound& b, int channel) {
    ASSERT_EQ(a.frames(), b.frames());
    for (std::size_t f = 0; f < a.frames(); ++f) {
        ASSERT_EQ(a.at(f, channel), b.at(f, channel)) << "channel " << channel << " frame " << f;
    }
}

TEST_F(render_options, the_mode_takes_numbers_and_names_and_decides_the_layout) {
    const sound input = read_sound(path("in.wav"));
    const sound bypass = render({"--mode", "0"});
    ASSERT_EQ(bypass.channels, 2);
    expect_scaled(input, bypass, 0, factor_of_db(-3));

    const sound as2 = render({});  // the default mode is Ambiora-AS2
    EXPECT_EQ(as2.channels, 6);
    const char* const names[] = {"4", "Ambiora-AS2", "as2", "ambiora as2"};
    std::vector<std::vector<std::string>> option_lists;
    for (const char* name : names) option_lists.push_back({"--mode", name});
    const std::vector<sound> named = render_each(option_lists);
    for (std::size_t i = 0; i < named.size(); ++i) {
        ASSERT_EQ(named[i].channels, 6) << names[i];
        for (int c = 0; c < 6; ++c) expect_same_channel(as2, named[i], c);
    }
    const sound headphone = render({"--mode=Ambiora Headphone"});
    EXPECT_EQ(headphone.channels, 2);
    EXPECT_EQ(headphone.frames(), input.frames());
    EXPECT_GT(std::fabs(rms(headphone.channel(0)) - rms(bypass.channel(0))), 1e-3);

    // A number outside the list is passed on with a warning, and the engine plays it as Bypass.
    std::string warnings;
    const sound nine = render({"--mode", "9"}, &warnings);
    EXPECT_NE(warnings.find("warning: --mode 9 is outside 0 to 8"), std::string::npos) << warnings;
    for (int c = 0; c < 2; ++c) expect_same_channel(bypass, nine, c);
}

TEST_F(render_options, level_trims_scale_their_own_channels_and_no_other) {
    const sound plain = render({});
    const sound centre = render({"--centre-trim", "6"});
    expect_scaled(plain, centre, out_c, factor_of_db(6));
    for (const int c : {out_l, out_r, out_sl, out_sr}) expect_same_channel(plain, centre, c);

    const sound surround = render({"--surround-trim=-6"});
    expect_scaled(plain, surround, out_sl, factor_of_db(-6));
    expect_scaled(plain, surround, out_sr, factor_of_db(-6));
    for (const int c : {out_l, out_r, out_c}) expect_same_channel(plain, surround, c);

    const sound master = render({"--master-gain", "-9"});
    for (const int c : {out_l, out_r, out_c, out_sl, out_sr}) {
        expect_scaled(plain, master, c, factor_of_db(-9));
    }
}

TEST_F(render_options, centre_width_and_virtual_centre_move_the_centre_into_the_fronts) {
    const sound plain = render({});
    const sound wide = render({"--centre-width", "100"});
    EXPECT_NEAR(rms(wide.channel(out_c)) / rms(plain.channel(out_c)), 1.0 / 3.0, 0.01);
    EXPECT_GT(rms(wide.channel(out_r)), rms(plain.channel(out_r)) * 1.2);

    const sound virtual_centre = render({"--virtual-centre", "1"});
    EXPECT_EQ(rms(virtual_centre.channel(out_c)), 0.0);
    EXPECT_GT(rms(virtual_centre.channel(out_r)), rms(plain.channel(out_r)) * 1.2);
}

// The surrounds of the delayed render, moved back by `lag`, match the undelayed ones.
bool surrounds_lag_by(const sound& none, const sound& late, std::size_t lag) {
    for (const int c : {out_sl, out_sr}) {
        for (std::size_t f = 0; f < lag; ++f) {
            if (late.at(f, c) != 0.0f) return false;
        }
        for (std::size_t f = 0; f + lag < none.frames(); ++f) {
            if (std::fabs(late.at(f + lag, c) - none.at(f, c)) > 1e-6) return false;
        }
    }
    return true;
}

TEST_F(render_options, the_surround_delay_shifts_the_surrounds_by_its_milliseconds) {
    const sound none = render({"--surround-delay", "0"});
    const sound late = render({"--surround-delay", "30"});
    ASSERT_GT(rms(none.channel(out_sl)), 1e-3);
    // 30 ms at 48 kHz, or one sample less: the engine truncates the product of the rate and a
    // single-precision 10^-6.
    const std::size_t shift = 30 * 48000 / 1000;
    EXPECT_TRUE(surrounds_lag_by(none, late, shift) || surrounds_lag_by(none, late, shift - 1));
    for (const int c : {out_l, out_r, out_c}) expect_same_channel(none, late, c);
}

TEST_F(render_options, bass_options_shape_what_reaches_the_lfe_channel) {
    const sound plain = render({});
    EXPECT_EQ(rms(plain.channel(out_lfe)), 0.0) << "no bass redirection by default";
    const sound on = render({"--bass-enable", "1"});
    ASSERT_GT(rms(on.channel(out_lfe)), 1e-3);
    EXPECT_LT(rms(on.channel(out_l)), rms(plain.channel(out_l))) << "the fronts give up their bass";

    const std::vector<sound> r = render_each({{"--bass-enable", "1", "--bass-trim", "6"},
                                              {"--bass-enable", "on", "--bass-invert", "1"},
                                              {"--bass-enable", "1", "--bass-boost", "1"},
                                              {"--bass-enable", "1", "--bass-frequency", "20"},
                                              {"--bass-enable", "1", "--bass-frequency", "200"}});
    expect_scaled(on, r[0], out_lfe, factor_of_db(6));
    expect_scaled(on, r[1], out_lfe, -1.0);
    expect_scaled(on, r[2], out_lfe, 1.0 / double(0.316f));
    EXPECT_GT(rms(r[4].channel(out_lfe)), 2.0 * rms(r[3].channel(out_lfe)));
}

TEST_F(render_options, each_speaker_switch_silences_its_own_channel) {
    const sound plain = render({});
    const struct {
        const char* option;
        int channel;
    } speakers[] = {{"--speaker-l", out_l},
                    {"--speaker-r", out_r},
                    {"--speaker-c", out_c},
                    {"--speaker-sl", out_sl},
                    {"--speaker-sr", out_sr}};
    std::vector<std::vector<std::string>> option_lists;
    for (const auto& s : speakers) option_lists.push_back({s.option, "0"});
    const std::vector<sound> renders = render_each(option_lists);
    for (std::size_t i = 0; i < std::size(speakers); ++i) {
        const auto& s = speakers[i];
        const sound& muted = renders[i];
        ASSERT_EQ(muted.channels, 6) << s.option;
        EXPECT_EQ(rms(muted.channel(s.channel)), 0.0) << s.option;
        for (const int c : {out_l, out_r, out_c, out_sl, out_sr}) {
            if (c != s.channel) expect_same_channel(plain, muted, c);
        }
    }
}

}  // namespace
}  // namespace cli_test
