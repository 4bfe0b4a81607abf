#!/usr/bin/env python3
"""tools/notices against made-up linker maps: a library in the link without a
known notice stops it, so that the package step fails rather than ship it."""
import os
import subprocess
import sys
import tempfile
import unittest

NOTICES = os.path.join(os.path.dirname(__file__), "..", "..", "tools", "notices")
C_LIBRARY = os.path.realpath(subprocess.run(["gcc", "-print-file-name=libc.a"], capture_output=True,
                                            text=True).stdout.strip())


class WindowsNoticesTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.stray = os.path.join(self.folder.name, "libstray.a")
        open(self.stray, "wb").close()

    def tearDown(self):
        self.folder.cleanup()

    def run_notices(self, *archives, header="Archive member included to satisfy reference by file (symbol)",
                    options=()):
        map_file = os.path.join(self.folder.name, "program.exe.map")
        with open(map_file, "w", encoding="utf-8") as out:
            out.write(f"{header}\n\n")
            out.write("app/libveltor_app.a(window.cpp.obj)\n                              main.cpp.obj (main)\n")
            for archive in archives:
                out.write(f"{archive}(member.o)\n                              window.cpp.obj (symbol)\n")
            out.write("\nDiscarded input sections\n")
        licences = os.path.join(self.folder.name, "LICENSES")
        run = subprocess.run([sys.executable, NOTICES, "windows", "--out", licences, "--maker", "Maker",
                              "--year", "2026", "--map", map_file, *options], capture_output=True, text=True)
        return run, licences

    def test_library_of_no_package_fails_and_names_it(self):
        run, _ = self.run_notices(self.stray)
        self.assertEqual(run.returncode, 1)
        self.assertIn(f"{self.stray} belongs to no installed Debian package", run.stderr)

    @unittest.skipUnless(os.path.isfile(C_LIBRARY), "no static C library here")
    def test_library_of_a_debian_package_gets_its_copyright_file(self):
        run, licences = self.run_notices(C_LIBRARY)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(os.path.join(licences, "README.txt"), encoding="utf-8") as index:
            self.assertIn("libc6-dev.txt", index.read())
        self.assertTrue(os.path.isfile(os.path.join(licences, "libc6-dev.txt")))

    def test_qt_part_missing_from_the_table_fails(self):
        prefix = os.path.join(self.folder.name, "qt")
        part = os.path.join(prefix, "share", "qt-attributions", "src", "3rdparty", "newpart")
        os.makedirs(part)
        os.makedirs(os.path.join(prefix, "lib"))
        with open(os.path.join(part, "qt_attribution.json"), "w", encoding="utf-8") as out:
            out.write('{"Name": "New Part", "License": "MIT"}')
        core = os.path.join(prefix, "lib", "libQt6Core.a")
        open(core, "wb").close()
        run, _ = self.run_notices(core, options=("--qt-prefix", prefix, "--qt-attributions",
                                                 os.path.join(prefix, "share", "qt-attributions")))
        self.assertEqual(run.returncode, 1)
        self.assertIn("src/3rdparty/newpart/qt_attribution.json (New Part) is not in qt-attributions.txt",
                      run.stderr)

    def test_file_that_is_no_linker_map_fails(self):
        run, _ = self.run_notices(C_LIBRARY, header="Some other listing")
        self.assertEqual(run.returncode, 1)
        self.assertIn("names no archive member", run.stderr)


if __name__ == "__main__":
    unittest.main()
