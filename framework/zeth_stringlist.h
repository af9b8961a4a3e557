// zeth_stringlist: a list of texts, made by cutting one text at a separator and rendered back by
// joining the elements. Value semantics; the elements are zeth_string copies owned by the list.
#pragma once

#include "zeth_string.h"

#include <vector>

class zeth_stringlist {
public:
    zeth_stringlist() = default;
    // The text cut at every separator: "a,,b" gives "a", "" and "b". The empty text gives an empty
    // list (no elements), which renders as the empty text again.
    zeth_stringlist(const zeth_string& text, char separator);
    zeth_stringlist(const zeth_stringlist&) = default;
    zeth_stringlist& operator=(const zeth_stringlist&) = default;
    virtual ~zeth_stringlist();

    int count() const noexcept { return static_cast<int>(elements.size()); }
    // Element index, or the empty text when index is outside 0 .. count() - 1.
    zeth_string at(int index) const;
    void append(const zeth_string& element) { elements.push_back(element); }

    // The elements joined by separator.
    zeth_string toString(char separator) const;

private:
    std::vector<zeth_string> elements;
};
