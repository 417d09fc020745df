#!/usr/bin/env python3
"""Puts the built program and its files into the zip a user downloads.

  make_package.py BIN_DIR README OUT.zip

BIN_DIR holds the built files (build/windows/bin), the help pages in its help/ folder. README is UTF-8 text; the zip holds it as
Readme.txt in code page 932 with CR LF line ends, like every text the program reads. The files
sit in one folder, Kadenzo-1.8/, inside the zip. A missing file stops the packaging with its name.
"""
import os
import sys
import zipfile

FOLDER = "Kadenzo-1.8"
FILES = ["Kadenzo.exe", "Lfon.dll", "Lyrafon.dll", "rfk32.dll", "Instrmnt.txt", "KADENZO.CHM", "VederAze.avi",
         "VederAze150.avi", "VederAze200.avi", "help/index.html"]
# The help pages as HTML, for the desktop's browser where the help file's viewer cannot show them:
# every file of the folder goes in, the index above must be there.
HELP_FOLDER = "help"
README_NAME = "Readme.txt"
# A fixed time stamp: packaging the same build twice gives the same zip.
STAMP = (2026, 1, 1, 0, 0, 0)


def readme_bytes(path):
    with open(path, encoding="utf-8") as f:
        text = f.read()
    lines = text.replace("\r\n", "\n").split("\n")
    return "\r\n".join(lines).encode("cp932")


def add(archive, name, data):
    info = zipfile.ZipInfo(f"{FOLDER}/{name}", STAMP)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.external_attr = 0o644 << 16
    archive.writestr(info, data)


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    bin_dir, readme, out = argv[1:]
    missing = [name for name in FILES if not os.path.isfile(os.path.join(bin_dir, name))]
    if missing:
        for name in missing:
            print(f"package: {name} is missing from {bin_dir}", file=sys.stderr)
        return 1
    pages = sorted(f"{HELP_FOLDER}/{page}" for page in os.listdir(os.path.join(bin_dir, HELP_FOLDER)))
    temporary = out + ".part"
    with zipfile.ZipFile(temporary, "w") as archive:
        for name in FILES + [page for page in pages if page not in FILES]:
            with open(os.path.join(bin_dir, name), "rb") as f:
                add(archive, name, f.read())
        add(archive, README_NAME, readme_bytes(readme))
    os.replace(temporary, out)
    print(f"package: {out}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
