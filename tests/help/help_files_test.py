#!/usr/bin/env python3
"""The help file's archive and the browser check's verdicts, without a browser."""
import email
import os
import sys
import tempfile
import unittest

sys.dont_write_bytecode = True  # nothing written into the source tree
sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools", "help"))
import help_files  # noqa: E402

PAGE = """<!DOCTYPE html><html><head><meta charset="utf-8"></head><body>
<p>Натисніть «З'єднати»,
потім «Програмувати».</p>
<figure><img src="pictures/start.png" alt="старт"></figure>
<img src="pictures/tip.png" alt="підказка">
<img src="pictures/timer.svg" alt="ілюстрація">
</body></html>
"""
PNG = b"\x89PNG\r\n\x1a\n" + bytes(range(256)) * 3
SVG = '<svg xmlns="http://www.w3.org/2000/svg"><text>Таймер</text></svg>\n'.encode("utf-8")


class MhtTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.page = os.path.join(self.folder.name, "help.html")
        with open(self.page, "w", encoding="utf-8") as out:
            out.write(PAGE)
        self.pictures = os.path.join(self.folder.name, "pictures")
        os.mkdir(self.pictures)

    def tearDown(self):
        self.folder.cleanup()

    def write_picture(self, name, content=PNG):
        with open(os.path.join(self.pictures, name), "wb") as out:
            out.write(content)

    def make(self):
        mht = os.path.join(self.folder.name, "Help.mht")
        help_files.make_mht(self.page, self.pictures, mht)
        with open(mht, "rb") as archive:
            return archive.read()

    def test_a_mail_parser_reads_back_the_page_and_every_picture_by_content_id_and_type(self):
        self.write_picture("start.png")
        self.write_picture("tip.png")
        self.write_picture("timer.svg", SVG)
        message = email.message_from_bytes(self.make())
        parts = [part for part in message.walk() if not part.is_multipart()]
        page = parts[0].get_payload(decode=True).decode("utf-8")
        self.assertIn("Натисніть «З'єднати»,\r\nпотім", page)
        self.assertIn('src="cid:start.png@help.veltor"', page)
        self.assertNotIn("pictures/", page)
        pictures = {part["Content-ID"]: (part.get_content_type(), part.get_payload(decode=True)) for part in parts[1:]}
        self.assertEqual(pictures, {"<start.png@help.veltor>": ("image/png", PNG),
                                    "<tip.png@help.veltor>": ("image/png", PNG),
                                    "<timer.svg@help.veltor>": ("image/svg+xml", SVG)})

    def test_the_same_input_gives_the_same_bytes(self):
        self.write_picture("start.png")
        self.write_picture("tip.png")
        self.write_picture("timer.svg", SVG)
        self.assertEqual(self.make(), self.make())

    def test_a_picture_that_was_not_taken_stops_the_build(self):
        self.write_picture("start.png")
        with self.assertRaises(SystemExit) as stop:
            self.make()
        self.assertIn("tip.png", str(stop.exception.code))


class PdfDatesTest(unittest.TestCase):
    def test_both_dates_become_the_source_date_and_keep_their_length(self):
        printed = b"<</CreationDate (D:20261209015213+00'00')\n/ModDate (D:20261209015214+00'00')>>"
        fixed = help_files.fixed_dates(printed, 1765000000)
        self.assertEqual(len(fixed), len(printed))
        self.assertEqual(fixed.count(b"(D:20251206054640+00'00')"), 2)

    def test_a_date_of_another_form_or_none_stops_the_build(self):
        for printed in (b"<</CreationDate (D:20261209015213Z)>>", b"<</Producer (Skia/PDF m156)>>"):
            with self.subTest(printed=printed), self.assertRaises(SystemExit):
                help_files.fixed_dates(printed, 1765000000)


def tiny_pdf(link):
    """Three objects, the second an annotation linking to link, and their table."""
    objects = [b"<</Type /Catalog>>", b"<</A <</S /URI\n/URI (" + link + b")>>>>", b"<</Type /Page>>"]
    pdf = b"%PDF-1.4\n"
    offsets = []
    for number, body in enumerate(objects, start=1):
        offsets.append(len(pdf))
        pdf += b"%d 0 obj\n%s\nendobj\n" % (number, body)
    xref = len(pdf)
    pdf += b"xref\n0 4\n0000000000 65535 f \n" + b"".join(b"%010d 00000 n \n" % at for at in offsets)
    return pdf + b"trailer\n<</Size 4>>\nstartxref\n%d\n%%%%EOF\n" % xref


class PdfLinksTest(unittest.TestCase):
    def test_a_link_beside_the_help_becomes_relative_and_every_object_is_found_again(self):
        printed = tiny_pdf(b"file:///build/VELTOR%20Update/help/LICENSES/README.txt")
        fixed = help_files.relative_links(printed, "/build/VELTOR Update/help")
        self.assertEqual(fixed, tiny_pdf(b"LICENSES/README.txt"))

    def test_a_link_to_a_file_elsewhere_stops_the_build(self):
        with self.assertRaises(SystemExit):
            help_files.relative_links(tiny_pdf(b"file:///home/someone/notes.txt"), "/build/help")


class VerdictTest(unittest.TestCase):
    GOOD_PICTURES = [{"src": "cid:%d" % n, "width": 451} for n in range(5)]
    GOOD_LETTERS = [{"letter": letter, "inked": 100 + n, "digest": n} for n, letter in enumerate("ЗжєїґЮ")]
    GOOD_PAGE = {"charset": "UTF-8", "text": "Натисніть З'єднати, Програмувати: Верифікація успішна!",
                 "codes": ["0", "1", "130"]}
    WORDS = set(GOOD_PAGE["text"].split())

    def verdict(self, pictures=None, letters=None, **page):
        return help_files.problems_in(pictures or self.GOOD_PICTURES, letters or self.GOOD_LETTERS,
                                      {**self.GOOD_PAGE, **page}, ["0", "1", "130"], self.WORDS)

    def test_each_fault_is_named(self):
        tofu = [{**entry, "digest": 7} for entry in self.GOOD_LETTERS]
        blank = [{**entry, "inked": 0} for entry in self.GOOD_LETTERS]
        cases = [
            ({}, None),
            ({"pictures": self.GOOD_PICTURES[:4] + [{"src": "cid:lost", "width": 0}]}, "cid:lost does not load"),
            ({"pictures": self.GOOD_PICTURES[:4]}, "only 4 pictures"),
            ({"letters": tofu}, "Cyrillic letters do not render"),
            ({"letters": blank}, "Cyrillic letters do not render"),
            ({"charset": "windows-1252"}, "read as windows-1252"),
            ({"text": self.GOOD_PAGE["text"].replace("З'єднати, ", "З'єднати,")}, "run together"),
            ({"codes": ["0", "1"]}, "exit codes"),
        ]
        for change, expected in cases:
            with self.subTest(change=change):
                problems = self.verdict(**change)
                if expected is None:
                    self.assertEqual(problems, [])
                else:
                    self.assertTrue(any(expected in problem for problem in problems), problems)


if __name__ == "__main__":
    unittest.main()
