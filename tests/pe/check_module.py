#!/usr/bin/env python3
"""Static check of a built AmbrelTags.dll, for the width that cannot run here.

Reads the export, import and resource tables with llvm-readobj and proves:
the seven undecorated exports and nothing else; imports from Windows system
libraries only; the resource table (types, ids, languages, sizes); the plugin
resource's exact bytes; the icon group and its images; the manifest; the
version block's fixed part, translation and string table.

usage: check_module.py --readobj LLVM_READOBJ --module DLL --format COFF-i386
                       --plugin-resource resources/opus_plugin.xml
"""

import argparse
import re
import struct
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

EXPORTS = {"DVP_Init", "DVP_InitEx", "DVP_Uninit", "DVP_USBSafe", "DVP_IdentifyW",
           "DVP_IdentifyFileW", "DVP_GetFileInfoFileW"}

# Libraries every Windows installation has; a mingw runtime DLL is a failure.
SYSTEM_LIBRARIES = {"kernel32.dll", "msvcrt.dll", "ole32.dll", "oleaut32.dll", "user32.dll",
                    "version.dll", "advapi32.dll"}

UK, US = 0x0809, 0x0409
RT_ICON, RT_VERSION, RT_GROUP_ICON, RT_MANIFEST = 3, 16, 14, 24

PLUGIN_RESOURCE = (b'<?xml version="1.0" encoding="UTF-8"?>\r\n'
                   b'<opus_plugin name="Ambrel Tags">\r\n'
                   b'\t<usb_safe safe="yes" />\r\n'
                   b'</opus_plugin>\r\n')

VERSION_STRINGS = [
    ("Comments", "Ambrel Tags plugin for Directory Opus (https://www.gpsoft.com.au)"),
    ("CompanyName", "https://ambreltags.example"),
    ("FileDescription", "Ambrel Tags plugin"),
    ("FileVersion", "1, 0, 0, 3"),
    ("InternalName", "Ambrel Tags"),
    ("LegalCopyright", "Copyright (C) 2026 Ambrel Tags"),
    ("LegalTrademarks",
     "Directory Opus, Opus, DOpus, DirOpus, OpusPC, PCOpus are trademarks of GP Software."),
    ("OriginalFilename", "AmbrelTags.dll"),
    ("ProductName", "AmbrelTags Dynamic Link Library"),
    ("ProductVersion", "9, 5, 6, 0"),
]

FIXED_FILE_INFO = {
    "signature": 0xFEEF04BD, "file_version_ms": 0x00010000, "file_version_ls": 0x00000003,
    "product_version_ms": 0x00090005, "product_version_ls": 0x00060000, "flags_mask": 0x17,
    "flags": 0, "os": 4, "type": 2, "subtype": 0, "date_ms": 0, "date_ls": 0,
}

# (bits per pixel, colour count in the group entry, image id), in group order.
ICON_ENTRIES = [(4, 16, 1), (8, 0, 2), (32, 0, 3)]


class Check:
    def __init__(self):
        self.failures = []

    def expect(self, condition, message):
        if not condition:
            self.failures.append(message)
        return condition


def readobj(tool, flag, module):
    result = subprocess.run([tool, flag, module], capture_output=True, text=True)
    if result.returncode != 0:
        sys.exit(f"error: {tool} {flag} {module} failed: {result.stderr.strip()}")
    return result.stdout


def parse_id(text):
    """'ICON (ID 3)' or '(ID 3)' -> 3; 'OPUS' -> 'OPUS'."""
    match = re.search(r"\(ID (\d+)\)", text)
    return int(match.group(1)) if match else text.strip()


def parse_resources(text):
    """{(type, name, language): bytes} from llvm-readobj --coff-resources."""
    resources = {}
    kind = name = language = None
    data = None
    for line in text.splitlines():
        stripped = line.strip()
        if match := re.match(r"Type: (.*) \[$", stripped):
            kind = parse_id(match.group(1))
        elif match := re.match(r"Name: (.*) \[$", stripped):
            name = parse_id(match.group(1))
        elif match := re.match(r"Language: (.*) \[$", stripped):
            language = parse_id(match.group(1))
        elif stripped == "Data (":
            data = bytearray()
        elif data is not None and (match := re.match(r"[0-9A-F]{4,}: ([0-9A-F ]+?)\s*\|", stripped)):
            data += bytes.fromhex(match.group(1).replace(" ", ""))
        elif data is not None and stripped == ")":
            resources[(kind, name, language)] = bytes(data)
            data = None
    return resources


