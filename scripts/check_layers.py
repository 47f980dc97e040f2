#!/usr/bin/env python3
"""Checks the include direction of the libraries and keeps Qt out of the core.

    check_layers.py SOURCE_ROOT     checks the tree; prints file:line for each fault, exit 1
    check_layers.py --self-test     checks a small made-up tree with known faults

Every folder of platform/, acquisition/, sim/ and viewer/ belongs to one layer (the longest
folder prefix in LAYERS). A project include ("platform/...", "acquisition/...", ...) must name a
file of the same layer or of a layer in ALLOWED for it. Files in a ui/ folder hold the windows:
they sit above the whole core of their program and are the only files that may include Qt; no
core file includes a ui/ folder. tests/ and bench/ are not checked.
"""

import os
import re
import sys
import tempfile

# Folder prefix -> layer. The longest matching prefix wins.
LAYERS = {
    "platform": "platform",
    "acquisition/wire": "wire",
    "acquisition/app": "app",
    "acquisition/settings": "settings",
    "acquisition/stream": "stream",
    "acquisition/logfiles": "logfiles",
    "acquisition/export": "export",
    "acquisition/survey": "survey",
    "acquisition/link": "link",
    "acquisition/engine": "engine",
    "acquisition/displays": "displays",
    "acquisition/cli": "cli",
    "sim": "sim",
    "viewer": "viewer",
}

# The data path, bottom first: each layer may include the layers before it.
ORDER = ["platform", "wire", "app", "settings", "stream", "logfiles", "export", "survey", "link", "engine", "displays", "cli"]
ALLOWED = {layer: set(ORDER[:i]) for i, layer in enumerate(ORDER)}
# The simulated logger is the other end of the wire: it shares the frame layout, the row shape
# and the compression tables, never the program's decoders or link.
ALLOWED["sim"] = {"platform", "wire"}
# The viewer reads picture files; it shares nothing with the acquisition program.
ALLOWED["viewer"] = {"platform"}
# Windows: above every core layer of their program except the command-line program.
UI_ALLOWED = {
    "acquisition": set(ORDER) - {"cli"},
    "viewer": {"platform", "viewer"},
}

CHECKED_ROOTS = ("platform", "acquisition", "sim", "viewer")
PROJECT_ROOTS = CHECKED_ROOTS + ("tests", "bench")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^(Q[A-Za-z0-9_]*|Qt[A-Za-z0-9_]*/.*|q[a-z0-9_]+\.h)$")


def layer_of(folder):
    best = None
    for prefix, layer in LAYERS.items():
        if folder == prefix or folder.startswith(prefix + "/"):
            if best is None or len(prefix) > len(best[0]):
                best = (prefix, layer)
    return best[1] if best else None


def is_ui(folder):
    return "ui" in folder.split("/")


def program_of(folder):
    return folder.split("/")[0]


def check_include(folder, target):
    """The fault of an include of target (a project path) from a file in folder, or None."""
    target_folder = os.path.dirname(target)
    own, other = layer_of(folder), layer_of(target_folder)
    if other is None:
        return f'includes "{target}", which is outside the libraries'
    if is_ui(target_folder) and not is_ui(folder):
        return f'includes the window code "{target}" from the core'
    if other == own:
        return None
    allowed = UI_ALLOWED.get(program_of(folder), set()) if is_ui(folder) else ALLOWED[own]
    if other not in allowed:
        return f'{own} includes "{target}" of {other}, which is not below it'
    return None


def check_file(root, path):
    rel = os.path.relpath(path, root).replace(os.sep, "/")
    folder = os.path.dirname(rel)
    faults = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = m.group(2).strip()
            if m.group(1) == "<" and QT_HEADER.match(target):
                if not is_ui(folder):
                    faults.append(f"{rel}:{number}: Qt header <{target}> outside a ui/ folder")
                continue
            if target.split("/")[0] not in PROJECT_ROOTS:
                continue  # a system header, or a file next to this one
            fault = check_include(folder, target)
            if fault:
                faults.append(f"{rel}:{number}: {fault}")
    return faults


def check_tree(root):
    faults = []
    checked = 0
    for top in CHECKED_ROOTS:
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if name.endswith((".h", ".hpp", ".cpp", ".cc")):
                    checked += 1
                    faults += check_file(root, os.path.join(folder, name))
    return checked, faults


def self_test():
    tree = {
        "platform/Format.h": "#include <string>\n",
        "acquisition/wire/FrameLayout.h": '#include "platform/Format.h"\n',
        "acquisition/stream/Decoder.cpp": '#include "acquisition/wire/FrameLayout.h"\n'
        '#include "acquisition/link/USB.h"\n',  # upward: fault
        "acquisition/link/USB.h": '#include "acquisition/stream/Decoder.h"\n'
        "#include <QObject>\n",  # Qt in the core: fault
        "acquisition/app/ui/MainWindow.cpp": '#include "acquisition/engine/Engine.h"\n'
        "#include <QtWidgets/QDialog>\n",
        "acquisition/engine/Engine.h": '#include "acquisition/app/ui/MainWindow.h"\n',  # fault
        "sim/Sonde.cpp": '#  include "acquisition/wire/FrameLayout.h"\n'
        '#include "acquisition/stream/Decoder.h"\n',  # the decoders: fault
        "viewer/Document.cpp": '#include "tests/support/TestSupport.h"\n',  # fault
    }
    expected = {
        "acquisition/stream/Decoder.cpp:2",
        "acquisition/link/USB.h:2",
        "acquisition/engine/Engine.h:1",
        "sim/Sonde.cpp:2",
        "viewer/Document.cpp:1",
    }
    with tempfile.TemporaryDirectory() as root:
        for rel, text in tree.items():
            path = os.path.join(root, rel)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
        checked, faults = check_tree(root)
    found = {":".join(f.split(":")[:2]) for f in faults}
    if checked != len(tree) or found != expected:
        print(f"self-test failed: checked {checked} of {len(tree)} files")
        print("expected:", sorted(expected))
        print("found:   ", "\n          ".join(faults))
        return 1
    print(f"self-test passed: {len(faults)} faults found in {checked} files, as expected")
    return 0


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) != 2:
        print(__doc__.strip())
        return 2
    checked, faults = check_tree(argv[1])
    if checked == 0:
        print(f"no sources found under {argv[1]}")
        return 1
    for fault in faults:
        print(fault)
    if faults:
        print(f"{len(faults)} include fault(s) in {checked} files")
        return 1
    print(f"{checked} files checked, includes follow the layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
