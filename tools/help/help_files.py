#!/usr/bin/env python3
"""Makes the technician's help files from packaging/help/help.html and the
window's pictures, and proves them in a real browser (Chromium, headless):

  help_files.py mht PAGE PICTURES OUT.mht      the page and its pictures as MIME HTML
  help_files.py pdf IN.mht OUT.pdf             the same page printed by the browser
  help_files.py check IN.mht SHOT.png EXIT_CODES_HEADER
                                               the browser opens it: every picture
                                               loads, the Cyrillic text renders, the
                                               exit codes are those of the command line
  help_files.py check-fails IN.mht EXIT_CODES_HEADER
                                               the check finds the faults of spoiled
                                               copies of IN.mht (a lost picture, lines
                                               run together, no font for Cyrillic)

Everything written is the same for the same input: a fixed MIME boundary, and
the PDF's dates taken from SOURCE_DATE_EPOCH.
"""
import base64
import email
import html
import json
import os
import quopri
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

BOUNDARY = "----=_VELTOR_Help_Part"
PICTURE_REFERENCE = re.compile(r'src="pictures/([A-Za-z0-9_.-]+\.(png|svg))"')
PICTURE_TYPES = {"png": "image/png", "svg": "image/svg+xml"}
# A build reaches out to nothing: no network features, no updates, no first-run.
CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync"]


def content_id(name):
    return name + "@help.veltor"


def crlf(text):
    return text.replace("\r\n", "\n").replace("\n", "\r\n")


def make_mht(page_file, pictures_dir, out_file):
    """Pictures are referenced by Content-ID: browsers look subresources of a
    local archive up by cid: but not by file: locations. The page has no
    Content-Location, so that its relative links lead beside Help.mht."""
    with open(page_file, encoding="utf-8") as page_in:
        page = page_in.read()
    names = sorted(set(name for name, _ in PICTURE_REFERENCE.findall(page)))
    missing = [name for name in names if not os.path.isfile(os.path.join(pictures_dir, name))]
    if missing:
        sys.exit("pictures missing in %s: %s" % (pictures_dir, ", ".join(missing)))
    page = PICTURE_REFERENCE.sub(lambda m: 'src="cid:%s"' % content_id(m.group(1)), page)
    parts = ["MIME-Version: 1.0\r\n"
             'Content-Type: multipart/related; boundary="%s"; type="text/html"\r\n\r\n' % BOUNDARY,
             "--%s\r\n" % BOUNDARY,
             'Content-Type: text/html; charset="utf-8"\r\n'
             "Content-Transfer-Encoding: quoted-printable\r\n\r\n",
             crlf(quopri.encodestring(page.encode("utf-8")).decode("ascii")), "\r\n"]
    for name in names:
        with open(os.path.join(pictures_dir, name), "rb") as picture:
            encoded = crlf(base64.encodebytes(picture.read()).decode("ascii"))
        parts += ["--%s\r\n" % BOUNDARY,
                  "Content-Type: %s\r\n" % PICTURE_TYPES[name.rsplit(".", 1)[1]] +
                  "Content-Transfer-Encoding: base64\r\n"
                  "Content-ID: <%s>\r\n\r\n" % content_id(name),
                  encoded]
    parts.append("--%s--\r\n" % BOUNDARY)
    with open(out_file, "wb") as out:
        out.write("".join(parts).encode("ascii"))


def chromium():
    for name in ("chromium", "chromium-browser"):
        if shutil.which(name):
            return name
    sys.exit("Chromium is not installed (tools/install-deps --windows installs it)")


def pdf_date(epoch):
    return time.strftime("D:%Y%m%d%H%M%S+00'00'", time.gmtime(epoch)).encode("ascii")


def fixed_dates(pdf, epoch):
    """The printer stamps the time of printing; the same length keeps the
    cross-reference offsets right. A date of another form stops the build
    rather than leave a PDF that differs from build to build."""
    date = b"(" + pdf_date(epoch) + b")"

    def replace(match):
        if len(match.group(2)) != len(date):
            sys.exit("the PDF's %s %s has an unknown form" % (match.group(1).decode(), match.group(2).decode()))
        return b"/" + match.group(1) + b" " + date

    fixed, count = re.subn(rb"/(CreationDate|ModDate) (\(D:[^)]*\))", replace, pdf)
    if count == 0:
        sys.exit("the PDF carries no date to fix: has the printer changed?")
    return fixed


