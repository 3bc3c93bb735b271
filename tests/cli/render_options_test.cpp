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
    // The default render first, then one per option list.
    std::vector<sound> renders(const std::vector<std::vector<std::string>>& option_lists,
                               std::vector<std::string>* errors = nullptr) {
        std::vector<std::vector<std::string>> all = {{}};
        all.insert(all.end(), option_lists.begin(), option_lists.end());
        std::vector<sound> sounds;
        for (const std::string& out : render_each(path("in.wav"), all, errors))
            sounds.push_back(read_sound(out));
        return sounds;
    }
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

void expect_same_channels(const sound& a, const sound& b, std::initializer_list<int> channels) {
    ASSERT_EQ(a.frames(), b.frames());
    for (const int c : channels) {
        for (std::size_t f = 0; f < a.frames(); ++f)
            ASSERT_EQ(a.at(f, c), b.at(f, c)) << "channel " << c << " frame " << f;
    }
}

TEST_F(render_options, the_mode_takes_numbers_and_names_and_decides_the_layout) {
    std::vector<std::string> errors;
    const std::vector<sound> r = renders({{"--mode", "0"},
                                          {"--mode", "4"},
                                          {"--mode", "Ambiora-AS2"},
                                          {"--mode", "as2"},
                                          {"--mode", "ambiora as2"},
                                          {"--mode=Ambiora Headphone"},
                                          {"--mode", "9"}},
                                         &errors);
    const sound &as2 = r[0], &bypass = r[1], &headphone = r[6], &nine = r[7];
    ASSERT_EQ(bypass.channels, 2);
    expect_scaled(read_sound(path("in.wav")), bypass, 0, factor_of_db(-3));
    EXPECT_EQ(as2.channels, 6) << "the default mode is Ambiora-AS2";
    for (std::size_t i = 2; i <= 5; ++i) {
        ASSERT_EQ(r[i].channels, 6) << i;
        expect_same_channels(as2, r[i], {0, 1, 2, 3, 4, 5});
    }
    EXPECT_EQ(headphone.channels, 2);
    EXPECT_EQ(headphone.frames(), bypass.frames());
    EXPECT_GT(std::fabs(rms(headphone.channel(0)) - rms(bypass.channel(0))), 1e-3);

    // A number outside the list is passed on with a warning, and the engine plays it as Bypass.
    EXPECT_NE(errors[7].find("warning: --mode 9 is outside 0 to 8"), std::string::npos)
        << errors[7];
    expect_same_channels(bypass, nine, {0, 1});
}

TEST_F(render_options, level_trims_and_the_centre_options_act_on_their_own_channels) {
    const std::vector<sound> r = renders({{"--centre-trim", "6"},
                                          {"--surround-trim=-6"},
                                          {"--master-gain", "-9"},
                                          {"--centre-width", "100"},
                                          {"--virtual-centre", "1"}});
    const sound& plain = r[0];
    expect_scaled(plain, r[1], out_c, factor_of_db(6));
    expect_same_channels(plain, r[1], {out_l, out_r, out_sl, out_sr});
    expect_scaled(plain, r[2], out_sl, factor_of_db(-6));
    expect_scaled(plain, r[2], out_sr, factor_of_db(-6));
    expect_same_channels(plain, r[2], {out_l, out_r, out_c});
    for (const int c : {out_l, out_r, out_c, out_sl, out_sr})
        expect_scaled(plain, r[3], c, factor_of_db(-9));

    // Width and the virtual centre move the centre into the fronts.
    EXPECT_NEAR(rms(r[4].channel(out_c)) / rms(plain.channel(out_c)), 1.0 / 3.0, 0.01);
    EXPECT_GT(rms(r[4].channel(out_r)), rms(plain.channel(out_r)) * 1.2);
    EXPECT_EQ(rms(r[5].channel(out_c)), 0.0);
    EXPECT_GT(rms(r[5].channel(out_r)), rms(plain.channel(out_r)) * 1.2);
}

TEST_F(render_options, the_surround_delay_shifts_the_surrounds_by_its_milliseconds) {
    const std::vector<sound> r = renders({{"--surround-delay", "0"}, {"--surround-delay", "30"}});
    const sound &none = r[1], &late = r[2];
    ASSERT_GT(rms(none.channel(out_sl)), 1e-3);
    // 30 ms at 48 kHz, or one sample less: the engine truncates the product of the rate and a
    // single-precision 10^-6.
    auto lags_by = [&](std::size_t lag) {
        for (const int c : {out_sl, out_sr}) {
            for (std::size_t f = 0; f < none.frames(); ++f) {
                const float expected = f < lag ? 0.0f : none.at(f - lag, c);
                if (std::fabs(late.at(f, c) - expected) > 1e-6) return false;
            }
        }
        return true;
    };
    EXPECT_TRUE(lags_by(1440) || lags_by(1439));
    expect_same_channels(none, late, {out_l, out_r, out_c});
}

TEST_F(render_options, bass_options_shape_what_reaches_the_lfe_channel) {
    const std::vector<sound> r = renders({{"--bass-enable", "1"},
                                          {"--bass-enable", "1", "--bass-trim", "6"},
                                          {"--bass-enable", "on", "--bass-invert", "1"},
                                          {"--bass-enable", "1", "--bass-boost", "1"},
                                          {"--bass-enable", "1", "--bass-frequency", "20"},
                                          {"--bass-enable", "1", "--bass-frequency", "200"}});
    const sound &plain = r[0], &on = r[1];
    EXPECT_EQ(rms(plain.channel(out_lfe)), 0.0) << "no bass redirection by default";
    ASSERT_GT(rms(on.channel(out_lfe)), 1e-3);
    EXPECT_LT(rms(on.channel(out_l)), rms(plain.channel(out_l))) << "the fronts give up their bass";
    expect_scaled(on, r[2], out_lfe, factor_of_db(6));
    expect_scaled(on, r[3], out_lfe, -1.0);
    expect_scaled(on, r[4], out_lfe, 1.0 / double(0.316f));
    EXPECT_GT(rms(r[6].channel(out_lfe)), 2.0 * rms(r[5].channel(out_lfe)));
}

TEST_F(render_options, each_speaker_switch_silences_its_own_channel) {
    const char* const options[] = {"--speaker-l", "--speaker-r", "--speaker-c", "--speaker-sl",
                                   "--speaker-sr"};
    const int channels[] = {out_l, out_r, out_c, out_sl, out_sr};
    std::vector<std::vector<std::string>> option_lists;
    for (const char* option : options) option_lists.push_back({option, "0"});
    const std::vector<sound> r = renders(option_lists);
    for (std::size_t i = 0; i < std::size(options); ++i) {
        SCOPED_TRACE(options[i]);
        const sound& muted = r[i + 1];
        ASSERT_EQ(muted.channels, 6);
        EXPECT_EQ(rms(muted.channel(channels[i])), 0.0);
        for (const int c : channels) {
            if (c != channels[i]) expect_same_channels(r[0], muted, {c});
        }
    }
}

}  // namespace
}  // namespace cli_test
