#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The score page in a real browser: headless Chromium, driven by Selenium, fills in the form
with a text and the recording of the game that wrote it, and finds the row on the leaderboard,
the nickname (which holds a <script> element) shown as text, and the board's picture. Then,
beside entries with the widest names and the longest date the page takes, the leaderboard and
the entry pages keep within a phone's and a desktop's screen, the column that tells replayed
from sealed in view.

Usage: browser_test.py GYROLAP_SCORES GYROLAP_SIM [SCREENSHOT_FOLDER]
"""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import urllib.error
import urllib.request
import uuid

from selenium import webdriver
from selenium.common.exceptions import NoAlertPresentException, StaleElementReferenceException
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support import expected_conditions
from selenium.webdriver.support.ui import WebDriverWait

# Start, a good press, a press outside the ring, the box closed; then Submit Score once the
# track is laid out again: best 1, average .333.
SESSION = """random 0.3 0.7 0.61
at 2000 press
at 4950 press
at 5000 press
at 5100 ok
at 7000 submit
at 7100 ok
end 7200
"""
NICKNAME = "<script>alert('gotcha')</script> Ann"

# The widest names the page takes: the most characters a field may hold, of wide letters, with
# no blank where a line could break.
WIDE = "\u6771"  # a CJK ideograph, as wide as a letter gets
WIDE_ENTRIES = [
    {"nickname": "W" * 40, "city": "W" * 60, "state": "M" * 60, "country": "W" * 60},
    {"nickname": WIDE * 40, "city": WIDE * 60, "state": WIDE * 60, "country": WIDE * 60},
]
# The longest date the checker takes, in bytes (kMostDateBytes in submit/): a day and no blank,
# the rest two-byte letters.
MOST_DATE_BYTES = 32
LONGEST_DATE = "5/18/2001" + "\u0428" * ((MOST_DATE_BYTES - len("5/18/2001")) // 2)
# A phone held upright, and a desktop window.
SCREENS = [(390, 844, True), (1280, 800, False)]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def genuine_pair(sim, folder, date=None):
    """The session's script is the recording; the text is what the simulator's game put on
    the clipboard, with `date` as the game's short date when given."""
    recording = os.path.join(folder, "session.script")
    with open(recording, "w", encoding="utf-8") as out:
        if date:
            out.write("date " + date + "\n")
        out.write(SESSION)
    played = subprocess.run([sim, recording], capture_output=True, text=True, timeout=20,
                            check=True)
    texts = re.findall(r"^\d+ clipboard (\S+)$", played.stdout, re.MULTILINE)
    if len(texts) != 1:
        fail("the simulator put %d texts on the clipboard:\n%s" % (len(texts), played.stdout))
    return texts[0], recording


def start_service(program, folder):
    service = subprocess.Popen(
        [program, "--listen", "127.0.0.1:0", "--database",
         "sqlite:" + os.path.join(folder, "scores.sqlite")],
        stdout=subprocess.PIPE, text=True)
    line = service.stdout.readline()  # it says where it serves, or ends
    found = re.search(r"serving (http://127\.0\.0\.1:\d+)/", line)
    if not found:
        service.kill()
        fail("gyrolap-scores did not start: " + line)
    return service, found.group(1)


def post_sealed(base, fields, text):
    """Sends `text` without a recording through the API, with the names in `fields`."""
    boundary = uuid.uuid4().hex
    parts = []
    names = {"nickname": "", "city": "", "state": "", "country": ""}
    names.update(fields)
    for name, value in list(names.items()) + [("text", text)]:
        parts.append("--%s\r\nContent-Disposition: form-data; name=\"%s\"\r\n\r\n%s\r\n" %
                     (boundary, name, value))
    body = ("".join(parts) + "--%s--\r\n" % boundary).encode("utf-8")
    request = urllib.request.Request(
        base + "/api/submissions", data=body, method="POST",
        headers={"Content-Type": "multipart/form-data; boundary=" + boundary})
    try:
        with urllib.request.urlopen(request, timeout=20) as answer:
            status, created = answer.status, json.loads(answer.read())
    except urllib.error.HTTPError as refused:
        status, created = refused.code, {"answer": refused.read().decode("utf-8", "replace")}
    if status != 201 or created.get("verdict") != "sealed":
        fail("the entry %r was answered %d %r" % (fields, status, created))
    return created["id"]


def show_screen(driver, width, height, mobile):
    """The page's viewport as a phone's or a desktop's, whatever the headless window is."""
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride", {
        "width": width, "height": height, "deviceScaleFactor": 1, "mobile": mobile})


def overflow(driver):
    """How far the page reaches past the screen's right edge, in CSS pixels."""
    return driver.execute_script(
        "return document.documentElement.scrollWidth - window.innerWidth;")


