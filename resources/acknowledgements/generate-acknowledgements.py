#!/usr/bin/env python3
"""Writes acknowledgements.json from the copyright files of the Debian packages Oculo links and ships
data of, and from the licence texts under /usr/share/common-licenses they point to.

Run it on a machine with those packages installed (scripts/bootstrap installs them) whenever the list of
libraries changes:  python3 resources/acknowledgements/generate-acknowledgements.py
"""
import json
import pathlib
import sys

DOC = pathlib.Path("/usr/share/doc")
LICENSES = pathlib.Path("/usr/share/common-licenses")
OUTPUT = pathlib.Path(__file__).with_name("acknowledgements.json")


def copyright_file(package):
    return (DOC / package / "copyright").read_text(encoding="utf-8")


def paragraphs(text):
    """The paragraphs of a machine-readable copyright file, each a dict of field name to value lines."""
    result = []
    for block in text.split("\n\n"):
        fields, name = {}, None
        for line in block.splitlines():
            if line.startswith((" ", "\t")) and name:
                fields[name].append("" if line.strip() == "." else line.strip())
            elif ":" in line and not line.startswith("#"):
                name, value = line.split(":", 1)
                name = name.strip()
                fields[name] = [value.strip()] if value.strip() else []
        if fields:
            result.append(fields)
    return result


def copyright_holders(package, files="*"):
    for fields in paragraphs(copyright_file(package)):
        listed = " ".join(fields.get("Files", []) + fields.get("File", [])).split()
        if files in listed:
            lines = [line for line in fields.get("Copyright", []) if line]
            return "\n".join(line if line.startswith("Copyright") else "Copyright " + line for line in lines)
    sys.exit(f"{package}: no copyright paragraph for {files}")


def from_marker(package, marker):
    text = copyright_file(package)
    start = text.find(marker)
    if start < 0:
        sys.exit(f"{package}: {marker!r} not found")
    return text[start:].strip()


def licence(name):
    return (LICENSES / name).read_text(encoding="utf-8").strip()


def record(name, kind, *parts):
    return {"name": name, "type": kind, "text": "\n\n".join(parts) + "\n"}


RECORDS = [
    record("Qt", "LGPL-3", copyright_holders("libqt6core6"), licence("LGPL-3"), licence("GPL-3")),
    record("Tesseract", "Apache-2.0", copyright_holders("libtesseract5"), licence("Apache-2.0")),
    record("Tesseract trained data", "Apache-2.0", copyright_holders("tesseract-ocr-eng"), licence("Apache-2.0")),
    record("Leptonica", "BSD-2-Clause", from_marker("liblept5", "/*====")),
    record("Poppler", "GPL-2", copyright_holders("libpoppler-qt6-3"), licence("GPL-2")),
    record("libcanberra", "LGPL-2.1+", copyright_holders("libcanberra0"), licence("LGPL-2.1")),
    record("CLD2", "Apache-2.0", copyright_holders("libcld2-0"), licence("Apache-2.0")),
    record("xcb", "MIT", from_marker("libxcb1", "Copyright (C) 2001-2006")),
    record("xkbcommon", "MIT", from_marker("libxkbcommon0", "Copyright 1985")),
    record("speech-dispatcher", "LGPL-2.1+", copyright_holders("libspeechd2", "src/api/c/libspeechd.c"),
           licence("LGPL-2.1")),
]

OUTPUT.write_text(json.dumps(RECORDS, ensure_ascii=False, indent=2) + "\n", encoding="utf-8")
