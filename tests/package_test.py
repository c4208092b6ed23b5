#!/usr/bin/env python3
"""The release package as a user downloads it: tools/package is run, the zip is unpacked and its
exact contents checked (each program's image of the right machine and subsystem, README.txt with
Windows line ends, SHA256SUMS matching), and a second package, made after the programs were
linked again, must be byte for byte the same. The winget and Scoop manifests beside it are read
as those tools read them and must name the zip's real hash.

A signed package is made with a throw-away CA and code-signing certificate that openssl makes
here: every program must verify against that CA, and an unsigned program, one with a byte
changed after signing, and the signed ones without the CA must not. The signed and the changed
tessmorctl.exe are run under Wine ("version --json"), to see what Wine's WinVerifyTrust says.

Needs TESSMOR_BUILD_DIR, the build folder whose 32-bit and 64-bit trees tools/package uses."""
import hashlib
import io
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zipfile

import yaml

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


sys.dont_write_bytecode = True  # no __pycache__ left in tools/
sys.path.insert(0, os.path.join(ROOT, "tools"))
import release_manifests  # noqa: E402  (tools/ is not a package)


def run_package(*arguments, path=None):
    environment = dict(os.environ, TESSMOR_BUILD_DIR=BUILD)
    if path:
        environment["PATH"] = path + os.pathsep + environment["PATH"]
    return subprocess.run([os.path.join(ROOT, "tools", "package")] + list(arguments),
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=environment)


def package(out, *arguments, path=None):
    result = run_package("--out", out, *arguments, path=path)
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
        # How a user checks the signature, and what to do about SmartScreen and an antivirus alarm.
        for needed in ("Digital Signatures", "Get-AuthenticodeSignature", "signtool verify", "certutil -verify",
                       "tessmorctl version", "Windows protected your PC", "false positive"):
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

    def test_the_manifests_name_the_zip_its_hash_and_both_architectures(self):
        out = os.path.dirname(self.zip_path)
        digest = hashlib.sha256(self.zip_bytes).hexdigest()
        url = "https://example.invalid/tessmor/%s/Tessmor-%s.zip" % (version(), version())

        with open(os.path.join(out, "scoop", "tessmor.json"), encoding="ascii") as manifest:
            scoop = json.load(manifest)
        for field in ("version", "description", "homepage", "license", "architecture", "bin", "shortcuts",
                      "checkver", "autoupdate"):
            self.assertIn(field, scoop)
        self.assertEqual(scoop["version"], version())
        self.assertEqual(scoop["architecture"], {
            "32bit": {"url": url, "hash": digest, "extract_dir": "x86"},
            "64bit": {"url": url, "hash": digest, "extract_dir": "x64"}})
        self.assertEqual(scoop["bin"], ["tessmorctl.exe", "tessmorctlw.exe"])
        self.assertEqual(scoop["shortcuts"], [["Tessmor.exe", "Tessmor"]])
        self.assertEqual(scoop["checkver"]["url"], "https://example.invalid/tessmor/")
        self.assertRegex("Tessmor-%s.zip" % version(), scoop["checkver"]["regex"])
        self.assertEqual(re.search(scoop["checkver"]["regex"], "Tessmor-%s.zip" % version()).group(1), version())
        for architecture in ("32bit", "64bit"):
            self.assertEqual(scoop["autoupdate"]["architecture"][architecture]["url"],
                             "https://example.invalid/tessmor/$version/Tessmor-$version.zip")
        self.assertEqual(scoop["autoupdate"]["hash"], {"url": "$url.sha256"})

        def winget(kind):
            name = "Tessmor.Tessmor%s.yaml" % ("" if kind == "version" else "." + kind)
            with open(os.path.join(out, "winget", name), encoding="ascii") as manifest:
                text = manifest.read()
            schema = {"version": "version", "installer": "installer", "locale.en-US": "defaultLocale"}[kind]
            self.assertTrue(text.startswith(
                "# yaml-language-server: $schema=https://aka.ms/winget-manifest.%s.1.6.0.schema.json\n" % schema))
            return yaml.safe_load(text)

        # The fields each schema (1.6.0) requires, and their values.
        head = {"PackageIdentifier": "Tessmor.Tessmor", "PackageVersion": version(), "ManifestVersion": "1.6.0"}
        self.assertEqual(winget("version"), dict(head, DefaultLocale="en-US", ManifestType="version"))
        locale = winget("locale.en-US")
        for field in ("PackageLocale", "Publisher", "PackageName", "License", "ShortDescription"):
            self.assertTrue(locale[field], field)
        self.assertEqual({key: locale[key] for key in head}, head)
        self.assertEqual((locale["PackageLocale"], locale["ManifestType"]), ("en-US", "defaultLocale"))
        installer = winget("installer")
        self.assertEqual({key: installer[key] for key in head}, head)
        self.assertEqual((installer["InstallerType"], installer["NestedInstallerType"], installer["ManifestType"]),
                         ("zip", "portable", "installer"))
        self.assertEqual([entry["Architecture"] for entry in installer["Installers"]], ["x86", "x64"])
        for entry in installer["Installers"]:
            self.assertEqual(entry["InstallerUrl"], url)
            self.assertEqual(entry["InstallerSha256"].lower(), digest)
            self.assertRegex(entry["InstallerSha256"], "^[A-Fa-f0-9]{64}$")
            files = entry["NestedInstallerFiles"]
            self.assertEqual([item["PortableCommandAlias"] for item in files], ["tessmorctl", "tessmorctlw"])
            for item in files:
                # A path in the zip, as winget writes it, of a console program of the installer's machine.
                name = item["RelativeFilePath"].replace("\\", "/")
                self.assertEqual(name, "%s/%s.exe" % (entry["Architecture"], item["PortableCommandAlias"]))
                self.assertIn(name, self.archive.namelist())

    def test_the_same_sources_give_the_same_bytes(self):
        # The programs are linked anew, so that their images are compared too, not only the zip.
        for tree in (BUILD, os.path.join(BUILD, "x64")):
            for program in PROGRAMS:
                os.remove(os.path.join(tree, program))
        second = package(os.path.join(self.folder.name, "second"))
        with open(second, "rb") as made:
            self.assertTrue(made.read() == self.zip_bytes, "two packages of the same sources differ")


