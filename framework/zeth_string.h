// zeth_string: the text value every piece of panel code passes around.
//
// Value semantics throughout: a zeth_string owns its characters, copies on copy and never shares
// storage with the text it was built from. The panel and the framework are its only callers; it is
// not part of the host boundary, so nothing here is laid out for the host.
//
// Failure: an allocation that fails throws std::bad_alloc out of the operation that needed it.
// Every entry from the host (factory, notify, destructor) catches it, so it never reaches the host.
#pragma once

#include <cstring>
#include <initializer_list>
#include <string>

class zeth_string {
public:
    zeth_string() = default;
    // A null pointer reads as the empty text.
    zeth_string(const char* text); // NOLINT(google-explicit-constructor): texts mix freely
    // The text of value in the given base (2 to 36; anything else means 10), padded on the left
    // with fill up to width characters; a fill of 0 pads with spaces. The panel only ever asks for
    // (value, 0, 0, 10): the plain decimal text, such as "1" or "-42".
    zeth_string(int value, char fill, unsigned width, int base);
    zeth_string(const zeth_string&) = default;
    zeth_string(zeth_string&&) noexcept = default;
    virtual ~zeth_string();

    zeth_string& operator=(const char* text);
    zeth_string& operator=(const zeth_string&) = default;
    zeth_string& operator=(zeth_string&&) noexcept = default;

    zeth_string& operator+=(const zeth_string& other);
    zeth_string& operator+=(const char* text);

    // The NUL-terminated text, valid until this value is next changed or destroyed.
    operator const char*() const noexcept { return text.c_str(); } // NOLINT

    // A copy in which every occurrence of the lowest-numbered marker %1 .. %99 still present is
    // replaced by replacement. Without a marker the copy is unchanged. A marker that an earlier
    // call inserted counts like any other; fillMarkers fills several markers in one pass instead.
    zeth_string arg(const zeth_string& replacement) const;
    zeth_string arg(int value, char fill, unsigned width, int base) const;

    // Exact, case-sensitive equality; a null pointer equals the empty text.
    bool operator==(const char* other) const noexcept {
        const char* wanted = other != nullptr ? other : "";
        const std::size_t length = std::strlen(wanted); // folded for a constant text
        return text.size() == length && std::memcmp(text.data(), wanted, length) == 0;
    }
    bool operator!=(const char* other) const noexcept { return !(*this == other); }
    // True when the text is exactly the canonical decimal form of number: "1" equals 1, while
    // "01", "+1" and " 1" do not.
    bool operator==(int number) const noexcept;
    bool operator!=(int number) const noexcept { return !(*this == number); }

    int length() const noexcept { return static_cast<int>(text.size()); }

    // The decimal value of the whole text: an optional sign and digits, with blanks allowed around
    // them. 0 for the empty text and for anything else that is not such a number, including a
    // number outside the int range.
    int toInt() const noexcept;
    // The first run of decimal digits anywhere in the text, negative when a '-' stands right before
    // it: 3 for "Dest_3". 0 when there are no digits. A number beyond the int range saturates at
    // INT_MAX (or INT_MIN), so that it can never pass for a small one.
    int firstInt() const noexcept;

    bool startsWith(const zeth_string& prefix) const noexcept;
    bool startsWith(const char* prefix) const noexcept {
        const char* wanted = prefix != nullptr ? prefix : "";
        const std::size_t length = std::strlen(wanted); // folded for a constant text
        return text.size() >= length && std::memcmp(text.data(), wanted, length) == 0;
    }

    // Cuts the text at the first separator: left receives what stands before it and right what
    // follows it (further separators included). Without a separator, left receives the whole text
    // and right the empty text. Returns 1 when a separator was found, 0 otherwise.
    int split(char separator, zeth_string& left, zeth_string& right) const;

    const std::string& str() const noexcept { return text; }

private:
    std::string text;
};

zeth_string operator+(const zeth_string& left, const zeth_string& right);
zeth_string operator+(const zeth_string& left, const char* right);
zeth_string operator+(const char* left, const zeth_string& right);

// Fills the markers %1 .. %n of pattern with arguments[0 .. n-1] in a single pass, so that a
// marker inside an inserted text is never filled again. Markers beyond n are left as they are.
zeth_string fillMarkers(const char* pattern, std::initializer_list<const zeth_string*> arguments);
