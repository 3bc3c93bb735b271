// The host finds the component's services by class GUID and gets the answers it relies on.
#include <algorithm>

#include "component_fixture.h"
#include "runtime_state.h"

namespace ambiora_test {
namespace {

constexpr GUID dsp_guid = {
    0xb51fbad2, 0x8ba9, 0x4427, {0xbb, 0xd6, 0x5b, 0x03, 0xa3, 0xf5, 0xc3, 0xc0}};

std::string answer(componentversion& v, void (componentversion::*f)(string_base&)) {
    host_sim::host_string s;
    (v.*f)(s);
    return s.str();
}

TEST(services, the_factory_list_holds_exactly_the_three_services_each_answering_its_own) {
    // Each factory joined the head of the list as it was built: the play callback last.
    const GUID expected[] = {play_callback_static::class_guid, dsp_entry::class_guid,
                             componentversion::class_guid};
    const auto factories = host().factories();
    ASSERT_EQ(factories.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(factories[i].class_guid, expected[i]);
        service_ptr made, out;
        factories[i].factory->instance_create(made);
        EXPECT_TRUE(made->service_query(out, expected[i]));
        EXPECT_FALSE(made->service_query(out, expected[(i + 1) % 3]));
        EXPECT_FALSE(made->service_query(out, dsp::class_guid));
        // Static services keep a fixed count.
        EXPECT_EQ(made->service_add_ref(), 1);
        EXPECT_EQ(made->service_release(), 1);
    }
}

TEST(services, the_version_service_describes_the_component) {
    auto v = host().create<componentversion>();
    ASSERT_TRUE(v);
    EXPECT_EQ(answer(*v, &componentversion::get_file_name), "foo_dsp_ambiora.dll");
    EXPECT_EQ(answer(*v, &componentversion::get_component_name), "Ambiora Processor");
    EXPECT_EQ(answer(*v, &componentversion::get_component_version), "0.1.6a");
    const std::string about = answer(*v, &componentversion::get_about_message);
    EXPECT_EQ(std::count(about.begin(), about.end(), '\n'), 1) << about;
}

TEST(services, the_dsp_entry_names_itself_and_makes_instances_from_its_own_preset) {
    auto entry = host().create<dsp_entry>();
    ASSERT_TRUE(entry);
    host_sim::host_string name;
    entry->get_name(name);
    EXPECT_EQ(name.str(), "Ambiora Processor");
    EXPECT_EQ(entry->guid(), dsp_guid);
    EXPECT_TRUE(entry->have_config_popup());

    host_sim::host_preset preset;
    ASSERT_TRUE(entry->get_default_preset(preset));
    EXPECT_EQ(preset.owner(), dsp_guid);
    EXPECT_EQ(preset.get_data_size(), 0u);

    service_ptr_t<dsp> made;
    ASSERT_TRUE(entry->instantiate(made, preset));
    ASSERT_TRUE(made);
    EXPECT_EQ(made->service_add_ref(), 2);  // instances are reference counted
    EXPECT_EQ(made->service_release(), 1);
    // An instance answers its own interface only; a refused query takes no reference.
    for (const GUID& other : {dsp_entry::class_guid, play_callback_static::class_guid, dsp_guid}) {
        service_ptr out;
        EXPECT_FALSE(made->service_query(out, other));
        EXPECT_FALSE(out);
    }
    EXPECT_EQ(made->service_add_ref(), 2);
    made->service_release();
    service_ptr out;
    EXPECT_TRUE(made->service_query(out, dsp::class_guid));
    EXPECT_EQ(out.get(), static_cast<service_base*>(made.get()));
    EXPECT_EQ(made->report_latency(), 0.0);
    EXPECT_FALSE(made->wants_track_marks());

    // Preset data is never read.
    const char junk[] = "not a preset of ours";
    preset.set_data(junk, sizeof junk);
    EXPECT_TRUE(entry->instantiate(made, preset));
}

TEST(services, a_preset_owned_by_another_dsp_is_refused_whichever_byte_differs) {
    auto entry = host().create<dsp_entry>();
    service_ptr_t<dsp> previous = host().instantiate_default();
    for (std::size_t byte = 0; byte < sizeof(GUID); ++byte) {
        GUID foreign = dsp_guid;
        reinterpret_cast<unsigned char*>(&foreign)[byte] ^= 0x01;
        host_sim::host_preset preset;
        preset.set_owner(foreign);
        service_ptr_t<dsp> out = previous;
        EXPECT_FALSE(entry->instantiate(out, preset)) << "byte " << byte;
        EXPECT_EQ(out.get(), previous.get()) << "the out reference must be left alone";
    }
}

TEST(services, the_play_callback_follows_playback_and_releases_track_handles) {
    auto callbacks = host().play_callbacks();
    ASSERT_EQ(callbacks.size(), 1u);
    EXPECT_EQ(callbacks[0]->get_flags(), 511u);  // the first nine events, not the volume

    host_sim::host_track track;
    host().playback_new_track(track);  // a by-value handle, released by the handler
    EXPECT_EQ(track.references(), 1);
    EXPECT_EQ(ambiora::playback_active.load(), 1u);
    track.service_add_ref();
    track_handle_value value{&track};
#if defined(_WIN32) && !defined(_WIN64)
    static_cast<play_callback*>(callbacks[0].get())->on_playback_edited(value);
#else
    static_cast<play_callback*>(callbacks[0].get())->on_playback_edited(&value);
#endif
    EXPECT_EQ(track.references(), 1);
    host().playback_stop();
    EXPECT_EQ(ambiora::playback_active.load(), 0u);
    host().playback_starting();
    EXPECT_EQ(ambiora::playback_active.load(), 1u);
    host().playback_stop();
}

}  // namespace
}  // namespace ambiora_test
