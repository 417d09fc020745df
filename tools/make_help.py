#!/usr/bin/env python3
"""Builds KADENZO.CHM from the UTF-8 help sources.

  make_help.py CHMCMD SOURCE_DIR WORK_DIR OUT.CHM

The HTML Help viewer of a Japanese system reads the project, contents and index in code
page 932, so every text file is written to WORK_DIR in that code page (the pages' charset
line follows) before chmcmd compiles the project there.
"""
import shutil
import subprocess
import sys
from pathlib import Path

TEXT_SUFFIXES = {".html", ".hhc", ".hhk", ".hhp", ".css"}


def stage(source_dir, work_dir):
    if work_dir.exists():
        shutil.rmtree(work_dir)
    work_dir.mkdir(parents=True)
    for source in sorted(source_dir.iterdir()):
        if source.suffix not in TEXT_SUFFIXES:
            continue
        text = source.read_text(encoding="utf-8").replace("charset=UTF-8", "charset=Shift_JIS")
        # CR LF, as the help tools of the platform expect.
        (work_dir / source.name).write_bytes(text.replace("\n", "\r\n").encode("cp932"))


def main(argv):
    if len(argv) != 5:
        sys.exit(__doc__)
    chmcmd, source_dir, work_dir, out = argv[1], Path(argv[2]), Path(argv[3]), Path(argv[4])
    stage(source_dir, work_dir)
    built = work_dir / "KADENZO.CHM"
    result = subprocess.run([chmcmd, "--verbosity", "1", "kadenzo.hhp"], cwd=work_dir,
                            capture_output=True, text=True, errors="replace")
    if result.returncode != 0 or not built.exists():
        sys.exit(f"chmcmd failed ({result.returncode}):\n{result.stdout}{result.stderr}")
    out.parent.mkdir(parents=True, exist_ok=True)
    shutil.copyfile(built, out)


if __name__ == "__main__":
    main(sys.argv)