def relative_links(pdf, folder):
    """The printer writes a link to a file beside the help as an absolute
    file:// address on the machine that built it, which would lead nowhere on
    the technician's and make the PDF differ with the build's folder. Each
    becomes relative to the help again. Any other file:// link stops the build."""
    prefix = ("file://" + urllib.request.pathname2url(os.path.abspath(folder)) + "/").encode("ascii")
    shifts = []

    def replace(match):
        target = match.group(1)
        if not target.startswith(prefix):
            sys.exit("the PDF links a file outside the help: " + target.decode("ascii", "replace"))
        relative = b"/URI (" + target[len(prefix):] + b")"
        shifts.append((match.start(), len(relative) - len(match.group(0))))
        return relative

    fixed = re.sub(rb"/URI \((file://[^)]*)\)", replace, pdf)
    return with_offsets_moved(fixed, shifts) if shifts else pdf


def with_offsets_moved(pdf, shifts):
    """The cross-reference table and startxref of a PDF whose bytes before
    each position in shifts grew or shrank by its amount."""
    def moved(offset):
        return offset + sum(change for position, change in shifts if position < offset)

    found = re.search(rb"startxref\s+(\d+)\s+%%EOF\s*$", pdf)
    xref = moved(int(found.group(1))) if found else -1
    if xref < 0 or not pdf.startswith(b"xref", xref):
        sys.exit("the PDF has no cross-reference table where expected: has the printer changed?")
    trailer = pdf.index(b"trailer", xref)
    table = re.sub(rb"(\d{10}) (\d{5}) n", lambda m: b"%010d %s n" % (moved(int(m.group(1))), m.group(2)),
                   pdf[xref:trailer])
    result = pdf[:xref] + table + re.sub(rb"startxref\s+\d+", b"startxref\n%d" % xref, pdf[trailer:])
    for number, entry in enumerate(re.findall(rb"(\d{10}) \d{5} ([nf])", table)):
        if entry[1] == b"n" and not result.startswith(b"%d 0 obj" % number, int(entry[0])):
            sys.exit("object %d is not where the rewritten cross-reference table says" % number)
    return result


