#!/usr/bin/env python3
"""Runs the packaging step on made-up program files and reads the zip back.

  check_package.py MAKE_PACKAGE_PY README
"""
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

MAKE_PACKAGE = README = None
FILES = ["Kadenzo.exe", "Lfon.dll", "Lyrafon.dll", "rfk32.dll", "Instrmnt.txt", "KADENZO.CHM", "VederAze.avi",
         "VederAze150.avi", "VederAze200.avi", "help/index.html"]
PAGES = ["help/kadenzo.css"]  # the rest of the help folder goes in too


def fill_bin(folder, names):
    """Each file holds bytes of its own, so a mix-up shows."""
    for index, name in enumerate(names):
        (Path(folder) / name).parent.mkdir(exist_ok=True)
        (Path(folder) / name).write_bytes(bytes([index]) * (100 + index) + name.encode())


def package(bin_dir, out):
    return subprocess.run([sys.executable, MAKE_PACKAGE, str(bin_dir), README, str(out)], capture_output=True, text=True)


class Package(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.TemporaryDirectory()
        self.bin = Path(self.scratch.name) / "bin"
        self.bin.mkdir()
        self.out = Path(self.scratch.name) / "Kadenzo-1.8-win64.zip"

    def tearDown(self):
        self.scratch.cleanup()

    def test_every_file_in_one_folder_unchanged(self):
        fill_bin(self.bin, FILES + PAGES)
        result = package(self.bin, self.out)
        self.assertEqual(result.returncode, 0, result.stderr)
        with zipfile.ZipFile(self.out) as archive:
            self.assertIsNone(archive.testzip())
            names = archive.namelist()
            self.assertEqual(sorted(names), sorted(f"Kadenzo-1.8/{n}" for n in FILES + PAGES + ["Readme.txt"]))
            for name in FILES + PAGES:
                self.assertEqual(archive.read(f"Kadenzo-1.8/{name}"), (self.bin / name).read_bytes(), name)

    def test_readme_in_code_page_932_with_cr_lf(self):
        fill_bin(self.bin, FILES)
        self.assertEqual(package(self.bin, self.out).returncode, 0)
        with zipfile.ZipFile(self.out) as archive:
            data = archive.read("Kadenzo-1.8/Readme.txt")
        self.assertNotIn(b"\n", data.replace(b"\r\n", b""))
        self.assertNotIn(b"\r", data.replace(b"\r\n", b""))
        text = data.decode("cp932")
        self.assertIn("曲替丸", text)
        self.assertIn("■ 日本語", text)
        self.assertIn("■ English", text)
        self.assertEqual(text.replace("\r\n", "\n"), Path(README).read_text(encoding="utf-8"))
        for name in FILES:
            self.assertGreaterEqual(text.count(name), 2, f"{name} named in both languages")

    def test_a_missing_file_stops_and_names_it(self):
        for absent in ["Lfon.dll", "Lyrafon.dll"]:
            with self.subTest(absent=absent):
                fill_bin(self.bin, [n for n in FILES if n != absent])
                (self.bin / absent).unlink(missing_ok=True)
                result = package(self.bin, self.out)
                self.assertEqual(result.returncode, 1)
                self.assertIn(f"{absent} is missing", result.stderr)
                self.assertFalse(self.out.exists())
                self.assertEqual(list(Path(self.scratch.name).glob("*.part")), [])


if __name__ == "__main__":
    MAKE_PACKAGE, README = sys.argv[1:3]
    unittest.main(argv=sys.argv[:1])
