#!/usr/bin/env python3
"""Lists and reads back the built help file with chmls and checks that every page is inside.

  check_help.py CHMLS KADENZO.CHM HELP_SOURCE_DIR
"""
import re
import struct
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHMLS = CHM = SOURCES = None
JAPANESE_LCID = 0x0411


def project_files():
    """The [FILES] section of the help project."""
    text = (Path(SOURCES) / "kadenzo.hhp").read_text(encoding="utf-8")
    section = text.split("[FILES]", 1)[1]
    return [line.strip() for line in section.splitlines() if line.strip() and not line.startswith("[")]


def listed_names():
    result = subprocess.run([CHMLS, "-n", "-p", "list", CHM], capture_output=True, check=True)
    names = result.stdout.decode("latin-1").splitlines()
    return {name[1:] for name in names if name.startswith("/") and len(name) > 1}


def extract(name):
    with tempfile.TemporaryDirectory() as folder:
        target = Path(folder) / "extracted"
        subprocess.run([CHMLS, "extract", CHM, "/" + name, str(target)], capture_output=True, check=True)
        if not target.exists():
            raise AssertionError(f"{name} cannot be extracted")
        return target.read_bytes()


class HelpFileTest(unittest.TestCase):
    def test_every_page_of_the_sources_is_in_the_project(self):
        pages = sorted(p.name for p in Path(SOURCES).glob("*.html"))
        self.assertTrue(pages)
        self.assertEqual([p for p in pages if p not in project_files()], [])

    def test_every_project_file_contents_and_index_are_inside(self):
        names = listed_names()
        expected = project_files() + ["kadenzo.hhc", "kadenzo.hhk", "#SYSTEM"]
        self.assertEqual([n for n in expected if n not in names], [])

    def test_pages_are_code_page_932_with_their_title_and_no_broken_link(self):
        names = listed_names()
        for page in [f for f in project_files() if f.endswith(".html")]:
            with self.subTest(page=page):
                text = extract(page).decode("cp932")
                self.assertIn("charset=Shift_JIS", text)
                title = re.search(r"<title>(.+?)</title>", text).group(1)
                self.assertIn(f"<h1>{title}</h1>", text)
                for link in re.findall(r'href="([^"#]+)', text):
                    self.assertIn(link, names, f"{page} links to {link}")

    def test_contents_name_every_page(self):
        contents = extract("kadenzo.hhc").decode("cp932")
        targets = set(re.findall(r'name="Local" value="([^"]+)"', contents))
        pages = {f for f in project_files() if f.endswith(".html")}
        self.assertEqual(pages - targets, set())
        self.assertEqual(targets - pages, set())

    def test_every_message_of_the_program_is_explained(self):
        # Each text of the string table that a box or the log can show appears on some page, its
        # first line in the page's words, with the number and name fields left open.
        pages = "".join(re.sub(r"<[^>]*>", "", extract(page).decode("cp932"))
                        for page in project_files() if page.endswith(".html"))
        table = (Path(SOURCES) / ".." / "res" / "kadenzo.rc").read_text(encoding="utf-8")
        # The hints are the hint links' own explanations.
        texts = [(name, text) for name, text in re.findall(r'^\s+(IDS_\w+)\s+"(.*)"\s*$', table, re.M)
                 if not name.endswith("_HINT")]
        self.assertGreater(len(texts), 40)
        for name, text in texts:
            with self.subTest(text=name):
                parts = [p for p in re.split(r"%[0-9]*[dsuX]", text.split("\\n")[0]) if p.strip()]
                self.assertEqual([p for p in parts if p not in pages], [])

    def test_declares_japanese_so_the_viewer_reads_code_page_932(self):
        system = extract("#SYSTEM")
        at, lcid = 4, None
        while at + 4 <= len(system):
            code, length = struct.unpack_from("<HH", system, at)
            if code == 4:
                lcid = struct.unpack_from("<I", system, at + 4)[0]
            at += 4 + length
        self.assertEqual(lcid, JAPANESE_LCID)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    CHMLS, CHM, SOURCES = sys.argv[1:]
    unittest.main(argv=[sys.argv[0]], verbosity=2)