def make_pdf(mht_file, out_file):
    profile = tempfile.mkdtemp(prefix="veltor-help-chromium-")
    try:
        printed = os.path.join(profile, "Help.pdf")
        subprocess.run([chromium(), *CHROMIUM_FLAGS, "--user-data-dir=" + profile, "--no-pdf-header-footer",
                        "--print-to-pdf=" + printed, "file://" + os.path.abspath(mht_file)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
        with open(printed, "rb") as pdf:
            content = pdf.read()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    if not content.startswith(b"%PDF-"):
        sys.exit("Chromium printed no PDF from " + mht_file)
    epoch = int(os.environ.get("SOURCE_DATE_EPOCH", "0"))
    with open(out_file, "wb") as out:
        out.write(relative_links(fixed_dates(content, epoch), os.path.dirname(mht_file)))


class DevTools:
    """Chromium's DevTools protocol over the pipe of --remote-debugging-pipe:
    NUL-terminated JSON, commands on the browser's fd 3, answers on its fd 4."""

    def __init__(self, profile, environment=None):
        to_browser_read, self.to_browser = os.pipe()
        self.from_browser, from_browser_write = os.pipe()

        def give_pipes():
            ours = os.dup(to_browser_read), os.dup(from_browser_write)
            os.dup2(ours[0], 3)
            os.dup2(ours[1], 4)

        self.process = subprocess.Popen(
            [chromium(), *CHROMIUM_FLAGS, "--user-data-dir=" + profile, "--remote-debugging-pipe",
             "--window-size=1000,1400", "--hide-scrollbars", "about:blank"],
            preexec_fn=give_pipes, close_fds=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            env={**os.environ, **(environment or {})})
        os.close(to_browser_read)
        os.close(from_browser_write)
        self.pending = b""
        self.last_id = 0
        self.session = None

    def send(self, method, params=None):
        self.last_id += 1
        message = {"id": self.last_id, "method": method, "params": params or {}}
        if self.session:
            message["sessionId"] = self.session
        os.write(self.to_browser, json.dumps(message).encode("utf-8") + b"\0")
        return self.last_id

    ANSWER_WAIT_S = 60

    def receive(self):
        while b"\0" not in self.pending:
            if not select.select([self.from_browser], [], [], self.ANSWER_WAIT_S)[0]:
                sys.exit("Chromium gave no answer within %d s" % self.ANSWER_WAIT_S)
            chunk = os.read(self.from_browser, 1 << 16)
            if not chunk:
                sys.exit("Chromium ended before it answered")
            self.pending += chunk
        message, self.pending = self.pending.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, params=None):
        wanted = self.send(method, params)
        while True:
            message = self.receive()
            if message.get("id") == wanted:
                if "error" in message:
                    sys.exit("%s: %s" % (method, message["error"]))
                return message["result"]

    def open_page(self, url):
        pages = [t for t in self.call("Target.getTargets")["targetInfos"] if t["type"] == "page"]
        self.session = self.call("Target.attachToTarget", {"targetId": pages[0]["targetId"],
                                                           "flatten": True})["sessionId"]
        self.call("Page.enable")
        self.send("Page.navigate", {"url": url})
        while self.receive().get("method") != "Page.loadEventFired":
            pass

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            sys.exit("in the page: %s" % result["exceptionDetails"])
        return result["result"]["value"]

    def close(self):
        """Never raises, so that it cannot hide the failure that ended the check."""
        self.session = None
        try:
            self.send("Browser.close")
            self.process.wait(timeout=30)
        except (OSError, subprocess.TimeoutExpired):
            self.process.kill()
            self.process.wait()
        finally:
            os.close(self.to_browser)
            os.close(self.from_browser)


# Each picture decoded, or why not.
PICTURES_SCRIPT = """Promise.all([...document.images].map(img => img.decode().then(
    () => ({src: img.getAttribute('src'), width: img.naturalWidth}),
    () => ({src: img.getAttribute('src'), width: 0}))))"""

# Letters drawn in the page's own font: where no font has them, every one
# comes out as the same box (or nothing), so distinct, inked drawings show
# that the Cyrillic text renders.
LETTERS_SCRIPT = """(() => {
  const canvas = document.createElement('canvas');
  canvas.width = 40; canvas.height = 40;
  const context = canvas.getContext('2d', {willReadFrequently: true});
  context.font = '28px ' + getComputedStyle(document.body).fontFamily;
  return [...'ЗжєїґЮ'].map(letter => {
    context.clearRect(0, 0, 40, 40);
    context.fillText(letter, 4, 32);
    const pixels = context.getImageData(0, 0, 40, 40).data;
    let inked = 0, digest = 0;
    for (let i = 3; i < pixels.length; i += 4) {
      if (pixels[i]) ++inked;
      digest = (digest * 31 + pixels[i]) % 1000000007;
    }
    return {letter, inked, digest};
  });
})()"""

TEXT_SCRIPT = """({charset: document.characterSet, text: document.body.innerText,
  codes: [...document.querySelectorAll('#exit-codes tr td:first-child')].map(cell => cell.textContent.trim())})"""


def written_words(mht_file):
    """The words of the page's body as its source has them, with its markup
    read as a space or as nothing ("<code>a</code>," reads "a,")."""
    with open(mht_file, "rb") as archive:
        message = email.message_from_binary_file(archive)
    page = next(part for part in message.walk() if part.get_content_type() == "text/html")
    source = page.get_payload(decode=True).decode("utf-8")
    body = source[source.index("<body"):]
    return {word for gap in (" ", "") for word in html.unescape(re.sub(r"<[^>]+>", gap, body)).split()}


def exit_codes_of(header):
    with open(header, encoding="utf-8") as source:
        return re.findall(r"^\s*\w+ = (\d+),", source.read(), re.MULTILINE)


def problems_in(pictures, letters, page, codes, words):
    problems = []
    run_together = sorted(set(page["text"].split()) - words)
    if run_together:
        problems.append("words that the page does not have (lines run together?): " + " ".join(run_together[:5]))
    if len(pictures) < 5:
        problems.append("only %d pictures in the page" % len(pictures))
    problems += ["picture %s does not load" % p["src"] for p in pictures if p["width"] <= 0]
    if page["charset"] != "UTF-8":
        problems.append("the page is read as " + page["charset"])
    for words in ("З'єднати", "Програмувати", "Верифікація успішна!"):
        if words not in page["text"]:
            problems.append("the text lacks " + words)
    blank = [entry["letter"] for entry in letters if entry["inked"] == 0]
    if blank or len({entry["digest"] for entry in letters}) < len(letters):
        problems.append("Cyrillic letters do not render (blank: %s)" % "".join(blank))
    if page["codes"] != codes:
        problems.append("exit codes in the page %s, the command line's %s" % (page["codes"], codes))
    return problems


def problems_in_browser(mht_file, shot_file, exit_codes_header, environment=None, report=False):
    profile = tempfile.mkdtemp(prefix="veltor-help-chromium-")
    try:
        browser = DevTools(profile, environment)
        try:
            browser.open_page("file://" + os.path.abspath(mht_file))
            pictures = browser.evaluate(PICTURES_SCRIPT)
            letters = browser.evaluate(LETTERS_SCRIPT)
            page = browser.evaluate(TEXT_SCRIPT)
            shot = browser.call("Page.captureScreenshot", {"format": "png"})
        finally:
            browser.close()
    finally:
        shutil.rmtree(profile, ignore_errors=True)
    with open(shot_file, "wb") as out:
        out.write(base64.b64decode(shot["data"]))
    if report:
        for picture in pictures:
            print("  %s: %d pixels wide" % (picture["src"], picture["width"]))
        print("  Cyrillic letters drawn: %s" % ", ".join("%s %d" % (e["letter"], e["inked"]) for e in letters))
    return problems_in(pictures, letters, page, exit_codes_of(exit_codes_header), written_words(mht_file))


def check(mht_file, shot_file, exit_codes_header):
    problems = problems_in_browser(mht_file, shot_file, exit_codes_header, report=True)
    for problem in problems:
        print("%s in Chromium: %s" % (mht_file, problem), file=sys.stderr)
    return 1 if problems else 0


def spoiled(mht, folder):
    """Copies of a good help file, each with a fault that the check must name:
    (file, environment for the browser, words of the problem it must report)."""
    page_start = mht.index(b"\r\n\r\n", mht.index(b"Content-Type: text/html")) + 4
    page_end = mht.index(b"\r\n--" + BOUNDARY.encode("ascii"), page_start)
    last_part = mht.rindex(b"--" + BOUNDARY.encode("ascii") + b"\r\n")
    as_8bit = (mht[:page_start].replace(b"quoted-printable", b"8bit")
               + crlf(quopri.decodestring(mht[page_start:page_end]).decode("utf-8")).encode("utf-8")
               + mht[page_end:])
    no_fonts = os.path.join(folder, "no-fonts.conf")
    with open(no_fonts, "w") as config:
        config.write("<?xml version=\"1.0\"?>\n<fontconfig><dir>%s</dir></fontconfig>\n" % folder)
    spoils = [("picture-lost.mht", mht[:last_part] + b"--" + BOUNDARY.encode("ascii") + b"--\r\n", None,
               "does not load"),
              ("lines-joined.mht", as_8bit, None, "run together"),
              ("no-fonts.mht", mht, {"FONTCONFIG_FILE": no_fonts}, "Cyrillic letters do not render")]
    for name, content, environment, expected in spoils:
        with open(os.path.join(folder, name), "wb") as out:
            out.write(content)
        yield os.path.join(folder, name), environment, expected


def check_fails(mht_file, exit_codes_header):
    """The check itself: each fault of a spoiled copy is found."""
    with open(mht_file, "rb") as archive:
        mht = archive.read()
    folder = tempfile.mkdtemp(prefix="veltor-help-spoiled-")
    missed = []
    try:
        for spoiled_file, environment, expected in spoiled(mht, folder):
            problems = problems_in_browser(spoiled_file, os.path.join(folder, "shot.png"), exit_codes_header,
                                           environment)
            found = any(expected in problem for problem in problems)
            print("  %s: %s" % (os.path.basename(spoiled_file), "found" if found else "MISSED"))
            if not found:
                missed.append("%s: expected \"%s\", got %s" % (os.path.basename(spoiled_file), expected, problems))
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    for miss in missed:
        print("the help check misses a fault: " + miss, file=sys.stderr)
    return 1 if missed else 0


def main(arguments):
    commands = {"mht": (make_mht, 3), "pdf": (make_pdf, 2), "check": (check, 3), "check-fails": (check_fails, 2)}
    if not arguments or arguments[0] not in commands or len(arguments) != commands[arguments[0]][1] + 1:
        sys.exit(__doc__)
    function = commands[arguments[0]][0]
    return function(*arguments[1:]) or 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
