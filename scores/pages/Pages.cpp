// SPDX-License-Identifier: MIT
// Making the pages; see Pages.h.
#include "scores/pages/Pages.h"

#include <QString>
#include <cstdio>

#include "scores/intake/FactsJson.h"

namespace gyrolap::scores {
namespace {

std::string Page(std::string_view title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<title>" +
           Html(title) +
           " - Gyrolap scores</title>\n<link rel=\"stylesheet\" href=\"/style.css\">\n</head>\n"
           "<body>\n<header><a class=\"home\" href=\"/\">Gyrolap scores</a>\n"
           "<nav><a href=\"/\">Leaderboard</a> <a href=\"/claims\">Claims</a> "
           "<a href=\"/submit\">Send a score</a></nav>"
           "</header>\n<main>\n" +
           body + "</main>\n</body>\n</html>\n";
}

std::string Place(const Entry& entry) {
    std::string place;
    for (const std::string* part : {&entry.city, &entry.state, &entry.country}) {
        if (part->empty()) continue;
        if (!place.empty()) place += ", ";
        place += *part;
    }
    return place;
}

// Told apart by a mark and a word as well as by colour.
std::string VerdictHtml(Verdict verdict) {
    if (verdict == Verdict::Replayed)
        return "<span class=\"verdict replayed\">&#10004; replayed</span>";
    return "<span class=\"verdict sealed\">sealed</span>";
}

std::string EntryLink(const Entry& entry) {
    return "/submissions/" + std::to_string(entry.id);
}

std::string Row(std::string_view name, const std::string& valueHtml) {
    return "<tr><th scope=\"row\">" + Html(name) + "</th><td>" + valueHtml + "</td></tr>\n";
}

std::string Number(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::string SpreadHtml(const StoredSpread& spread, const char* low, const char* high) {
    if (spread.count == 0) return "none";
    return std::to_string(spread.median) + " ms middle, " + std::to_string(spread.low) + "&ndash;" +
           std::to_string(spread.high) + " ms for most (" + low + "&ndash;" + high + "), " +
           std::to_string(spread.min) + "&ndash;" + std::to_string(spread.max) + " ms in all; " +
           std::to_string(spread.count) + " counted";
}

std::string PlayedHtml(const Entry& entry) {
    if (entry.verdict != Verdict::Replayed) {
        return "<p>No recording came with this text. Its code shows it is a text the game could "
               "write; it does not show that the game was played.</p>\n";
    }
    const StoredFacts facts = ReadFacts(entry.facts);
    std::string rows;
    rows += Row("Games", std::to_string(facts.games));
    rows += Row("Presses", std::to_string(facts.presses) + ", " +
                               std::to_string(facts.goodPresses) + " of them good");
    rows += Row("Highest level", std::to_string(facts.highestLevel));
    rows += Row("Reaction time", SpreadHtml(facts.reactionMs, "p10", "p90") +
                                     " <span class=\"hint\">(particle entering the ring to "
                                     "the press)</span>");
    // The game's thread wakes on the very millisecond in a real window as well as in a
    // recording a program wrote: the figure is shown, and said to prove nothing of who played.
    rows +=
        Row("Wake-ups late by",
            SpreadHtml(facts.wakeLateMs, "p90", "p99") + "; " + std::to_string(facts.wakesOnTime) +
                " of " + std::to_string(facts.wakeLateMs.count) +
                " on the very millisecond <span class=\"hint\">(the game's thread wakes on "
                "time in a real window too: this alone tells nothing of who played)</span>");
    std::string spread = std::to_string(facts.randomCount) + " drawn";
    if (facts.randomCount > 0) {
        spread += ", mean " + Number(facts.randomMean, 3) + ", spread " +
                  Number(facts.randomStdDev, 3) +
                  " <span class=\"hint\">(an even spread over 0 to 1: mean 0.5, spread "
                  "0.289)</span>";
    }
    rows += Row("Random values", spread);
    if (facts.cutAfterLine) {
        rows += Row("Recording", "stops without its end line, after line " +
                                     std::to_string(*facts.cutAfterLine));
    }
    return "<table class=\"facts\">\n" + rows + "</table>\n";
}

std::string DateHtml(const Entry& entry, const DateFacts& date) {
    std::string readings;
    for (const DateReading& reading : date.readings) {
        if (!readings.empty()) readings += " or ";
        const auto days = reading.daysBeforeReceived;
        readings += IsoDay(reading.day) + " (" +
                    (days >= 0 ? std::to_string(days) + " days before it came"
                               : std::to_string(-days) + " days after it came") +
                    ")";
    }
    if (readings.empty()) readings = "names no day of the calendar";
    std::string html = Html(entry.date) + ": " + readings;
    if (date.future) html += " <strong class=\"flag\">in the future</strong>";
    return html;
}

}  // namespace

std::string Html(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
        .toHtmlEscaped()
        .toStdString();
}

std::string BoardPage(Listing listing, const std::vector<Entry>& entries, std::size_t page,
                      std::size_t total) {
    const bool claims = listing == Listing::Sealed;
    const std::string path = claims ? "/claims" : "/";
    std::string body;
    if (claims) {
        body =
            "<h1>Claims</h1>\n<p class=\"legend\">Texts that the game could have written and "
            "that no recording proves: their validation code matches, and nothing more is "
            "known, since anyone can work a code out. Send the recording that wrote one, and "
            "it moves to <a href=\"/\">the leaderboard</a>.</p>\n";
    } else {
        body = "<h1>Leaderboard</h1>\n<p class=\"legend\">" + VerdictHtml(Verdict::Replayed) +
               " every score here was proved: a recording of the game was replayed and wrote "
               "this very text. Texts that came without one are listed apart, as <a "
               "href=\"/claims\">claims</a>.</p>\n";
    }
    if (entries.empty()) {
        body += page > 0 ? "<p>No scores on this page.</p>\n"
                : claims ? "<p>No claims.</p>\n"
                         : "<p>No proven scores yet. <a href=\"/submit\">Send the first</a>, "
                           "with its recording.</p>\n";
    } else {
        body +=
            "<table class=\"scores\">\n<thead><tr><th>#</th><th>Nickname</th><th>Place</th>"
            "<th>Best</th><th>Average</th><th>Date</th><th>Proof</th></tr></thead>\n<tbody>\n";
        std::size_t rank = page * kEntriesPerPage;
        for (const Entry& entry : entries) {
            body += "<tr class=\"" + std::string(VerdictName(entry.verdict)) +
                    "\"><td class=\"num\">" + std::to_string(++rank) +
                    "</td><td class=\"nickname\"><a href=\"" + EntryLink(entry) + "\">" +
                    Html(entry.nickname) + "</a></td><td>" + Html(Place(entry)) +
                    "</td><td class=\"num\">" + Html(entry.best) + "</td><td class=\"num\">" +
                    Html(entry.average) + "</td><td>" + Html(entry.date) + "</td><td>" +
                    VerdictHtml(entry.verdict) + "</td></tr>\n";
        }
        body += "</tbody>\n</table>\n";
    }
    std::string links;
    if (page > 0)
        links +=
            "<a href=\"" + path + "?page=" + std::to_string(page - 1) + "\">Better scores</a> ";
    if ((page + 1) * kEntriesPerPage < total)
        links += "<a href=\"" + path + "?page=" + std::to_string(page + 1) + "\">More scores</a>";
    if (!links.empty()) body += "<p class=\"pages\">" + links + "</p>\n";
    return Page(claims ? "Claims" : "Leaderboard", body);
}

std::string SubmitPage() {
    return Page(
        "Send a score",
        "<h1>Send a score</h1>\n"
        "<p>In Gyrolap, <b>Submit Score</b> puts your submission text on the clipboard. Paste it "
        "below with the nickname you want on the leaderboard and your city, state and "
        "country, or send the recording of the session alone: the score page replays it and "
        "takes the best text it put on the clipboard.</p>\n"
        "<form method=\"post\" action=\"/submit\" enctype=\"multipart/form-data\">\n"
        "<p><label for=\"nickname\">Nickname</label>\n"
        "<input id=\"nickname\" name=\"nickname\" required maxlength=\"40\"></p>\n"
        "<p><label for=\"city\">City</label>\n"
        "<input id=\"city\" name=\"city\" maxlength=\"60\"></p>\n"
        "<p><label for=\"state\">State</label>\n"
        "<input id=\"state\" name=\"state\" maxlength=\"60\"></p>\n"
        "<p><label for=\"country\">Country</label>\n"
        "<input id=\"country\" name=\"country\" maxlength=\"60\"></p>\n"
        "<p><label for=\"text\">Submission text (optional with a recording)</label>\n"
        "<textarea id=\"text\" name=\"text\" rows=\"3\" cols=\"60\"></textarea></p>\n"
        "<p><label for=\"recording\">Recording (optional with a text)</label>\n"
        "<input id=\"recording\" name=\"recording\" type=\"file\" "
        "accept=\".gyrolap,.script\"></p>\n"
        "<p class=\"hint\">Start Gyrolap with <b>Play and record</b> from your desktop's menu "
        "(or <code>gyrolap --record-session</code>): every session is kept in "
        "<code>~/.local/share/gyrolap/recordings/</code> (<code>$XDG_DATA_HOME/gyrolap/"
        "recordings/</code>), one <code>.gyrolap</code> file per session named by the time it "
        "started; those whose text went to the clipboard are marked <code>.submitted</code>. "
        "Send that file: the score page replays it, and a text the recorded game wrote is "
        "shown as <em>replayed</em>.</p>\n"
        "<p><button id=\"send\" type=\"submit\">Send</button></p>\n"
        "</form>\n");
}

std::string EntryPage(const Entry& entry, const DateFacts& date, bool hasBoard) {
    const std::string link = EntryLink(entry);
    std::string rows;
    rows += Row("Nickname", "<span class=\"nickname\">" + Html(entry.nickname) + "</span>");
    rows += Row("Place", Html(Place(entry)));
    rows += Row("Best", Html(entry.best));
    rows += Row("Average", Html(entry.average));
    rows += Row("Date", DateHtml(entry, date));
    rows += Row("Proof", VerdictHtml(entry.verdict));
    rows += Row("Received", UtcText(entry.received));
    rows += Row("Submission text", "<code class=\"text\">" + Html(entry.text) + "</code>");
    std::string body = "<h1><span class=\"nickname\">" + Html(entry.nickname) +
                       "</span>: " + Html(entry.best) + "</h1>\n<table class=\"entry\">\n" + rows +
                       "</table>\n";
    if (hasBoard) {
        body += "<h2>The board the recorded game ended on</h2>\n<p><img src=\"" + link +
                "/board.png\" alt=\"The final board of the recorded game\"></p>\n";
    }
    if (entry.verdict == Verdict::Replayed) {
        const std::string file = "gyrolap-" + std::to_string(entry.id) + ".gyrolap";
        body += "<p><a href=\"" + link + "/recording\" download=\"" + file +
                "\">Download the recording</a> and watch it: <code>gyrolap --replay " + file +
                "</code></p>\n";
    }
    body += "<h2>How it was played</h2>\n" + PlayedHtml(entry) +
            "<p class=\"hint\">Facts to help judge, not a verdict: a replay shows that the text "
            "follows from the recorded inputs under the game's rules, not that a person made "
            "them.</p>\n<p><a href=\"/api/submissions/" +
            std::to_string(entry.id) + "\">This entry as JSON</a></p>\n";
    return Page(entry.nickname + ": " + entry.best, body);
}

std::string ResultPage(int status, std::string_view message, const std::optional<Entry>& entry) {
    std::string body = "<h1>" + Html(message) + "</h1>\n";
    if (entry) {
        body += "<p><a href=\"" + EntryLink(*entry) +
                "\">Your entry</a>: <span "
                "class=\"nickname\">" +
                Html(entry->nickname) + "</span>, best " + Html(entry->best) + ", " +
                VerdictHtml(entry->verdict) + ".</p>\n";
    } else {
        body += "<p>Status " + std::to_string(status) +
                ". <a href=\"/submit\">Back to the form</a></p>\n";
    }
    body += "<p><a href=\"/\">The leaderboard</a></p>\n";
    return Page(message, body);
}

std::string MessagePage(int status, std::string_view message) {
    return Page(message, "<h1>" + Html(message) + "</h1>\n<p>Status " + std::to_string(status) +
                             ". <a href=\"/\">The leaderboard</a></p>\n");
}

std::string_view StyleSheet() {
    // A stranger's name or date may be one long word of wide letters: a cell may break it
    // anywhere, so no field can push the page, or the column that tells replayed from sealed,
    // past the edge of a phone's screen. The scores table takes the page's width: the nickname
    // and the place share most of it, a date as the game writes it keeps one line, and the
    // numbers (nine digits at most) never break; on a narrow screen the cells close up.
    return R"(body { font-family: sans-serif; margin: 0 auto; max-width: 60em; padding: 0 1em;
  color: #222; background: #fafafa; }
header { display: flex; flex-wrap: wrap; justify-content: space-between; align-items: baseline;
  border-bottom: 2px solid #a00; padding: .5em 0; }
header .home { font-weight: bold; font-size: 1.3em; color: #a00; text-decoration: none; }
nav a { margin-left: 1em; }
h1, h2, p { overflow-wrap: anywhere; }
table { border-collapse: collapse; margin: 1em 0; max-width: 100%; }
table.scores { width: 100%; table-layout: auto; }
th, td { padding: .3em .6em; text-align: left; border-bottom: 1px solid #ddd; }
td { overflow-wrap: anywhere; }
table.scores td.nickname { width: 20%; }
table.scores td.nickname + td { width: 30%; }
table.scores td.num + td:not(.num, .nickname) { width: 5.5em; }
td.num { text-align: right; font-variant-numeric: tabular-nums; overflow-wrap: normal; }
tr.replayed td { background: #eef8ee; }
.verdict { padding: .1em .4em; border-radius: .3em; font-size: .9em; white-space: nowrap;
  overflow-wrap: normal; }
.verdict.replayed { background: #1a7f37; color: #fff; }
.verdict.sealed { background: #ddd; color: #444; }
.hint { color: #666; font-size: .9em; }
.flag { color: #b00; }
code.text { word-break: break-all; }
img { max-width: 100%; height: auto; }
label { display: block; font-weight: bold; }
input, textarea { font: inherit; max-width: 100%; box-sizing: border-box; }
@media (max-width: 40em) {
  body { padding: 0 .5em; }
  table.scores { font-size: .8em; }
  table.scores th, table.scores td { padding: .3em .15em; }
  table.scores td.nickname, table.scores td.nickname + td { width: auto; }
  table.scores .verdict { white-space: normal; }
}
)";
}

}  // namespace gyrolap::scores
