#include "zeth_stringlist.h"

#include <string>

zeth_stringlist::zeth_stringlist(const zeth_string& text, char separator) {
    const std::string& source = text.str();
    if (source.empty()) {
        return;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = source.find(separator, start);
        const std::string piece = source.substr(start, at == std::string::npos ? at : at - start);
        elements.emplace_back(piece.c_str());
        if (at == std::string::npos) {
            break;
        }
        start = at + 1;
    }
}

zeth_stringlist::~zeth_stringlist() = default;

zeth_string zeth_stringlist::at(int index) const {
    if (index < 0 || index >= count()) {
        return zeth_string();
    }
    return elements[static_cast<std::size_t>(index)];
}

zeth_string zeth_stringlist::toString(char separator) const {
    std::string joined;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        if (i != 0) {
            joined.push_back(separator);
        }
        joined += elements[i].str();
    }
    return zeth_string(joined.c_str());
}
