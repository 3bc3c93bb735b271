#include "schedule.h"

#include <charconv>
#include <sstream>

#include "file_access.h"
#include "messages.h"

namespace ambiora_cli {
namespace {

std::vector<std::string> split_words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::uint64_t parse_chunk_index(const std::string& word, const std::string& where) {
    std::uint64_t index = 0;
    const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), index);
    if (error != std::errc() || end != word.data() + word.size()) {
        throw usage_error(where + "a line starts with an input chunk index (0, 1, ...), not '" +
                          word + "'");
    }
    return index;
}

schedule_step parse_step(const std::string& word, const std::string& where) {
    schedule_step step;
    if (word == "reset") {
        step.reset = true;
        return step;
    }
    const std::size_t equals = word.find('=');
    if (equals == std::string::npos) {
        throw usage_error(where + "'" + word + "' is neither 'reset' nor NAME=VALUE");
    }
    const std::string name = word.substr(0, equals);
    const ambiora::setting_row* setting = find_processing_setting(name);
    if (setting == nullptr) throw usage_error(where + "there is no setting '" + name + "'");
    step.assignment = {
        setting, parse_setting_value(*setting, word.substr(equals + 1), where + setting->name)};
    return step;
}

}  // namespace

schedule read_schedule(const std::string& path) {
    constexpr std::size_t largest_schedule = std::size_t(16) << 20;
    const std::vector<unsigned char> bytes = read_whole_file(path, largest_schedule);
    std::string text(bytes.begin(), bytes.end());
    // Some editors start a UTF-8 file with a byte-order mark.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    std::istringstream in(text);
    schedule result;
    result.path = path;
    int line_number = 0;
    for (std::string line; std::getline(in, line);) {
        ++line_number;
        const std::string where = path + ":" + std::to_string(line_number) + ": ";
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) line.erase(comment);
        const std::vector<std::string> words = split_words(line);
        if (words.empty()) continue;
        const std::uint64_t index = parse_chunk_index(words[0], where);
        if (words.size() == 1) {
            throw usage_error(where + "chunk " + words[0] +
                              " has nothing to do (reset or NAME=VALUE)");
        }
        std::vector<schedule_step>& steps = result.steps_before_chunk[index];
        for (std::size_t w = 1; w < words.size(); ++w) steps.push_back(parse_step(words[w], where));
    }
    return result;
}

}  // namespace ambiora_cli
