// Included before every source of the web build: fills in what Debian's emscripten 3.1.6 C++
// library lacks of C++20 and the engine uses (std::bit_cast, from_chars for floats).
#pragma once

#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <version>

#if !defined(__cpp_lib_bit_cast)
namespace std {
template <class To, class From> constexpr To bit_cast(const From& from) noexcept {
    return __builtin_bit_cast(To, from);
}
} // namespace std
#endif

#if !defined(__cpp_lib_to_chars)
namespace std {
// from_chars of a float in the general format on top of strtof (correctly rounded in the web
// build's C library): no leading blank or '+', no hexadecimal, the value left alone on error.
inline from_chars_result from_chars(const char* first, const char* last, float& value,
                                    chars_format = chars_format::general) {
    if (first == last || *first == '+' || std::strchr(" \t\n\v\f\r", *first) != nullptr) {
        return {first, errc::invalid_argument};
    }
    // Only the characters a decimal number, "inf", "infinity" or "nan(...)" can hold.
    const char* end = first;
    while (end < last && *end != '\0' && std::strchr("0123456789.eE+-iInNfFaAtTyY()_", *end)) {
        ++end;
    }
    const std::string text(first, end);
    char* stop = nullptr;
    errno = 0;
    const float parsed = std::strtof(text.c_str(), &stop);
    if (stop == text.c_str()) return {first, errc::invalid_argument};
    const char* ptr = first + (stop - text.c_str());
    if (errno == ERANGE) return {ptr, errc::result_out_of_range};
    value = parsed;
    return {ptr, errc{}};
}
} // namespace std
#endif