class UrlTemplateTest(unittest.TestCase):
    """What --url TEMPLATE may be, and that any URL it may be reads back the same from both manifests."""

    def test_hostile_templates_read_back_unchanged_or_are_refused(self):
        sha = "ab" * 32
        for template in ('https://h.example/a"b/$version/T-$version.zip#x: y',
                         "https://h.example/'q'\\/{a}: - [b] &c *d !e %f|g>h/$version.zip",
                         "http://h.example/--- ...\\n/$version?x=1&y=#2"):
            expected = template.replace("$version", "1.2")
            scoop = json.loads(json.dumps(release_manifests.scoop_manifest("1.2", sha, template)))
            self.assertEqual(scoop["architecture"]["64bit"]["url"], expected)
            self.assertEqual(scoop["autoupdate"]["architecture"]["32bit"]["url"], template)
            installer = yaml.safe_load(release_manifests.winget_manifests("1.2", sha, template)
                                       ["Tessmor.Tessmor.installer.yaml"])
            self.assertEqual([entry["InstallerUrl"] for entry in installer["Installers"]], [expected, expected])
        # Blanks are refused in a template (below), but what YAML and JSON make of the rest stays.
        for accepted in ('https://h.example/a"b/$version/T-$version.zip#x:y',
                         "https://h.example/'q'\\/{a}:-[b]&c*d!e%f|g>h/$version.zip"):
            self.assertEqual(release_manifests.check_template(accepted), accepted)
        for refused in ("https://h.example/Tessmor.zip",           # no $version
                        "ftp://h.example/$version.zip",            # not http(s)
                        "https:///$version.zip",                   # no host
                        "https://h.example/$version.zip\nkey: x",  # a line break
                        "https://h.example/a b/$version.zip",       # a blank
                        "https://h.example/\u00e9/$version.zip"):   # not ASCII
            with self.assertRaises(release_manifests.TemplateError, msg=refused):
                release_manifests.check_template(refused)

    def test_a_refused_template_stops_the_package_before_anything_is_made(self):
        with tempfile.TemporaryDirectory() as out:
            result = run_package("--out", out, "--url", "https://h.example/Tessmor.zip")
            self.assertEqual(result.returncode, 2)
            self.assertIn("must hold $version", result.stderr)
            self.assertEqual(os.listdir(out), [])


