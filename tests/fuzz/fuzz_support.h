#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "macro/text_lookup.h"

// A broken promise of a reader is a finding like a crash: libFuzzer keeps the input that caused
// it and stops.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: broken invariant: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace talvik::fuzz {

// An empty folder of this process for one input, in the temporary folder. Emptied on every
// call; removed by a later run once this process is gone.
const std::filesystem::path& FreshFolder();

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const void* data, std::size_t size);
bool SameBytes(const std::vector<std::uint8_t>& bytes, const std::uint8_t* data, std::size_t size);

// The few language texts the stores ask for.
class Texts : public macro::TextLookup {
public:
    std::string Text(std::string_view key) const override;
};

// Whether a fixed name field holds its terminator.
template <std::size_t N>
bool Terminated(const char16_t (&field)[N]) {
    return std::find(field, field + N, u'\0') != field + N;
}

}  // namespace talvik::fuzz
