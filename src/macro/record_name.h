#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace talvik::macro {

// Names of profile and macro records: UTF-16, zero-terminated in a fixed array of code units.

// The text of a name field: up to the first zero or the end of the field.
std::u16string ReadNameField(const char16_t* field, std::size_t units);

template <std::size_t N>
std::u16string ReadName(const char16_t (&field)[N]) {
    return ReadNameField(field, N);
}

// Stores `name` with its terminator, cut to units − 1 code units (never inside a surrogate
// pair); the rest of the field is zero-filled.
void WriteNameField(char16_t* field, std::size_t units, std::u16string_view name);

template <std::size_t N>
void WriteName(char16_t (&field)[N], std::u16string_view name) {
    WriteNameField(field, N, name);
}

// Ends the field with a zero when it holds none; returns whether it had to.
bool TerminateNameField(char16_t* field, std::size_t units);

template <std::size_t N>
bool TerminateName(char16_t (&field)[N]) {
    return TerminateNameField(field, N);
}

// `name` cut to at most `max_units` code units, never inside a surrogate pair.
std::u16string CutName(std::u16string_view name, std::size_t max_units);

// Simple case mapping for Latin, Greek and Cyrillic letters; other units are returned as they are.
char16_t FoldCase(char16_t c);
char16_t ToUpperCase(char16_t c);
std::u16string ToUpperCase(std::u16string_view text);

// Equal without regard to letter case.
bool NamesEqualIgnoringCase(std::u16string_view a, std::u16string_view b);

// UTF-8 and UTF-16 conversions; malformed input becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);
// Whether `text` holds only well-formed surrogate pairs, so it survives a trip through UTF-8.
bool IsWellFormedUtf16(std::u16string_view text);

// Whether a record of `list` (a list of pointers to records whose first field is `name`) has
// this name, without regard to case.
template <typename List>
bool ContainsName(const List& list, std::u16string_view name) {
    for (const auto& record : list) {
        if (NamesEqualIgnoringCase(ReadName(record->name), name)) {
            return true;
        }
    }
    return false;
}

// `name` itself when no record has it, else the first free "%s_%d" (1, 2, 3 ...). The name is cut
// first so that the result, number included, fits `max_units` code units.
template <typename List>
std::u16string MakeUniqueName(const List& list, std::u16string_view name, std::size_t max_units) {
    std::u16string candidate = CutName(name, max_units);
    for (int n = 1; ContainsName(list, candidate); ++n) {
        std::u16string suffix = u"_";
        for (char c : std::to_string(n)) {
            suffix.push_back(static_cast<char16_t>(c));
        }
        const std::size_t room = max_units > suffix.size() ? max_units - suffix.size() : 0;
        candidate = CutName(name, room) + suffix;
    }
    return candidate;
}

}  // namespace talvik::macro
