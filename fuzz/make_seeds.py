#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are committed; run this again after changing a target's input layout or adding seeds.
Inputs kept from findings (such as zeth_string_fuzzer/slow_long_list) are not written here: they
are the fuzzers' own output, and a change of layout makes them obsolete, not wrong.
Each seed is a small, meaningful case in the target's own input layout (see the comment at the
top of each *_fuzzer.cpp and fuzz_input.h): the worked examples of the decoders, string programs
that touch every operation, and message streams that drive the panel through selection, the Take
flash, Take, Undo, Clear and hostile events.
"""
import pathlib
import struct

INT_MAX = 2**31 - 1
INT_MIN = -(2**31)
ROOT = pathlib.Path(__file__).resolve().parent / "corpus"


def write(target, seeds):
    """Writes (or rewrites) these seeds; other files there, such as inputs kept from findings, stay."""
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data if isinstance(data, bytes) else data.encode("latin-1"))


def text(value):
    data = value.encode("latin-1") if isinstance(value, str) else value
    assert len(data) < 256
    return bytes([len(data)]) + data


def int32(value):
    return struct.pack("<i", value)


# --- decoders: the whole input is the text (the tokeniser also reads byte 0 as a quote) ---

tokens = {
    "number": "12",
    "two_numbers": "12 34",
    "spaces": "a   b ",
    "quoted_run": "a 'b c' d",
    "empty_run": "a '' b",
    "leading_quote": "'x' y",
    "leading_space": " 12",
    "only_quotes": "''",
    "only_spaces": "   ",
    "unclosed_run": "a 'b",
    "quote_separates": "ab'cd'ef",
    "device_reply": "'R7 SDI Router' 12",
    "forty_words": " ".join("w%d" % i for i in range(40)),
    "thirty_three_runs": "".join("'%d'" % i for i in range(33)),
    "double_quote_as_quote": '"a "b c" d',
    "space_as_quote": "  a b  c ",
    "empty": "",
}
write("decodeZETHString_fuzzer", tokens)

properties = {
    "index": "index=3",
    "events": "_events",
    "parts_and_value": "a.b.c=d.e",
    "second_equals": "a=b=c",
    "no_name": "=5",
    "leading_dot": ".x",
    "empty_part": "a..b",
    "empty_value": "a.b=",
    "thirty_three_parts": "n" + "".join(".p%d" % i for i in range(1, 34)) + "=v",
    "thirty_two_parts": "n" + "".join(".p%d" % i for i in range(1, 33)) + "=v",
    "return_all": "return=all",
    "empty": "",
}
write("decodePropertyString_fuzzer", properties)

# --- zeth_string: [operation][slot a][slot b] and the operation's fields ---

ASSIGN, COPY, APPEND, APPEND_TEXT, PLUS, ARG, NUMBER, EQ_TEXT, EQ_INT = range(9)
TO_INT, FIRST_INT, STARTS_WITH, SPLIT, LIST, FILL = range(9, 15)


def op(code, a=0, b=0):
    return bytes([code, a, b])


def small(index):  # one of the target's extremes: 0, 1, -1, 10, INT_MAX, INT_MIN, 2, -10
    return bytes([index])


def big(value):
    return b"\x80" + int32(value)


strings = {
    "debug_message": op(ASSIGN, 0) + text('returned "%1" not "%2" (was "%3" from "%4", "%5")')
    + op(ASSIGN, 1) + text("audio_id") + op(ASSIGN, 2) + text("%1 inserted")
    + op(ARG, 0, 1) + op(ARG, 0, 2) + op(ARG, 0, 1) + op(FILL, 0, 1) + bytes([9]),
    "numbers": op(ASSIGN, 0) + text("Dest_3") + op(FIRST_INT, 0) + op(TO_INT, 0)
    + op(ASSIGN, 1) + text(" -42 ") + op(TO_INT, 1) + op(FIRST_INT, 1)
    + op(ASSIGN, 2) + text("2147483648") + op(TO_INT, 2) + op(FIRST_INT, 2)
    + op(NUMBER, 0) + small(5) + b"0" + bytes([20, 16])
    + op(NUMBER, 0) + big(-123456) + b"\x00" + bytes([0, 10])
    + op(EQ_INT, 0) + small(1) + op(ASSIGN, 0) + text("1") + op(EQ_INT, 0) + small(1),
    "split_and_list": op(ASSIGN, 0) + text("12,7") + op(SPLIT, 0, 1) + b",\x00"
    + op(ASSIGN, 0) + text("-,-") + op(LIST, 0) + b",\n"
    + op(ASSIGN, 0) + text("video_id=101") + op(SPLIT, 0, 0) + b"=\x00" + op(LIST, 1) + b"=,",
    "self_aliasing": op(ASSIGN, 0) + text("ab") + op(APPEND, 0, 0) + op(APPEND, 0, 0)
    + op(COPY, 0, 0) + op(SPLIT, 0, 0) + b"b\x01" + op(PLUS, 0, 0) + text("x"),
    "compare": op(ASSIGN, 0) + text("Sources") + op(EQ_TEXT, 0) + text("Sources")
    + op(EQ_TEXT, 0) + text("sources") + op(ASSIGN, 1) + text("Dest_")
    + op(ASSIGN, 2) + text("Dest_2") + op(STARTS_WITH, 2, 1) + op(STARTS_WITH, 1, 2)
    + op(ASSIGN, 0) + text("\x01") + op(APPEND_TEXT, 0) + text("after null"),
}
write("zeth_string_fuzzer", strings)

# --- panel: header, then messages ---

EXTREMES = [0, 1, -1, 2, 3, 4, 5, 10, 12, 101, 201, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1,
            1000]


def num(value):
    return bytes([EXTREMES.index(value)]) if value in EXTREMES else big(value)


NULL_REPLY = b"\x00"
EMPTY_REPLY = b"\x05"


def device_reply(number):
    return b"\x01" + num(number)


def property_reply(number):
    return b"\x01" + num(number)


def entry_reply(video, audio):
    return b"\x01" + num(video) + num(audio)


def text_reply(value):
    return b"\x02" + text(value)


def header(flags=0, path="", devices=(1000, 15, 20, 21), video=(101, 102, 103, 104),
           audio=(201, 202, 203, 204), entry=entry_reply(12, 7), other=NULL_REPLY):
    data = bytes([flags]) + text(path)
    data += b"".join(device_reply(d) for d in devices)
    for v, a in zip(video, audio):
        data += property_reply(v) + property_reply(a)
    return data + entry + other


CONTROLS = ["Sources", "Dest_1", "Dest_2", "Dest_3", "Dest_4", "Dest_0", "Dest_5", "Dest_-1",
            "Dest_", "Dest_x", "Dest_2147483648", "Dest_-2147483649", "videolevel", "audiolevel",
            "Clear", "Take", "Undo", "take", "Sources ", "Dest_3Dest_9", "1", "", None, None]


def event(control, parameter=b"\x03" + text(""), panel=b"\x00"):
    """control: a name from CONTROLS or bytes for a free control text."""
    if isinstance(control, bytes):
        form, control_text = 24, text(control)
    else:
        form, control_text = CONTROLS.index(control), b""
    panel_form, panel_text = panel[:1], panel[1:]
    return (b"\x01" + panel_form + bytes([form]) + parameter[:1] + panel_text + control_text
            + parameter[1:] + int32(0) + int32(0))


def index(value):
    return b"\x00" + num(value)


def package(value):
    return event("Sources", index(value))


def revertive(router, button, source):
    """A revertive from the video (0) or audio (1) router for the button's own destination."""
    return b"\x00" + bytes([router, (button - 1) + 4 * router]) + int32(0) + num(source)


