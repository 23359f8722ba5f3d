#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""The score page in a real browser: headless Chromium, driven by Selenium, fills in the form
with a text and the recording of the game that wrote it, and finds the row on the leaderboard,
the nickname (which holds a <script> element) shown as text, and the board's picture.

Usage: browser_test.py GYROLAP_SCORES GYROLAP_SIM
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

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


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def genuine_pair(sim, folder):
    """The session's script is the recording; the text is what the simulator's game put on
    the clipboard."""
    recording = os.path.join(folder, "session.script")
    with open(recording, "w", encoding="utf-8") as out:
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
        print("ok: the form's entry is on the leaderboard, replayed, its nickname shown as text")
    finally:
        if driver:
            driver.quit()
        if service:
            service.terminate()
            service.wait(timeout=10)
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
