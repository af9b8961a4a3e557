// Fuzz target for zeth_string and zeth_stringlist. The input is a program: a run of operations on
// three text slots, each slot a zeth_string shadowed by a plain std::string. After every operation
// each slot must still read as its shadow, and every result must equal the reference readings of
// reference_text.h. Operations include the aliasing cases (a slot appended to itself, split into
// itself) and the extremes of the numeric conversions.
//
// Input layout (see fuzz_input.h): repeated [operation byte][its fields].
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "reference_text.h"
#include "zeth_string.h"
#include "zeth_stringlist.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t slotCount = 3;
constexpr std::size_t growthLimit = 4096; // no operation makes a slot longer than this
constexpr int operationLimit = 96;

// A C text as a host or the panel would pass it: the bytes up to the first NUL.
std::string cText(const std::string& bytes) {
    return bytes.substr(0, std::strlen(bytes.c_str()));
}

// Numbers worth trying more often than 1 in 2^32.
int interestingInt(fuzz_input& in) {
    static constexpr std::array<int, 8> extremes = {0, 1, -1, 10, INT_MAX, INT_MIN, 2, -10};
    const std::uint8_t form = in.byte();
    return form < 128 ? extremes[form % extremes.size()] : in.int32();
}

struct slots {
    std::array<zeth_string, slotCount> values;
    std::array<std::string, slotCount> shadows;

    void check(const char* after) const {
        for (std::size_t i = 0; i < slotCount; ++i) {
            const char* read = values[i];
            const auto where = [&] {
                return std::string("after ") + after + ", slot " + std::to_string(i) + ": " +
                       shown(read) + ", expected " + shown(shadows[i]);
            };
            FUZZ_CHECK(shadows[i] == read, where());
            FUZZ_CHECK(values[i].str() == shadows[i], where());
            FUZZ_CHECK(values[i].length() == static_cast<int>(shadows[i].size()), where());
        }
    }
};

// EXPECT_TEXT(actual, expected, what): the zeth_string actual reads as the std::string expected.
// what describes the case and, like the message of FUZZ_CHECK, is built only on a failure: a
// description of a long text costs more than the check itself.
#define EXPECT_TEXT(actual, expected, what)                                                        \
    do {                                                                                           \
        const zeth_string& actualText = (actual);                                                  \
        const std::string& expectedText = (expected);                                              \
        FUZZ_CHECK(expectedText == static_cast<const char*>(actualText) &&                         \
                       actualText.length() == static_cast<int>(expectedText.size()),               \
                   std::string(what) + ": " + shown(static_cast<const char*>(actualText)) +        \
                       ", reference " + shown(expectedText));                                      \
    } while (false)

void checkList(const std::string& text, char separator, char other) {
    const zeth_stringlist list(zeth_string(text.c_str()), separator);
    const std::vector<std::string> pieces = referencePieces(text, separator);
    const auto where = [&] { return "list of " + shown(text) + " at " + shown({separator}); };
    FUZZ_CHECK(list.count() == static_cast<int>(pieces.size()), where() + ": count");
    for (int i = -1; i <= list.count(); ++i) {
        const bool inside = i >= 0 && i < list.count();
        EXPECT_TEXT(list.at(i), inside ? pieces[static_cast<std::size_t>(i)] : std::string(),
                    where() + ": element " + std::to_string(i));
    }
    EXPECT_TEXT(list.toString(separator), text, where() + ": rendered with its own separator");
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i != 0) {
            joined.push_back(other);
        }
        joined += pieces[i];
    }
    EXPECT_TEXT(list.toString(other), joined, where() + ": rendered with another separator");
}

