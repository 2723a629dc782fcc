#!/usr/bin/env python3
"""Writes the small seed corpus of each fuzz target into fuzz/corpus/<target>/.

Each seed follows the input layout described at the top of its target's
source. Run it again after changing a layout; the files are committed.
"""
import pathlib
import struct

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"

TYPICAL = (
    "Artist: The Quiet Hours\r\n"
    "Title: Northern Lights (Live)\r\n"
    "Album: Songs for the Long Evening\r\n"
    "Track: 3/12\r\n"
    "Year: 2004\r\n"
    "Genre: Ambient\r\n"
    "Comment: recorded live: Oslo, 2003\r\n"
    "Encoder: LAME 3.100\r\n"
    "Encoder Settings: -V 2 --vbr-new\r\n"
    "Bit Rate: 320 kbps\r\n"
    "Sample Rate: 44.1 kHz\r\n"
    "Length: 4 minutes 25 seconds\r\n"
    "Channels: 2\r\n"
    "Tempo: 120\r\n"
    "Protected: No\r\n"
    "Composer: A. Person\r\n"
    "Disc: 1/2\r\n"
    "Codec: MPEG Layer 3\r\n"
    "Copyright: (c) 2004\r\n"
    "Publisher: Small Label\r\n"
)


def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


def tag_text_seed(text, size=168, kind=0, flags=0, capacities=(64,) * 7):
    return struct.pack("<BBI7B", size, kind, flags, *capacities) + utf16(text)


def tokenizer_seed(text, delimiters, stops="", skip_empty=True, quotes=False, doubled=False,
                   no_buffer=False, null_stops=False, capacity=256):
    switches = skip_empty | quotes << 1 | doubled << 2 | no_buffer << 3 | null_stops << 4
    header = struct.pack("<BHBB", switches, capacity, len(delimiters), len(stops))
    return header + utf16(delimiters) + utf16(stops) + utf16(text)


def measured_seed(parser, value):
    return bytes([parser]) + utf16(value)


TAG_TEXT = {
    "typical": tag_text_seed(TYPICAL),
    "typical_32bit_record": tag_text_seed(TYPICAL, size=108),
    "tempo_record_size_less_1": tag_text_seed("Tempo: 120\nArtist: A", size=167),
    "tempo_record_size_less_4": tag_text_seed("Tempo: 120\nArtist: A", size=164),
    "minimum_record": tag_text_seed("Tempo: 120\nArtist: A\nProtected: yes", size=152),
    "record_size_zero": tag_text_seed("Tempo: 120\nArtist: A", size=0),
    "larger_record": tag_text_seed(TYPICAL, size=240, flags=0xFFFFFFF7),
    "not_music": tag_text_seed(TYPICAL, kind=0xF2),
    "tight_capacities": tag_text_seed(TYPICAL, capacities=(0, 1, 2, 3, 0xFF, 5, 8)),
    "lone_surrogates": tag_text_seed("Title: a\ud800\nArtist: \udc00b\nAlbum: \ud83c\udfb5\uffff",
                                     capacities=(2, 3, 2, 2, 2, 2, 2)),
    "embedded_zero": tag_text_seed("Artist: before\0Title: after"),
    "colons_and_blanks": tag_text_seed("::::\n\n\r\r: value\nkey:\n Comment : a: b :c \n"),
    "protected_and_units": tag_text_seed(
        "PROTECTED: nO\nprotected: Yes\nBIT RATE: 1,411 kbps\nSAMPLE RATE: 5000000000 Hz\n"
        "LENGTH: 50000 days\nTRACK: 99999999999\nYEAR: -2147483649"),
}

TOKENIZER = {
    "lines": tokenizer_seed(TYPICAL, "\n\r"),
    "words": tokenizer_seed("  320   kbps\tstereo \u00a0x ", " "),
    "keep_empty": tokenizer_seed(",a,, b ,\t,", ",", skip_empty=False),
    "quotes": tokenizer_seed('"a, b" tail, "x""y", "open', ",", quotes=True),
    "doubled_quotes": tokenizer_seed('"a""b", "", c', ",", quotes=True, doubled=True, skip_empty=False),
    "stop_chars": tokenizer_seed("a b;c d", " ", stops=";"),
    "white_stop": tokenizer_seed("a \tb\tc", " ", stops="\t"),
    "cut_tokens": tokenizer_seed("abc  def ghij ", " ", capacity=3),
    "capacity_zero": tokenizer_seed("abc def", " ", capacity=0),
    "no_buffer": tokenizer_seed("abc def", " ", no_buffer=True, null_stops=True),
    "surrogates": tokenizer_seed("\ud800 \udc00\u2028x\u3000y", " \u2028"),
}

MEASURED = {}
for i, value in enumerate(["320 kbps", "1,411 kbps", "1411000", "5000 Mbps", "VBR 320 kbps", "128kbps"]):
    MEASURED[f"bit_rate_{i}"] = measured_seed(0, value)
for i, value in enumerate(["44.1 kHz", "44,100 Hz", "8.0009 kHz", "5000000000 Hz", "1e400 Hz", "-nan kHz",
                           "0x1p4 Hz", "44100"]):
    MEASURED[f"sample_rate_{i}"] = measured_seed(1, value)
for i, value in enumerate(["1 hour 2 minutes 3 seconds", "4 min 5 sec", "50000 days", "3 minutes 25",
                           "-5 seconds 99999999999 days"]):
    MEASURED[f"length_{i}"] = measured_seed(2, value)


def write(target, seeds):
    folder = ROOT / target
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    write("tag_text", TAG_TEXT)
    write("tokenizer", TOKENIZER)
    write("measured_values", MEASURED)
