#!/usr/bin/env python3
"""tools/setup on a machine whose package index is caught mid-sync, driven through stand-in
apt-get, dpkg-query and dpkg commands on PATH: which updates and installs it asks for, what it
says, and its status. Nothing is installed for real."""
import os
import subprocess
import tempfile
import textwrap
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SETUP = os.path.join(ROOT, "tools", "setup")
INDEX = "http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz"

# Each stand-in logs its arguments as one line. apt-get fails every call that names one of the
# words in STANDIN_FAIL ("update" or a package), as apt-get does, with its own error lines.
STANDINS = {
    "apt-get": f"""
        echo "apt-get $*" >> "$STANDIN_LOG"
        for word in $STANDIN_FAIL; do
            for argument in "$@"; do
                [ "$argument" = "$word" ] || continue
                if [ "$word" = update ]; then
                    echo "E: Failed to fetch {INDEX}  File has unexpected size (374820 != 376004). Mirror sync in progress? [IP: 192.0.2.1 80]"
                    echo "E: Some index files failed to download. They have been ignored, or old ones used instead."
                    exit 100
                fi
                case " $* " in *" -s "*)
                    echo "The following packages have unmet dependencies:"
                    echo " libcups2 : Depends: libavahi-client3 (>= 0.6.16) but it is not going to be installed"
                    echo " libfoo1:i386 : Depends: libbar2:i386 (>= 1.0) but it is not going to be installed"
                    echo "                Depends: zlib1g:i386 (>= 1:1.1.4) but it is not going to be installed" ;;
                esac
                echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."
                exit 100
            done
        done
        exit 0
        """,
    # Every package named in STANDIN_INSTALLED is installed.
    "dpkg-query": """
        echo "dpkg-query $*" >> "$STANDIN_LOG"
        for package in $STANDIN_INSTALLED; do
            [ "$package" = "${@: -1}" ] && { printf 'install ok installed'; exit 0; }
        done
        exit 1
        """,
    "dpkg": """
        echo "dpkg $*" >> "$STANDIN_LOG"
        [ "$1" = --print-foreign-architectures ] && echo "${STANDIN_FOREIGN-i386}"
        exit 0
        """,
    "sudo": 'exec "$@"\n',
}


class SetupTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.bin = os.path.join(self.folder.name, "bin")
        os.mkdir(self.bin)
        for name, body in STANDINS.items():
            path = os.path.join(self.bin, name)
            with open(path, "w") as script:
                script.write("#!/usr/bin/env bash\n" + textwrap.dedent(body))
            os.chmod(path, 0o755)
        self.log = os.path.join(self.folder.name, "log")

    def tearDown(self):
        self.folder.cleanup()

    def setup(self, fail="", installed="", foreign="i386"):
        """Runs tools/setup; its status, its standard error, and the apt-get calls it made (all the
        stand-ins' calls, in order, are left in self.calls)."""
        open(self.log, "w").close()
        env = dict(os.environ, PATH=self.bin + os.pathsep + os.environ["PATH"], STANDIN_LOG=self.log,
                   STANDIN_FAIL=fail, STANDIN_INSTALLED=installed, STANDIN_FOREIGN=foreign)
        result = subprocess.run([SETUP], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
        with open(self.log) as log:
            self.calls = [line.strip() for line in log]
        calls = [line.split(None, 1)[1] for line in self.calls if line.startswith("apt-get ")]
        return result.returncode, result.stderr, calls

    def installs(self, calls):
        """The packages of each real (not simulated) install, in order."""
        return [[word for word in call.split() if not word.startswith("-") and word != "install"]
                for call in calls if call.startswith("install") and " -s " not in f" {call} "]

    def test_a_stale_index_and_a_32_bit_wine_that_cannot_be_had_leave_the_64_bit_path(self):
        status, err, calls = self.setup(fail="update wine32:i386")
        self.assertEqual(status, 0, err)
        self.assertEqual(calls[0], "update -qq")
        self.assertIn(f"tools/setup: warning: apt-get update failed for {INDEX}; going on with the package lists "
                      "there are\n", err)
        # Everything else in one install, then 32-bit Wine alone.
        installs = self.installs(calls)
        self.assertEqual(len(installs), 2)
        self.assertIn("wine64", installs[0])
        self.assertIn("g++-mingw-w64-x86-64-posix", installs[0])
        self.assertNotIn("wine32:i386", installs[0])
        self.assertEqual(installs[1], ["wine32:i386"])
        # One plain line, with the first unmet dependency of the foreign architecture as the why.
        lines = [line for line in err.splitlines() if "32-bit Wine" in line]
        self.assertEqual(lines, ["tools/setup: 32-bit Wine (wine32:i386) cannot be installed (libfoo1:i386 : "
                                 "Depends: libbar2:i386 (>= 1.0) but it is not going to be installed), so this "
                                 "host will test only the 64-bit programs"])

    def test_any_other_package_that_cannot_be_installed_fails_setup_and_is_named(self):
        status, err, calls = self.setup(fail="update cmake")
        self.assertNotEqual(status, 0)
        self.assertIn("tools/setup: cmake cannot be installed: libcups2 : Depends: libavahi-client3 (>= 0.6.16) "
                      "but it is not going to be installed\n", err)
        self.assertTrue(err.endswith("tools/setup: failed: cmake could not be installed\n"), err)
        # The batch, then each package alone, so that only the one refused is named.
        self.assertGreater(len(self.installs(calls)), 2)
        self.assertNotIn("wine32:i386", calls[-1])

    def test_only_what_is_missing_is_asked_for_and_nothing_when_all_is_there(self):
        everything = subprocess.run(["bash", "-c", f"sed -n '/^packages=(/,/^)/p' {SETUP}"],
                                    stdout=subprocess.PIPE, text=True).stdout
        packages = " ".join(everything.replace("packages=(", "").replace(")", "").split())
        status, err, calls = self.setup(installed=packages + " wine32:i386")
        self.assertEqual((status, err, calls), (0, "", []))
        status, err, calls = self.setup(installed=packages)
        self.assertEqual(status, 0, err)
        self.assertEqual(self.installs(calls), [["wine32:i386"]])
        self.assertNotIn("warning", err)

    def test_a_host_without_the_i386_architecture_has_it_added_before_the_package_lists_are_read(self):
        for foreign, added in (("", True), ("armhf", True), ("i386", False)):
            status, err, calls = self.setup(foreign=foreign)
            self.assertEqual(status, 0, err)
            dpkg = [call for call in self.calls if call.startswith("dpkg ")]
            self.assertEqual("dpkg --add-architecture i386" in dpkg, added, foreign)
            if added:
                self.assertLess(self.calls.index("dpkg --add-architecture i386"), self.calls.index("apt-get update -qq"))


if __name__ == "__main__":
    unittest.main()
