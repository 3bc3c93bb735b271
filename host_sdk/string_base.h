// The host's growable UTF-8 string, through which services return text.
#pragma once

#include <cstddef>

// Pass as a length to mean "up to the terminating zero".
inline constexpr std::size_t string_length_to_terminator = ~std::size_t(0);

class string_base {
  public:
    virtual void add_string(const char* text, std::size_t length) = 0;
    virtual const char* get_ptr() const = 0;
    virtual void set_string(const char* text, std::size_t length) = 0;
    virtual void truncate(std::size_t length) = 0;
    virtual std::size_t get_length() const = 0;
    virtual char* lock_buffer(std::size_t length) = 0;
    virtual void unlock_buffer() = 0;

    // Convenience for our side: always passes the length explicitly, as the player expects.
    void set(const char* text) { set_string(text, string_length_to_terminator); }

  protected:
    string_base() = default;
    ~string_base() = default;
};