def check_fits(driver, base, replayed_id, wide_ids, width, screenshots):
    # The replayed entry on the leaderboard, the sealed ones apart on the claims' page.
    for path, name, proofs in (("/", "leaderboard", ["\u2714 replayed"]),
                               ("/claims", "claims", ["sealed"] * len(wide_ids))):
        driver.get(base + path)
        rows = driver.find_elements(By.CSS_SELECTOR, "table.scores tbody tr")
        if len(rows) != len(proofs):
            fail("the %s has %d rows" % (name, len(rows)))
        if overflow(driver) > 0:
            fail("at %d px the %s is %d px wider than the screen" %
                 (width, name, overflow(driver)))
        # Each row's proof, wholly on the screen: its cell and the mark in it.
        places = driver.execute_script("""
            return Array.from(document.querySelectorAll('table.scores tbody tr')).map(row => {
                const mark = row.querySelector('.verdict');
                const cell = mark.closest('td').getBoundingClientRect();
                const shown = mark.getBoundingClientRect();
                return [mark.textContent, cell.left, cell.right, shown.left, shown.right];
            });""")
        for verdict, *edges in places:
            if min(edges) < 0 or max(edges) > driver.execute_script("return window.innerWidth;"):
                fail("at %d px the proof %r lies at %r, off the screen" % (width, verdict, edges))
        if sorted(p[0] for p in places) != sorted(proofs):
            fail("the proofs on the %s read %r" % (name, [p[0] for p in places]))
        if screenshots:
            driver.save_screenshot(os.path.join(screenshots, "%s-%d.png" % (name, width)))

    for entry in [replayed_id] + wide_ids:
        driver.get("%s/submissions/%d" % (base, entry))
        if overflow(driver) > 0:
            fail("at %d px the page of entry %d is %d px wider than the screen" %
                 (width, entry, overflow(driver)))
    driver.get("%s/submissions/%d" % (base, replayed_id))
    board = driver.find_element(By.CSS_SELECTOR, "img[alt='The final board of the recorded game']")
    fits = driver.execute_script("""
        const img = arguments[0], box = img.getBoundingClientRect();
        return [img.complete && img.naturalWidth > 0, box.left, box.right, box.width / box.height,
                img.naturalWidth / img.naturalHeight];""", board)
    loaded, left, right, shown_ratio, natural_ratio = fits
    if not loaded or left < 0 or right > width or abs(shown_ratio - natural_ratio) > 0.02:
        fail("at %d px the board's picture is %r" % (width, fits))
    if screenshots:
        driver.save_screenshot(os.path.join(screenshots, "entry-%d.png" % width))


def browser(folder):
    options = webdriver.ChromeOptions()
    options.binary_location = shutil.which("chromium") or "/usr/bin/chromium"
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                 "--no-first-run", "--disable-background-networking",
                 "--disable-component-update", "--disable-sync",
                 "--user-data-dir=" + os.path.join(folder, "profile")):
        options.add_argument(flag)
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver") or
                                              "/usr/bin/chromedriver"), options=options)
    driver.set_page_load_timeout(20)
    return driver


def main():
    scores_program, sim_program = sys.argv[1], sys.argv[2]
    screenshots = sys.argv[3] if len(sys.argv) > 3 else None
    folder = tempfile.mkdtemp(prefix="gyrolap-browser-")
    service = driver = None
    try:
        text, recording = genuine_pair(sim_program, folder)
        service, base = start_service(scores_program, folder)
        driver = browser(folder)
        wait = WebDriverWait(driver, 15)

        driver.get(base + "/submit")
        for field, value in (("nickname", NICKNAME), ("city", "Troms\u00f8"), ("state", ""),
                             ("country", "Norway"), ("text", text)):
            driver.find_element(By.ID, field).send_keys(value)
        driver.find_element(By.ID, "recording").send_keys(recording)
        form_heading = driver.find_element(By.TAG_NAME, "h1")
        driver.find_element(By.ID, "send").click()
        # The form's own page has a heading too: wait for it to go, then read the answer's,
        # which may still be coming in while the browser swaps the pages.
        wait.until(expected_conditions.staleness_of(form_heading))
        heading = WebDriverWait(driver, 15, ignored_exceptions=(StaleElementReferenceException,)).until(
            lambda d: d.find_element(By.TAG_NAME, "h1").text)
        if heading != "Your score is on the leaderboard":
            fail("the form was answered: " + heading)
        try:
            driver.switch_to.alert
            fail("the nickname ran as a script")
        except NoAlertPresentException:
            pass

        driver.get(base + "/")
        rows = driver.find_elements(By.CSS_SELECTOR, "table.scores tbody tr")
        if len(rows) != 1:
            fail("the leaderboard has %d rows" % len(rows))
        cells = [cell.text for cell in rows[0].find_elements(By.TAG_NAME, "td")]
        expected = ["1", NICKNAME, "Troms\u00f8, Norway", "1", ".333", "5/16/2001",
                    "\u2714 replayed"]
        if cells != expected:
            fail("the row reads %r, not %r" % (cells, expected))
        if driver.find_elements(By.TAG_NAME, "script"):
            fail("the page holds a script element")

        rows[0].find_element(By.LINK_TEXT, NICKNAME).click()
        board = wait.until(expected_conditions.presence_of_element_located(
            (By.CSS_SELECTOR, "img[alt='The final board of the recorded game']")))
        # A picture that failed to load shows as a small broken-image icon.
        size = board.size
        if size["width"] < 400 or size["height"] < 300:
            fail("the board's picture is %r" % size)
        if "gyrolap --replay" not in driver.find_element(By.TAG_NAME, "main").text:
            fail("the entry page does not say how to watch the recording")
        replayed_id = int(driver.current_url.rstrip("/").rsplit("/", 1)[1])

        # The sealed texts come from the same game on other days; the last holds the longest
        # date the checker takes.
        wide_ids = []
        for number, fields in enumerate(WIDE_ENTRIES + [{"nickname": "Longest date"}]):
            date = LONGEST_DATE if number == len(WIDE_ENTRIES) else "5/%d/2001" % (20 + number)
            wide_text, _ = genuine_pair(sim_program, folder, date)
            wide_ids.append(post_sealed(base, fields, wide_text))
        for width, height, mobile in SCREENS:
            show_screen(driver, width, height, mobile)
            check_fits(driver, base, replayed_id, wide_ids, width, screenshots)
        print("ok: the form's entry is on the leaderboard, replayed, its nickname shown as text;"
              " the widest names keep the pages within %s px" %
              " and ".join(str(w) for w, _, _ in SCREENS))
    finally:
        if driver:
            driver.quit()
        if service:
            service.terminate()
            service.wait(timeout=10)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
