#include "core/inference/key_display.h"

#include <cstdint>
#include <string_view>

namespace {

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

char upperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool equalsIgnoringCase(std::string_view text, std::string_view lowerWord) {
    if (text.size() != lowerWord.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (lowerAscii(text[i]) != lowerWord[i])
            return false;
    }
    return true;
}

// Unicode white space and line breaks: separators (Zs, Zl, Zp), tab to carriage return
// and NEL.
bool isWhitespaceOrNewline(std::uint32_t code) {
    return code == 0x20 || (code >= 0x09 && code <= 0x0D) || code == 0x85 || code == 0xA0 ||
           code == 0x1680 || (code >= 0x2000 && code <= 0x200A) || code == 0x2028 ||
           code == 0x2029 || code == 0x202F || code == 0x205F || code == 0x3000;
}

// Length of the UTF-8 sequence at i and its code point; a stray byte counts as one
// character that is not white space.
std::size_t decodeAt(std::string_view s, std::size_t i, std::uint32_t& code) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t length = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    if (length == 1 || i + length > s.size()) {
        code = lead < 0x80 ? lead : 0xFFFD;
        return 1;
    }
    code = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(s[i + k]);
        if ((next & 0xC0) != 0x80) {
            code = 0xFFFD;
            return 1;
        }
        code = (code << 6) | (next & 0x3F);
    }
    return length;
}

std::string lowerWithoutWhitespace(std::string_view key) {
    std::string out;
    out.reserve(key.size());
    for (std::size_t i = 0; i < key.size();) {
        std::uint32_t code = 0;
        const std::size_t length = decodeAt(key, i, code);
        if (!isWhitespaceOrNewline(code)) {
            for (std::size_t k = 0; k < length; ++k)
                out.push_back(lowerAscii(key[i + k]));
        }
        i += length;
    }
    return out;
}

}  // namespace

std::optional<std::string> SVCompactKey(const std::string& key) {
    if (key.empty() || equalsIgnoringCase(key, "none") || equalsIgnoringCase(key, "unknown"))
        return std::nullopt;
    std::string s = lowerWithoutWhitespace(key);
    bool minor = false;
    if (s.ends_with("minor")) {
        s.resize(s.size() - 5);
        minor = true;
    } else if (s.ends_with("m")) {
        s.resize(s.size() - 1);
        minor = true;
    } else if (s.ends_with("major")) {
        s.resize(s.size() - 5);
    }
    if (s.empty())
        return std::nullopt;
    for (char& c : s)
        c = upperAscii(c);
    if (minor)
        s.push_back('m');
    return s;
}

std::string SVDisplayKey(const sv::Sample& sample) {
    return SVCompactKey(sample.musicalKey).value_or("--");
}
