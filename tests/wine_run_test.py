#!/usr/bin/env python3
"""tools/wine-run on programs that end at once, through a stand-in Wine loader in a made-up
prefix: what it passes through, what it keeps back, and when it reports a program that did not
really run. No Wine is involved."""
import os
import subprocess
import tempfile
import textwrap
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
WINE_RUN = os.path.join(ROOT, "tools", "wine-run")

# The stand-in loader records the WINEDEBUG it was given, then does what STANDIN says: a
# sequence of words, "out:TEXT" (a line on standard output), "err:TEXT" (a line on standard
# error), "sleep:SECONDS", and last the exit status.
LOADER = textwrap.dedent("""\
    #!/usr/bin/env bash
    echo "$WINEDEBUG" > "$STANDIN_LOG"
    for word in $STANDIN; do
        case "$word" in
            out:*) echo "${word#out:}" | tr _ ' ' ;;
            err:*) echo "${word#err:}" | tr _ ' ' >&2 ;;
            sleep:*) sleep "${word#sleep:}" ;;
            *) exit "$word" ;;
        esac
    done
    """)

WINE_ERR = "err:0024:err:module:import_dll_Library_KERNEL32.dll_not_found"
SAID = "0024:err:module:import dll Library KERNEL32.dll not found"


class WineRunTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.loader = os.path.join(self.folder.name, "wine64")
        with open(self.loader, "w") as script:
            script.write(LOADER)
        os.chmod(self.loader, 0o755)
        self.prefix = os.path.join(self.folder.name, "prefix")
        os.mkdir(self.prefix)
        open(os.path.join(self.prefix, ".tessmor-ready"), "w").close()
        self.log = os.path.join(self.folder.name, "log")

    def tearDown(self):
        self.folder.cleanup()

    def run_program(self, standin, winedebug=None):
        """wine-run's status, standard output and standard error, and the loader's WINEDEBUG."""
        env = dict(os.environ, TESSMOR_WINE_LOADER=self.loader, TESSMOR_WINEPREFIX=self.prefix,
                   TESSMOR_WINE_ARCH="win64", STANDIN=standin, STANDIN_LOG=self.log)
        env.pop("TESSMOR_WINEDEBUG", None)
        if winedebug:
            env["TESSMOR_WINEDEBUG"] = winedebug
        result = subprocess.run([WINE_RUN, "prog.exe", "an argument"], stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=env)
        with open(self.log) as log:
            return result.returncode, result.stdout, result.stderr, log.read().strip()

    def test_runs(self):
        report = "tools/wine-run: prog.exe ended after "
        # what the program does, TESSMOR_WINEDEBUG, then: status, standard output, what standard
        # error holds besides the report, the report's own lines (after its first line's start),
        # and the WINEDEBUG the loader was given
        cases = [
            # silent failures at once are reported, with the status and Wine's last words
            (f"{WINE_ERR} 3", None, 3, "", "",
             ["with status 3 and printed nothing; the last of what Wine said:", SAID], "-all,err+all"),
            # as a process dies before its first thread is set up
            ("err:err:virtual:virtual_alloc_first_teb_wine:_failed_to_map_the_shared_user_data:_c0000018 1",
             None, 1, "", "", ["with status 1 and printed nothing; the last of what Wine said:",
                               "err:virtual:virtual alloc first teb wine: failed to map the shared user data: c0000018"],
             "-all,err+all"),
            ("5", None, 5, "", "",
             ["with status 5 and printed nothing; Wine said nothing (WINEDEBUG=-all,err+all)"], "-all,err+all"),
            # a program that ran prints as before, and Wine's err messages are kept back
            ("0", None, 0, "", "", None, "-all,err+all"),
            (f"{WINE_ERR} 0", None, 0, "", "", None, "-all,err+all"),
            (f"out:[==========]_1_test 3", None, 3, "[==========] 1 test\n", "", None, "-all,err+all"),
            (f"err:Failure_here {WINE_ERR} 3", None, 3, "", "Failure here\n", None, "-all,err+all"),
            # a failure after a second is the program's own
            (f"sleep:1.2 {WINE_ERR} 4", None, 4, "", "", None, "-all,err+all"),
            # messages chosen by the caller go where Wine puts them, and there is no report
            (f"{WINE_ERR} 3", "err+all", 3, "", SAID + "\n", None, "err+all"),
        ]
        for standin, winedebug, status, out, err, said, debug in cases:
            with self.subTest(standin=standin, winedebug=winedebug):
                code, stdout, stderr, given = self.run_program(standin, winedebug)
                self.assertEqual(code, status)
                self.assertEqual(stdout, out)
                self.assertEqual(given, debug)
                own, _, reported = stderr.partition(report)
                self.assertEqual(own, err)
                if said is None:
                    self.assertEqual(reported, "")
                else:
                    milliseconds, _, rest = reported.partition(" ms ")
                    self.assertTrue(milliseconds.isdigit(), reported)
                    self.assertEqual(rest.splitlines(), said)


if __name__ == "__main__":
    unittest.main()