def version_node(block, offset):
    length, value_length, kind = struct.unpack_from("<HHH", block, offset)
    end_of_key = offset + 6
    while block[end_of_key:end_of_key + 2] != b"\0\0":
        end_of_key += 2
    key = block[offset + 6:end_of_key].decode("utf-16-le")
    position = (end_of_key + 2 + 3) & ~3
    value_bytes = value_length * 2 if kind == 1 else value_length
    value = block[position:position + value_bytes]
    position = (position + value_bytes + 3) & ~3
    children = []
    while position < offset + length:
        child = version_node(block, position)
        children.append(child)
        position = (position + child["length"] + 3) & ~3
    return {"length": length, "key": key, "type": kind, "value": value, "children": children}


def text_value(node):
    return node["value"].decode("utf-16-le").split("\0")[0]


def check_version_block(check, block):
    root = version_node(block, 0)
    check.expect(root["key"] == "VS_VERSION_INFO", f"version block key {root['key']!r}")
    if check.expect(len(root["value"]) == 52, "fixed part is not 52 bytes"):
        names = ["signature", "structure", "file_version_ms", "file_version_ls",
                 "product_version_ms", "product_version_ls", "flags_mask", "flags", "os", "type",
                 "subtype", "date_ms", "date_ls"]
        fixed = dict(zip(names, struct.unpack("<13I", root["value"])))
        for field, expected in FIXED_FILE_INFO.items():
            check.expect(fixed[field] == expected,
                         f"fixed part {field}: {fixed[field]:#x}, expected {expected:#x}")
    blocks = {child["key"]: child for child in root["children"]}
    check.expect(sorted(blocks) == ["StringFileInfo", "VarFileInfo"],
                 f"version block children {sorted(blocks)}")
    if "StringFileInfo" in blocks:
        tables = blocks["StringFileInfo"]["children"]
        check.expect([t["key"] for t in tables] == ["080904b0"],
                     f"string tables {[t['key'] for t in tables]}")
        if tables:
            strings = [(s["key"], text_value(s)) for s in tables[0]["children"]]
            check.expect(strings == VERSION_STRINGS,
                         f"string table, keys and values in order:\n  {strings}\n"
                         f"expected\n  {VERSION_STRINGS}")
    if "VarFileInfo" in blocks:
        variables = {v["key"]: v["value"] for v in blocks["VarFileInfo"]["children"]}
        translation = variables.get("Translation", b"")
        pairs = [struct.unpack_from("<HH", translation, i) for i in range(0, len(translation) // 4 * 4, 4)]
        check.expect(pairs == [(UK, 1200)], f"translation pairs {pairs}")


def icon_image_size(bits):
    colours = 1 << bits if bits <= 8 else 0
    row = (16 * bits + 31) // 32 * 4
    return 40 + 4 * colours + row * 16 + 4 * 16


def check_icons(check, resources):
    group = resources.get((RT_GROUP_ICON, 101, UK), b"")
    if not check.expect(len(group) == 6 + 14 * 3, f"icon group 101 is {len(group)} bytes"):
        return
    reserved, kind, count = struct.unpack_from("<HHH", group, 0)
    check.expect((reserved, kind, count) == (0, 1, 3), f"icon group header {(reserved, kind, count)}")
    for index, (bits, colour_count, image_id) in enumerate(ICON_ENTRIES):
        width, height, colours, _, planes, bit_count, size, entry_id = struct.unpack_from(
            "<BBBBHHIH", group, 6 + 14 * index)
        check.expect((width, height, colours, planes, bit_count, entry_id) ==
                     (16, 16, colour_count, 1, bits, image_id),
                     f"icon group entry {index + 1}: {(width, height, colours, planes, bit_count, entry_id)}")
        image = resources.get((RT_ICON, image_id, UK))
        if not check.expect(image is not None, f"icon image {image_id} missing"):
            continue
        check.expect(len(image) == size == icon_image_size(bits),
                     f"icon image {image_id}: {len(image)} bytes, group says {size}, "
                     f"a {bits}-bit image is {icon_image_size(bits)}")
        header = struct.unpack_from("<IiiHH", image, 0)
        check.expect(header == (40, 16, 32, 1, bits), f"icon image {image_id} header {header}")


def check_manifest(check, manifest):
    check.expect(not manifest.startswith(b"\xef\xbb\xbf"), "manifest has a byte-order mark")
    check.expect(not manifest.lstrip().startswith(b"<?xml"), "manifest has an XML declaration")
    check.expect(manifest.endswith(b"\r\n") and b"\n" not in manifest.replace(b"\r\n", b""),
                 "manifest lines do not all end in CR LF")
    v1, v3 = "{urn:schemas-microsoft-com:asm.v1}", "{urn:schemas-microsoft-com:asm.v3}"
    try:
        root = ElementTree.fromstring(manifest.decode("utf-8"))
    except (UnicodeDecodeError, ElementTree.ParseError) as error:
        check.expect(False, f"manifest is not UTF-8 XML: {error}")
        return
    check.expect(root.tag == v1 + "assembly" and root.get("manifestVersion") == "1.0",
                 f"manifest root {root.tag} {root.attrib}")
    path = [v3 + "trustInfo", v3 + "security", v3 + "requestedPrivileges",
            v3 + "requestedExecutionLevel"]
    node = root
    for tag in path:
        children = list(node)
        if not check.expect([c.tag for c in children] == [tag],
                            f"manifest: under {node.tag} expected only {tag}, found {[c.tag for c in children]}"):
            return
        node = children[0]
    check.expect(node.attrib == {"level": "asInvoker", "uiAccess": "false"},
                 f"execution level {node.attrib}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--readobj", required=True)
    parser.add_argument("--module", required=True)
    parser.add_argument("--format", required=True, help="COFF-i386 or COFF-x86-64")
    parser.add_argument("--plugin-resource", required=True, help="the committed plugin resource file")
    arguments = parser.parse_args()
    check = Check()

    exports_text = readobj(arguments.readobj, "--coff-exports", arguments.module)
    format_match = re.search(r"^Format: (\S+)", exports_text, re.MULTILINE)
    check.expect(format_match and format_match.group(1) == arguments.format,
                 f"format {format_match.group(1) if format_match else None}, expected {arguments.format}")
    exports = re.findall(r"^\s+Name: (\S+)$", exports_text, re.MULTILINE)
    check.expect(sorted(exports) == sorted(EXPORTS), f"exports {sorted(exports)}")

    imports_text = readobj(arguments.readobj, "--coff-imports", arguments.module)
    libraries = re.findall(r"^\s+Name: (\S+)$", imports_text, re.MULTILINE)
    check.expect(libraries, "no imports found")
    for library in libraries:
        check.expect(library.lower() in SYSTEM_LIBRARIES, f"imports from {library}")

    resources = parse_resources(readobj(arguments.readobj, "--coff-resources", arguments.module))
    table = {(kind, name, language) for kind, name, language in resources}
    expected_table = {(RT_VERSION, 1, UK), ("OPUS", 1, UK), (RT_GROUP_ICON, 101, UK),
                      (RT_ICON, 1, UK), (RT_ICON, 2, UK), (RT_ICON, 3, UK), (RT_MANIFEST, 2, US)}
    check.expect(table == expected_table,
                 f"resource table {sorted(map(str, table))}, expected {sorted(map(str, expected_table))}")

    plugin = resources.get(("OPUS", 1, UK), b"")
    with open(arguments.plugin_resource, "rb") as committed:
        check.expect(committed.read() == PLUGIN_RESOURCE, f"{arguments.plugin_resource} differs")
    check.expect(plugin == PLUGIN_RESOURCE and len(plugin) == 116,
                 f"plugin resource ({len(plugin)} bytes): {plugin!r}")

    check_icons(check, resources)
    check_manifest(check, resources.get((RT_MANIFEST, 2, US), b""))
    if check.expect((RT_VERSION, 1, UK) in resources, "version block missing"):
        check_version_block(check, resources[(RT_VERSION, 1, UK)])

    for failure in check.failures:
        print(f"FAIL: {failure}")
    if check.failures:
        return 1
    print(f"{arguments.module}: {len(exports)} exports, imports {', '.join(libraries)}, "
          f"{len(resources)} resources as expected")
    return 0


if __name__ == "__main__":
    sys.exit(main())
