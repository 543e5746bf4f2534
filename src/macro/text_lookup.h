#pragma once

#include <string>
#include <string_view>

namespace talvik::macro {

// The language text of a key ("add_macro_text", "key_F1" ...), UTF-8; empty for an unknown key.
// The program answers from its language file; tests use a fake.
class TextLookup {
public:
    virtual ~TextLookup() = default;
    virtual std::string Text(std::string_view key) const = 0;
};

}  // namespace talvik::macro