def revertive_from(device, destination, source):
    """A revertive with any device and destination number."""
    return b"\x00" + bytes([2, 8]) + num(device) + num(destination) + int32(0) + num(source)


def tick(timer=1):
    return b"\x03\x00" if timer == 1 else b"\x03\xa0" + num(timer)


def query(form_index):  # index into the target's fixed properties
    return b"\x02" + bytes([2 + 3 * form_index])


panel = {
    "take_and_undo": header() + revertive(0, 3, 4) + revertive(1, 3, 5) + package(5)
    + event("Dest_3") + tick() + tick() + event("Take") + revertive(0, 3, 12)
    + event("Undo") + event("Undo"),
    "flash_runs_out": header() + package(2) + event("Dest_1") + tick() * 12 + tick(2) + tick(0)
    + package(3) + event("Dest_1") + event("Dest_1"),
    "levels_and_clear": header() + event("videolevel") + event("audiolevel") + package(3)
    + event("Dest_2") + event("Take") + event("videolevel") + package(4) + event("Dest_4")
    + event("Clear") + event("Clear") + event("audiolevel") + event("videolevel"),
    "hostile_events": header() + event("Dest_3", panel=b"\x04") + event("Take", panel=b"\x03")
    + event(None) + event("Dest_0") + event("Dest_5") + event("Dest_-1")
    + event("Dest_2147483648") + event("Dest_-2147483649") + event("Dest_x")
    + event("Sources", b"\x01" + num(3)) + event("Sources", b"\x04" + text("index=3"))
    + event("Sources", b"\x05" + text("index=3")) + event("Sources", index(-1))
    + event("Sources", b"\x02" + text("abc")) + event(b"Dest_\xff\x01", panel=b"\x05" + text("01"))
    + event("Take") + event("Undo"),
    "queries_and_codes": header() + b"".join(query(i) for i in range(8)) + b"\x02\x00"
    + b"\x02\x01" + text("a.b.c=d") + b"\x04\x00" + b"\x04\x01" + b"\x04\x02" + int32(0x1234)
    + b"\x05" + int32(-1) + b"\x06" + num(INT_MIN) + b"\x07" + num(0) + int32(0)
    + b"\x07" + num(-1) + int32(5) + b"\x07" + num(1000) + int32(0),
    "silent_host": header(devices=(0, 0, 0, 0), video=(0,) * 4, audio=(0,) * 4)[:2]
    + NULL_REPLY * 14 + package(1) + event("Dest_1") + event("Take") + event("Undo")
    + revertive(0, 1, 7) + revertive(1, 1, 8),
    "odd_replies": bytes([0]) + text("D:/layouts") + b"\x04" + text("12") + b"\x03" + num(15)
    + num(16) + text_reply("20 x") + EMPTY_REPLY + b"\x03" + num(101) + b"\x04" + text("")
    + text_reply("video_id") + text_reply("audio_id=7=8") + property_reply(101)
    + property_reply(101) + property_reply(INT_MAX) + property_reply(-5) + NULL_REPLY
    + EMPTY_REPLY + b"\x09" + text_reply("some reply") + package(1) + event("Dest_1")
    + event("Take") + b"\x08\x04" + num(12) + package(2) + event("Dest_2") + event("Take")
    + b"\x08" + text_reply("99999999999,-5") + package(3) + event("Dest_3") + event("Take")
    + b"\x08" + EMPTY_REPLY + package(4) + event("Dest_4") + event("Take") + event("Undo"),
    "null_host": header(flags=3) + package(2) + event("Dest_2") + tick() + event("Take")
    + event("Undo") + query(0),
    "extreme_numbers": header(devices=(INT_MIN, INT_MAX, INT_MIN, INT_MIN),
                              video=(INT_MAX, INT_MIN, -1, 0), audio=(INT_MIN, INT_MAX, 0, -1),
                              entry=entry_reply(INT_MAX, INT_MAX))
    + revertive_from(INT_MIN, INT_MAX, INT_MIN) + revertive(0, 1, INT_MAX)
    + revertive(1, 2, INT_MIN) + package(INT_MAX) + event("Dest_1") + event("Take")
    + event("Undo") + tick(INT_MIN) + tick(INT_MAX) + tick(-1),
}
write("panel_notify_fuzzer", panel)