void run(fuzz_input& in) {
    slots s;
    for (int step = 0; step < operationLimit && !in.atEnd(); ++step) {
        const std::uint8_t operation = in.byte();
        const std::size_t a = in.byte() % slotCount;
        const std::size_t b = in.byte() % slotCount;
        zeth_string& target = s.values[a];
        std::string& shadow = s.shadows[a];
        const bool roomToGrow = shadow.size() + s.shadows[b].size() <= growthLimit;
        switch (operation % 15) {
        case 0: { // assign and construct from a C text, a null one included
            const std::string text = cText(in.text());
            const bool null = text == "\x01"; // the one spelling of a null pointer
            target = null ? nullptr : text.c_str();
            shadow = null ? "" : text;
            EXPECT_TEXT(zeth_string(null ? nullptr : text.c_str()), shadow, "construct");
            s.check("assign");
            break;
        }
        case 1: { // copy and move, self-assignment included
            zeth_string copy(s.values[b]);
            const zeth_string& same = target;
            target = same;
            target = std::move(copy);
            shadow = s.shadows[b];
            s.check("copy");
            break;
        }
        case 2: // append a slot, possibly itself
            if (roomToGrow) {
                target += s.values[b];
                shadow += std::string(s.shadows[b]);
                s.check("append a zeth_string");
            }
            break;
        case 3: { // append a C text
            const std::string text = cText(in.text());
            target += text.c_str();
            target += static_cast<const char*>(nullptr);
            shadow += text;
            s.check("append a C text");
            break;
        }
        case 4: { // the three operator+ forms
            const std::string text = cText(in.text());
            if (roomToGrow) {
                EXPECT_TEXT(s.values[a] + s.values[b], s.shadows[a] + s.shadows[b], "text + text");
                EXPECT_TEXT(s.values[a] + text.c_str(), s.shadows[a] + text, "text + C text");
                EXPECT_TEXT(text.c_str() + s.values[b], text + s.shadows[b], "C text + text");
            }
            break;
        }
        case 5: // arg with a text; the result replaces the slot, so chains fill %1, %2, ...
            if (roomToGrow && shadow.size() * (s.shadows[b].size() + 1) <= growthLimit * 4) {
                const std::string expected = referenceArg(shadow, s.shadows[b]);
                const zeth_string filled = target.arg(s.values[b]);
                EXPECT_TEXT(filled, expected,
                            "arg of " + shown(shadow) + " with " + shown(s.shadows[b]));
                if (expected.size() <= growthLimit) {
                    target = filled;
                    shadow = expected;
                }
                s.check("arg");
            }
            break;
        case 6: { // number texts, and arg with a number
            const int value = interestingInt(in);
            const char fill = static_cast<char>(in.byte());
            const unsigned width = in.byte() % 40;
            const int base = static_cast<int>(in.byte() % 40);
            const std::string number = referenceNumber(value, fill, width, base);
            EXPECT_TEXT(zeth_string(value, fill, width, base), number,
                        "number " + std::to_string(value) + " base " + std::to_string(base) +
                            " width " + std::to_string(width));
            if (shadow.size() * (number.size() + 1) <= growthLimit * 4) {
                EXPECT_TEXT(target.arg(value, fill, width, base), referenceArg(shadow, number),
                            "arg of " + shown(shadow) + " with the number " + shown(number));
            }
            break;
        }
        case 7: { // equality with a C text
            const std::string text = cText(in.text());
            FUZZ_CHECK((target == text.c_str()) == (shadow == text),
                       shown(shadow) + " == " + shown(text));
            FUZZ_CHECK((target != text.c_str()) == (shadow != text),
                       shown(shadow) + " != " + shown(text));
            FUZZ_CHECK((target == static_cast<const char*>(nullptr)) == shadow.empty(),
                       shown(shadow) + " == null");
            break;
        }
        case 8: { // equality with a number: only the canonical decimal text matches
            const int number = interestingInt(in);
            FUZZ_CHECK((target == number) == (shadow == std::to_string(number)),
                       shown(shadow) + " == " + std::to_string(number));
            const int own = referenceToInt(shadow);
            FUZZ_CHECK((target == own) == (shadow == std::to_string(own)),
                       shown(shadow) + " == " + std::to_string(own));
            break;
        }
        case 9:
            FUZZ_CHECK(target.toInt() == referenceToInt(shadow),
                       "toInt of " + shown(shadow) + ": " + std::to_string(target.toInt()) +
                           ", reference " + std::to_string(referenceToInt(shadow)));
            break;
        case 10:
            FUZZ_CHECK(target.firstInt() == referenceFirstInt(shadow),
                       "firstInt of " + shown(shadow) + ": " + std::to_string(target.firstInt()) +
                           ", reference " + std::to_string(referenceFirstInt(shadow)));
            break;
        case 11:
            FUZZ_CHECK(target.startsWith(s.values[b]) == (shadow.rfind(s.shadows[b], 0) == 0),
                       shown(shadow) + " starts with " + shown(s.shadows[b]));
            break;
        case 12: { // split into two slots, either of which may be the source itself
            const char separator = static_cast<char>(in.byte());
            const std::size_t left = b;
            const std::size_t right = (b + 1 + in.byte() % (slotCount - 1)) % slotCount;
            const std::string source = shadow;
            const std::size_t at = source.find(separator);
            const int found = target.split(separator, s.values[left], s.values[right]);
            FUZZ_CHECK(found == (at == std::string::npos ? 0 : 1),
                       "split result of " + shown(source));
            s.shadows[left] = source.substr(0, at);
            s.shadows[right] = at == std::string::npos ? "" : source.substr(at + 1);
            s.check("split");
            break;
        }
        case 13: { // cut into a list and rendered back
            const char separator = static_cast<char>(in.byte());
            const char byte = static_cast<char>(in.byte());
            const char other = byte != '\0' ? byte : '\n'; // a rendering is a C text: no NUL
            checkList(shadow, separator, other);
            break;
        }
        case 14: { // one-pass marker filling with up to nine arguments
            std::vector<std::string> texts;
            std::vector<zeth_string> arguments;
            const std::size_t count = in.byte() % 10;
            for (std::size_t i = 0; i < count; ++i) {
                texts.push_back(s.shadows[(b + i) % slotCount]);
                arguments.emplace_back(texts.back().c_str());
            }
            std::size_t total = shadow.size();
            for (const std::string& text : texts) {
                total += text.size();
            }
            if (total * 8 > growthLimit * 4 || count > 9) {
                break;
            }
            const std::string expected = referenceFillMarkers(shadow, texts);
            const zeth_string* p[9] = {};
            for (std::size_t i = 0; i < count; ++i) {
                p[i] = &arguments[i];
            }
            // An initializer list's length is fixed where it is written: one call per count.
            zeth_string filled;
            switch (count) {
            case 0:
                filled = fillMarkers(shadow.c_str(), {});
                break;
            case 1:
                filled = fillMarkers(shadow.c_str(), {p[0]});
                break;
            case 2:
                filled = fillMarkers(shadow.c_str(), {p[0], p[1]});
                break;
            case 3:
                filled = fillMarkers(shadow.c_str(), {p[0], p[1], p[2]});
                break;
            case 4:
                filled = fillMarkers(shadow.c_str(), {p[0], p[1], p[2], p[3]});
                break;
            case 5:
                filled = fillMarkers(shadow.c_str(), {p[0], p[1], p[2], p[3], p[4]});
                break;
            case 6:
                filled = fillMarkers(shadow.c_str(), {p[0], p[1], p[2], p[3], p[4], p[5]});
                break;
            case 7:
                filled = fillMarkers(shadow.c_str(), {p[0], p[1], p[2], p[3], p[4], p[5], p[6]});
                break;
            case 8:
                filled =
                    fillMarkers(shadow.c_str(), {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7]});
                break;
            default:
                filled = fillMarkers(shadow.c_str(),
                                     {p[0], p[1], p[2], p[3], p[4], p[5], p[6], p[7], p[8]});
                break;
            }
            EXPECT_TEXT(filled, expected, "fillMarkers of " + shown(shadow));
            break;
        }
        default:
            break;
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_input in(data, size);
    run(in);
    return 0;
}
