#!/usr/bin/env python3
"""The release package as a user downloads it: tools/package is run, the zip is unpacked and its
exact contents checked (each program's image of the right machine and subsystem, README.txt with
Windows line ends, SHA256SUMS matching), and a second package, made after the programs were
linked again, must be byte for byte the same.

Needs TESSMOR_BUILD_DIR, the build folder whose 32-bit and 64-bit trees tools/package uses."""
import hashlib
import io
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("TESSMOR_BUILD_DIR", os.path.join(ROOT, "build"))
PROGRAMS = ("Tessmor.exe", "tessmorctl.exe", "tessmorctlw.exe")
MACHINES = {"x86": 0x014C, "x64": 0x8664}
SUBSYSTEMS = {"Tessmor.exe": 2, "tessmorctl.exe": 3, "tessmorctlw.exe": 2}  # Windows GUI, Windows console


def version():
    with open(os.path.join(ROOT, "res", "program.h")) as header:
        for line in header:
            if line.startswith("#define TESSMOR_VERSION_TEXT"):
                return line.split('"')[1]
    raise AssertionError("no version in res/program.h")


def package(out):
    result = subprocess.run([os.path.join(ROOT, "tools", "package"), "--out", out],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                            env=dict(os.environ, TESSMOR_BUILD_DIR=BUILD))
    if result.returncode != 0:
        raise AssertionError("tools/package failed:\n" + result.stderr)
    return result.stdout.strip().splitlines()[-1]


def image_kind(data):
    """The machine and subsystem of a PE image."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[header:header + 4] != b"PE\0\0":
        return None
    machine = struct.unpack_from("<H", data, header + 4)[0]
    subsystem = struct.unpack_from("<H", data, header + 24 + 68)[0]  # same offset in PE32 and PE32+
    return machine, subsystem


class PackageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        cls.zip_path = package(os.path.join(cls.folder.name, "first"))
        with open(cls.zip_path, "rb") as made:
            cls.zip_bytes = made.read()
        cls.archive = zipfile.ZipFile(io.BytesIO(cls.zip_bytes))
        # Unpacked as a user unpacks it; the checks read the files from there.
        cls.unpacked = os.path.join(cls.folder.name, "unpacked")
        cls.archive.extractall(cls.unpacked)

    def read(self, name):
        with open(os.path.join(self.unpacked, *name.split("/")), "rb") as unpacked:
            return unpacked.read()

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    def test_name_and_exact_contents(self):
        self.assertEqual(os.path.basename(self.zip_path), "Tessmor-%s.zip" % version())
        self.assertEqual(self.archive.namelist(),
                         ["README.txt", "SHA256SUMS", "x64/", "x64/Tessmor.exe", "x64/tessmorctl.exe",
                          "x64/tessmorctlw.exe", "x86/", "x86/Tessmor.exe", "x86/tessmorctl.exe",
                          "x86/tessmorctlw.exe"])
        self.assertIsNone(self.archive.testzip())
        on_disk = sorted(os.path.relpath(os.path.join(folder, name), self.unpacked).replace(os.sep, "/")
                         for folder, _, names in os.walk(self.unpacked) for name in names)
        self.assertEqual(on_disk, [name for name in self.archive.namelist() if not name.endswith("/")])
        # One fixed time for every entry, whenever the package is made.
        self.assertEqual(len({info.date_time for info in self.archive.infolist()}), 1)

    def test_each_program_is_built_for_its_folders_machine(self):
        for folder, machine in MACHINES.items():
            for program in PROGRAMS:
                name = folder + "/" + program
                self.assertEqual(image_kind(self.read(name)), (machine, SUBSYSTEMS[program]), name)

    def test_readme_is_windows_text_about_both_programs(self):
        text = self.read("README.txt").decode("ascii")
        self.assertTrue(text.endswith("\r\n"))
        self.assertEqual(text.count("\n"), text.count("\r\n"), "a line without CR LF")
        self.assertEqual(text.count("\r"), text.count("\r\n"), "a CR without LF")
        self.assertIn("Tessmor " + version(), text)
        self.assertNotIn("@VERSION@", text)
        for needed in ("Tessmor.exe", "tessmorctl.exe", "tessmorctlw.exe", "tessmorctl set DVB-C DVBC2", "no",
                       "installer", "tessmorctl autostart enable", "tessmorctl autostart disable"):
            self.assertIn(needed, text)
        # A checksum command that every supported Windows has.
        self.assertIn("certutil -hashfile Tessmor-%s.zip SHA256" % version(), text)
        # Every exit status is explained.
        for status in range(7):
            self.assertIn("\r\n  %d  " % status, text)

    def test_checksums_match_every_other_file(self):
        lines = self.read("SHA256SUMS").decode("ascii").splitlines()
        sums = dict(reversed(line.split("  ", 1)) for line in lines)
        files = [name for name in self.archive.namelist() if not name.endswith("/") and name != "SHA256SUMS"]
        self.assertEqual(sorted(sums), sorted(files))
        for name in files:
            self.assertEqual(sums[name], hashlib.sha256(self.read(name)).hexdigest(), name)

    def test_the_zip_has_its_own_checksum_beside_it(self):
        with open(self.zip_path + ".sha256", encoding="ascii") as checksum:
            self.assertEqual(checksum.read(), "%s  %s\n" % (hashlib.sha256(self.zip_bytes).hexdigest(),
                                                           os.path.basename(self.zip_path)))

    def test_the_same_sources_give_the_same_bytes(self):
        # The programs are linked anew, so that their images are compared too, not only the zip.
        for tree in (BUILD, os.path.join(BUILD, "x64")):
            for program in PROGRAMS:
                os.remove(os.path.join(tree, program))
        second = package(os.path.join(self.folder.name, "second"))
        with open(second, "rb") as made:
            self.assertTrue(made.read() == self.zip_bytes, "two packages of the same sources differ")


if __name__ == "__main__":
    unittest.main(verbosity=2)