def pe_certificate_table(data):
    """The size of a PE image's certificate table (where Authenticode keeps the signature)."""
    header = struct.unpack_from("<I", data, 0x3C)[0]
    optional = header + 24
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    return struct.unpack_from("<II", data, directories + 4 * 8)[1]


class SignedPackageTest(unittest.TestCase):
    PASSWORD = "pa ss \"word\" $HOME `id` 'x'"   # what a shell would take apart if it saw it
    TEMPLATE = "https://downloads.example.org/tessmor/v$version/Tessmor-$version.zip"

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.TemporaryDirectory()
        folder = cls.folder.name
        cls.ca = os.path.join(folder, "ca.pem")
        cls.pfx = os.path.join(folder, "signer.pfx")
        cls.password_file = os.path.join(folder, "password")
        with open(cls.password_file, "w") as password:
            password.write(cls.PASSWORD + "\n")

        def openssl(*arguments):
            subprocess.run(["openssl"] + list(arguments), check=True, cwd=folder,
                           stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)

        openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", "ca.key", "-out", "ca.pem", "-days", "30",
                "-subj", "/CN=Tessmor Throw-away Test CA",
                "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
        openssl("req", "-newkey", "rsa:2048", "-nodes", "-keyout", "signer.key", "-out", "signer.csr",
                "-subj", "/CN=Tessmor Test Signer/O=Tessmor")
        with open(os.path.join(folder, "signer.ext"), "w") as extensions:
            extensions.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                             "extendedKeyUsage=codeSigning\n")
        openssl("x509", "-req", "-in", "signer.csr", "-CA", "ca.pem", "-CAkey", "ca.key", "-CAcreateserial",
                "-out", "signer.pem", "-days", "30", "-extfile", "signer.ext")
        # The chain goes into the .pfx beside the signer's certificate, as a CA hands it out.
        openssl("pkcs12", "-export", "-inkey", "signer.key", "-in", "signer.pem", "-certfile", "ca.pem",
                "-out", "signer.pfx", "-passout", "file:" + cls.password_file)

        # osslsigncode as itself, but each command line it is given is kept.
        cls.bin = os.path.join(folder, "bin")
        os.mkdir(cls.bin)
        cls.argv_log = os.path.join(folder, "osslsigncode.argv")
        wrapper = os.path.join(cls.bin, "osslsigncode")
        with open(wrapper, "w") as script:
            script.write('#!/bin/sh\nprintf "%%s\\n" "$*" >> "%s"\nexec %s "$@"\n'
                         % (cls.argv_log, shutil.which("osslsigncode")))
        os.chmod(wrapper, 0o755)

        cls.result = run_package("--out", os.path.join(folder, "signed"), "--sign", cls.pfx,
                                 "--password-file", cls.password_file, "--url", cls.TEMPLATE, path=cls.bin)
        if cls.result.returncode != 0:
            raise AssertionError("tools/package --sign failed:\n" + cls.result.stderr)
        cls.zip_path = cls.result.stdout.strip().splitlines()[-1]
        cls.calls = cls.osslsigncode_calls()
        with open(cls.zip_path, "rb") as made:
            cls.zip_bytes = made.read()
        cls.archive = zipfile.ZipFile(io.BytesIO(cls.zip_bytes))

    @classmethod
    def tearDownClass(cls):
        cls.folder.cleanup()

    @classmethod
    def osslsigncode_calls(cls):
        if not os.path.exists(cls.argv_log):
            return []
        with open(cls.argv_log) as log:
            return log.read().splitlines()

    def variant(self, name, change):
        """The signed zip with change(files) applied to its files (a dict of name to bytes), and
        SHA256SUMS made anew, so that only the signatures can tell."""
        files = {info.filename: self.archive.read(info) for info in self.archive.infolist()}
        change(files)
        files["SHA256SUMS"] = "".join("%s  %s\n" % (hashlib.sha256(files[entry]).hexdigest(), entry)
                                      for entry in sorted(files)
                                      if not entry.endswith("/") and entry != "SHA256SUMS").encode("ascii")
        path = os.path.join(self.folder.name, name)
        with zipfile.ZipFile(path, "w") as package:
            for entry in sorted(files):
                package.writestr(entry, files[entry])
        return path

    def verify(self, zip_path, *arguments):
        return run_package("--verify", zip_path, *arguments)

    def test_every_program_is_signed_with_sha256_and_verifies_against_the_ca(self):
        result = self.verify(self.zip_path, "--ca", self.ca)
        self.assertEqual(result.returncode, 0, result.stderr)
        for folder in MACHINES:
            for program in PROGRAMS:
                self.assertIn("%s/%s: valid, signed by /CN=Tessmor Test Signer/O=Tessmor, SHA-256, time stamp: none"
                              % (folder, program), result.stdout)
        self.assertIn("all 6 programs", result.stdout)

    def test_the_signature_holds_the_chain_and_the_checksums_are_the_signed_files(self):
        sums = dict(reversed(line.split("  ", 1))
                    for line in self.archive.read("SHA256SUMS").decode("ascii").splitlines())
        for name, digest in sums.items():
            self.assertEqual(hashlib.sha256(self.archive.read(name)).hexdigest(), digest, name)
        self.assertGreater(pe_certificate_table(self.archive.read("x86/Tessmor.exe")), 0)
        with open(self.zip_path + ".sha256", encoding="ascii") as checksum:
            self.assertEqual(checksum.read().split()[0], hashlib.sha256(self.zip_bytes).hexdigest())
        with open(os.path.join(os.path.dirname(self.zip_path), "scoop", "tessmor.json")) as manifest:
            scoop = json.load(manifest)
        self.assertEqual(scoop["architecture"]["64bit"]["hash"], hashlib.sha256(self.zip_bytes).hexdigest())
        self.assertEqual(scoop["architecture"]["64bit"]["url"],
                         "https://downloads.example.org/tessmor/v%s/Tessmor-%s.zip" % (version(), version()))
        # Signer and CA both travel in the signature, so that Windows can build the chain.
        program = os.path.join(self.folder.name, "chain.exe")
        with open(program, "wb") as image:
            image.write(self.archive.read("x64/tessmorctl.exe"))
        signature = program + ".p7"
        subprocess.run(["osslsigncode", "extract-signature", "-pem", "-in", program, "-out", signature],
                       check=True, stdout=subprocess.DEVNULL)
        certificates = subprocess.run(["openssl", "pkcs7", "-in", signature, "-print_certs", "-noout"],
                                      check=True, stdout=subprocess.PIPE, text=True).stdout
        self.assertIn("CN = Tessmor Test Signer", certificates)
        self.assertIn("CN = Tessmor Throw-away Test CA", certificates)

    def test_the_password_is_never_on_a_command_line_nor_in_the_output(self):
        self.assertEqual(len(self.calls), 6)
        for call in self.calls:
            self.assertNotIn("pa ss", call)
            self.assertIn("-readpass " + self.password_file, call)
            self.assertIn("-h sha256", call)
            self.assertNotIn("-ts", call)
        self.assertNotIn("pa ss", self.result.stdout + self.result.stderr)

    def test_unsigned_changed_and_untrusted_programs_fail_verification(self):
        unsigned = package(os.path.join(self.folder.name, "unsigned"))
        result = self.verify(unsigned, "--ca", self.ca)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.count(": NOT VALID: it is not signed"), 6, result.stderr)

        def change_one_byte(files):
            image = bytearray(files["x64/tessmorctl.exe"])
            image[0x400] ^= 0x01  # in the first section, covered by the signature
            files["x64/tessmorctl.exe"] = bytes(image)
        changed = self.variant("changed.zip", change_one_byte)
        result = self.verify(changed, "--ca", self.ca)
        self.assertEqual(result.returncode, 1)
        self.assertIn("x64/tessmorctl.exe: NOT VALID: the file was changed after it was signed", result.stderr)
        self.assertEqual(result.stdout.count(": valid, signed by"), 5)
        self.assertIn("1 of 6 programs", result.stderr)

        # A zip whose SHA256SUMS does not match is refused before any signature is read.
        tampered = os.path.join(self.folder.name, "tampered-sums.zip")
        with zipfile.ZipFile(tampered, "w") as out, zipfile.ZipFile(self.zip_path) as source:
            for info in source.infolist():
                data = source.read(info)
                out.writestr(info.filename, data + b"x" if info.filename == "README.txt" else data)
        result = self.verify(tampered, "--ca", self.ca)
        self.assertEqual(result.returncode, 1)
        self.assertIn("README.txt does not match its line in SHA256SUMS", result.stderr)

        # Without the CA, the system's roots do not lead to the throw-away certificate.
        result = self.verify(self.zip_path)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stderr.count("does not lead to a trusted root certificate"), 6, result.stderr)

    def test_a_time_stamp_server_is_asked_and_its_failure_said(self):
        # No network here: a server that refuses at once shows that the URL reaches osslsigncode.
        before = len(self.osslsigncode_calls())
        server = "http://127.0.0.1:9/rfc3161?a=1&b=2"
        result = run_package("--out", os.path.join(self.folder.name, "stamped"), "--sign", self.pfx,
                             "--password-file", self.password_file, "--timestamp", server, path=self.bin)
        self.assertEqual(result.returncode, 1)
        self.assertIn("could not be signed with a time stamp from " + server, result.stderr)
        calls = self.osslsigncode_calls()[before:]
        self.assertEqual(len(calls), 1, calls)
        self.assertIn(" -ts " + server + " ", calls[0])
        self.assertFalse(os.path.exists(os.path.join(self.folder.name, "stamped", "Tessmor-%s.zip" % version())))
        for refused in (["--timestamp", "ftp://127.0.0.1/"], ["--password-file", self.password_file]):
            arguments = refused if refused[0] == "--password-file" else ["--sign", self.pfx] + refused
            result = run_package("--out", os.path.join(self.folder.name, "refused"), *arguments)
            self.assertEqual(result.returncode, 2, arguments)

    def test_wine_tells_a_signed_copy_from_a_changed_one(self):
        """tessmorctl version --json on the signed x64 program and on a copy with one byte changed."""
        runs = {}
        for name, change in (("signed", None), ("changed", 0x400)):
            image = bytearray(self.archive.read("x64/tessmorctl.exe"))
            if change is not None:
                image[change] ^= 0x01
            program = os.path.join(self.folder.name, "wine-" + name, "tessmorctl.exe")
            os.makedirs(os.path.dirname(program), exist_ok=True)
            with open(program, "wb") as copy:
                copy.write(image)
            result = subprocess.run([os.path.join(ROOT, "tools", "wine-run"), program, "version", "--json"],
                                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                                    env=dict(os.environ, TESSMOR_BUILD_DIR=BUILD))
            self.assertEqual(result.returncode, 0, result.stderr)
            runs[name] = json.loads(result.stdout)
        # Wine checks the digest, and so tells the changed copy from the signed one, and reads the
        # signer's name; it does not check where the chain ends (a self-signed certificate passes
        # too), where Windows without this throw-away CA among its roots says CERT_E_UNTRUSTEDROOT.
        signed = runs["signed"]
        if signed["signature"] == "valid":
            self.assertEqual((signed["signed"], signed["signer"]), (True, "Tessmor Test Signer"))
        else:
            self.assertEqual((signed["signature"], signed["trustResult"]), ("invalid", "0x800B0109"))
        changed = runs["changed"]
        self.assertEqual((changed["signature"], changed["signed"], changed["signer"], changed["trustResult"]),
                         ("invalid", False, None, "0x80096010"))
        self.assertEqual(changed["reason"], "the file was changed after it was signed")


if __name__ == "__main__":
    unittest.main(verbosity=2)
