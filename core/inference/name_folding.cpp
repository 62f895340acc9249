#include "core/inference/name_folding.h"

namespace sv {
namespace {

char foldedByte(char c) {
    switch (c) {
        case '-':
        case '/':
        case '\\':
        case '_':
            return ' ';
        default:
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
}

}  // namespace

void appendFolded(std::string& out, std::string_view name) {
    const std::size_t start = out.size();
    out.resize(start + name.size());
    for (std::size_t i = 0; i < name.size(); ++i)
        out[start + i] = foldedByte(name[i]);
}

std::string foldedName(std::string_view name) {
    std::string out;
    appendFolded(out, name);
    return out;
}

}  // namespace sv
