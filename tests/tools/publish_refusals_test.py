#!/usr/bin/env python3
"""tools/publish refuses bad input with its message and exit code and leaves nothing
half-written; --replace swaps a whole tree.
publish_refusals_test.py PUBLISH SETUP_EXE EXE_WITHOUT_VERSION WORK_DIR"""
import os
import shutil
import subprocess
import sys
import unittest

PUBLISH, SETUP, PLAIN_EXE, WORK = sys.argv[1:5]
TEST_KEY = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "keys",
                        "test-only-signing.key")


def run(args, env=None):
    done = subprocess.run([sys.executable, PUBLISH] + args, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, env=env)
    return done.returncode, done.stderr.decode()


def signed(files):
    """Each file with its signature beside it."""
    return sorted(files + [f + ".sig" for f in files])


class Refusals(unittest.TestCase):
    def setUp(self):
        shutil.rmtree(WORK, ignore_errors=True)
        for d in ("client/2.0.1.7", "runtime/HOME/BIN", "servers", "empty", "bin"):
            os.makedirs(os.path.join(WORK, d))
        for f in ("client/new_qel.exe", "client/2.0.1.7/a.dll", "runtime/HOME/BIN/wrun32.exe"):
            with open(os.path.join(WORK, f), "w") as out:
                out.write(f)
        with open(os.path.join(WORK, "notes.txt"), "w") as out:
            out.write("not a program")
        self.out = os.path.join(WORK, "servers", "tree")

    def args(self, **changes):
        values = {"--key": TEST_KEY, "--client": os.path.join(WORK, "client"), "--client-version": "2.0.1.7",
                  "--runtime": os.path.join(WORK, "runtime"), "--setup": SETUP,
                  "--base-url": "http://updates.example", "--out": self.out}
        values.update(changes)
        args = []
        for key, value in values.items():
            if value is not None:
                args += [key] if value is True else [key, value]
        return args

    def files(self):
        return sorted(os.path.relpath(os.path.join(d, f), self.out)
                      for d, _, files in os.walk(self.out) for f in files)

    def assert_nothing_written(self):
        self.assertEqual([], os.listdir(os.path.join(WORK, "servers")))

    def client_with(self, *names):
        for name in names:
            path = os.path.join(WORK, "client", name)
            with open(path, "w") as out:
                out.write(name)

    def test_bad_input_is_refused_before_anything_is_written(self):
        client = os.path.join(WORK, "client")
        cases = [
            ("no client folder", {"--client": client + "-missing"}, "folder not found"),
            ("no runtime folder", {"--runtime": WORK + "/nope"}, "folder not found"),
            ("empty runtime", {"--runtime": WORK + "/empty"}, "folder is empty"),
            ("version with a letter", {"--client-version": "2.0.x.7"},
             "client version is not dot-separated numbers"),
            ("version with an empty field", {"--client-version": "2..1"},
             "client version is not dot-separated numbers"),
            ("no setup", {"--setup": WORK + "/missing.exe"}, "setup executable not found"),
            ("setup not a program", {"--setup": WORK + "/notes.txt"},
             "not a Windows executable"),
            ("setup without version resource", {"--setup": PLAIN_EXE},
             "has no version resource"),
            ("setup version of three numbers", {"--setup-version": "1.0.0"},
             "setup version must be four numbers"),
            ("setup version not the executable's", {"--setup-version": "9.9.9.9"},
             "differs from the executable's version resource"),
            ("base URL without http", {"--base-url": "ftp://updates.example"}, "base URL"),
            ("missing output parent", {"--out": WORK + "/nowhere/tree"},
             "parent folder of the output not found"),
            ("solid block too big", {"--solid-block": "4096"}, "solid block"),
            ("replace and merge", {"--replace": True, "--merge": True}, "exclude each other"),
            ("unknown run mode", {"--mode": "STAGING"}, "invalid choice"),
            ("no signing key", {"--key": None}, "no signing key"),
            ("signing key missing", {"--key": WORK + "/none.key"}, "signing key not readable"),
            ("not a signing key", {"--key": WORK + "/notes.txt"}, "not a signing key"),
        ]
        for label, changes, message in cases:
            with self.subTest(label):
                rc, err = run(self.args(**changes))
                self.assertEqual(2, rc, err)
                self.assertIn(message, err)
                self.assert_nothing_written()

    def test_names_windows_cannot_hold_are_refused(self):
        cases = [
            (("a:b",), "name not installable on Windows"),
            (("euro\u20ac",), "name not installable on Windows"),
            (("trailing.",), "name not installable on Windows"),
            (("con.txt",), "name not installable on Windows"),
            (("x" * 250,), "path too long for the setup (244 characters at most"),
            (("Readme.txt", "README.TXT"), "differing only in letter case"),
        ]
        for names, message in cases:
            with self.subTest(names):
                self.client_with(*names)
                rc, err = run(self.args())
                for name in names:
                    os.remove(os.path.join(WORK, "client", name))
                self.assertEqual(2, rc, err)
                self.assertIn(message, err)
                self.assert_nothing_written()
        os.symlink("2.0.1.7", os.path.join(WORK, "client", "link"))
        rc, err = run(self.args())
        self.assertEqual(2, rc, err)
        self.assertIn("symbolic link not allowed", err)

    def test_existing_tree_is_kept_unless_replaced(self):
        self.assertEqual(0, run(self.args())[0])
        os.remove(os.path.join(self.out, "update", "qel.xml"))
        rc, err = run(self.args(**{"--client-version": "2.0.1.8"}))
        self.assertEqual(2, rc)
        self.assertIn("output exists (use --replace to replace it, --merge to add", err)
        self.assertFalse(os.path.exists(os.path.join(self.out, "update", "qel.xml")))
        rc, err = run(self.args(**{"--replace": True, "--mode": "DEV"}))
        self.assertEqual(0, rc, err)
        self.assertEqual(["tree"], os.listdir(os.path.join(WORK, "servers")))
        self.assertEqual(signed(["ZAV2021_DEV.7z", "update/qel_archive/moltra2021.7z",
                                 "update/qel_archive/qel_2.0.1.7_dev.7z", "update/qel_dev.xml",
                                 "update/setup_ZAV2021_dev.txt"]), self.files())
        # Production added beside DEV; DEV's files are the very same ones.
        dev_manifest = os.stat(os.path.join(self.out, "update", "qel_dev.xml"))
        rc, err = run(self.args(**{"--merge": True, "--client-version": "2.0.1.8"}))
        self.assertEqual(0, rc, err)
        self.assertEqual(signed(["ZAV2021.7z", "ZAV2021_DEV.7z", "update/qel.xml",
                                 "update/qel_archive/moltra2021.7z",
                                 "update/qel_archive/qel_2.0.1.7_dev.7z",
                                 "update/qel_archive/qel_2.0.1.8.7z", "update/qel_dev.xml",
                                 "update/setup_ZAV2021.txt", "update/setup_ZAV2021_dev.txt"]),
                         self.files())
        self.assertEqual(dev_manifest.st_ino,
                         os.stat(os.path.join(self.out, "update", "qel_dev.xml")).st_ino)
        self.assertEqual(["tree"], os.listdir(os.path.join(WORK, "servers")))

    def test_explicit_version_publishes_a_setup_without_resource(self):
        rc, err = run(self.args(**{"--setup": PLAIN_EXE, "--setup-version": "1.2.3.4"}))
        self.assertEqual(0, rc, err)
        self.assertIn("will not update itself", err)
        with open(os.path.join(self.out, "update", "setup_ZAV2021.txt")) as f:
            self.assertEqual("1.2.3.4", f.read())

    def test_failure_while_writing_leaves_nothing(self):
        fake = os.path.join(WORK, "bin", "7zz")
        with open(fake, "w") as f:
            f.write("#!/bin/sh\necho disk full >&2\nexit 2\n")
        os.chmod(fake, 0o755)
        env = dict(os.environ, PATH=os.path.dirname(fake) + os.pathsep + os.environ["PATH"])
        rc, err = run(self.args(), env=env)
        self.assertEqual(1, rc, err)
        self.assertIn("7-Zip failed (2)", err)
        self.assertIn("disk full", err)
        self.assert_nothing_written()


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
