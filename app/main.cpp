// SPDX-License-Identifier: MIT
// gyrolap: the game in its window. `--record FILE` writes the session down as it is played;
// `--replay FILE` plays such a recording (or any simulator script) back in the window. The
// game's own thread asks for real-time scheduling; `--verbose` says what it got.
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <unistd.h>

#include <QApplication>
#include <QCommandLineParser>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "app/GameProgram.h"
#include "game/GameState.h"
#include "sim/SessionFolder.h"
#include "submit/SafeText.h"

namespace {

constexpr const char* kUsage =
    "usage: gyrolap [--record FILE | --replay FILE] [--verbose]\n"
    "       gyrolap --record-session [--keep SESSIONS[,SIZE]] [--verbose]\n"
    "       gyrolap --help | --version\n"
    "Plays Gyrolap in a window.\n"
    "  --record FILE     also write the session to FILE as a gyrolap-sim script, line by line\n"
    "  --record-session  record the session into a new file named by its start time in\n"
    "                    $XDG_DATA_HOME/gyrolap/recordings (~/.local/share/gyrolap/recordings)\n"
    "  --keep SESSIONS[,SIZE]\n"
    "                    with --record-session: keep at most SESSIONS sessions there, this\n"
    "                    one included, and the older ones within SIZE (suffix K, M or G);\n"
    "                    older sessions are deleted first, those whose text went to the\n"
    "                    clipboard last (default 200,500M)\n"
    "  --replay FILE     play a recording (or any gyrolap-sim script) back in the window\n"
    "  --verbose         say on standard error which priority the game's thread got:\n"
    "                    realtime-direct, realtime-rtkit (through RealtimeKit) or normal\n"
    "  --help            show this text and exit\n"
    "  --version         show the version and exit\n"
    "Exit status: 0 when the window is closed, 1 when there is no display to open it on,\n"
    "2 for bad usage or a FILE that cannot be written or read, 3 when a replayed script runs\n"
    "out of random values.\n";

constexpr int kExitNoDisplay = 1;
constexpr int kExitUsage = 2;

int UsageError(const std::string& message) {
    std::fprintf(stderr, "gyrolap: %s\n%s", message.c_str(), kUsage);
    return kExitUsage;
}

// Qt's own options, which QApplication takes for itself: known here so they are not refused.
const QStringList kQtOptionsWithValue = {
    "platform",    "platformpluginpath", "platformtheme", "plugin",  "qwindowgeometry",
    "qwindowicon", "qwindowtitle",       "session",       "display", "geometry",
    "style",       "stylesheet",         "name",          "title"};
const QStringList kQtFlags = {"reverse", "nograb", "dograb", "sync", "widgetcount"};

// Reads the command line before anything opens a display, so --help and --version need none.
// An exit status when the program must end at once.
std::optional<int> ReadCommandLine(int argc, char** argv, gyrolap::GameOptions& options,
                                   QString& platform) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    // Qt's options are written with one dash and a whole word: -platform offscreen.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption version("version");
    const QCommandLineOption record("record", QString(), "FILE");
    const QCommandLineOption recordSession("record-session");
    const QCommandLineOption keep("keep", QString(), "SESSIONS");
    const QCommandLineOption replay("replay", QString(), "FILE");
    const QCommandLineOption verbose("verbose");
    parser.addOptions({help, version, record, recordSession, keep, replay, verbose});
    for (const QString& name : kQtOptionsWithValue) {
        QCommandLineOption option(name, QString(), "VALUE");
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const QString& name : kQtFlags) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    if (!parser.parse(arguments)) {
        if (!parser.unknownOptionNames().isEmpty()) {
            const QString name = parser.unknownOptionNames().first();
            return UsageError("unknown option " + std::string(name.size() == 1 ? "-" : "--") +
                              name.toStdString());
        }
        for (const QCommandLineOption* needing : {&record, &replay, &keep}) {
            if (parser.errorText().contains("'--" + needing->names().first() + "'"))
                return UsageError("--" + needing->names().first().toStdString() + " needs " +
                                  (needing == &keep ? "SESSIONS[,SIZE]" : "a FILE"));
        }
        return UsageError(parser.errorText().toStdString());
    }
    if (parser.isSet(help)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("gyrolap %s\n", gyrolap::kVersionText);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty()) {
        const std::string stray = parser.positionalArguments().first().toStdString();
        return UsageError("unexpected argument '" + stray +
                          "' (to watch a recording: gyrolap --replay " + stray + ")");
    }
    for (const QCommandLineOption* named : {&record, &replay}) {
        // An empty FILE names no file: taken as given, it would leave the game playing
        // unrecorded, or replaying nothing, without a word.
        if (parser.isSet(*named) && parser.value(*named).isEmpty())
            return UsageError("--" + named->names().first().toStdString() + " needs a FILE");
    }
    options.record = parser.value(record).toStdString();
    options.replay = parser.value(replay).toStdString();
    options.verbose = parser.isSet(verbose);
    options.recordSession = parser.isSet(recordSession);
    std::vector<std::string> recordings;
    for (const QCommandLineOption* named : {&record, &recordSession, &replay})
        if (parser.isSet(*named)) recordings.push_back("--" + named->names().first().toStdString());
    if (recordings.size() > 1)
        return UsageError(recordings[0] + " and " + recordings[1] + " cannot go together");
    if (parser.isSet(keep)) {
        if (!options.recordSession) return UsageError("--keep goes only with --record-session");
        const std::string value = parser.value(keep).toStdString();
        const auto limits = gyrolap::sim::ParseKeep(value);
        if (!limits) {
            return UsageError(
                "--keep needs a number of sessions from 1, perhaps with a size such as 500M "
                "after a comma (200,500M), not '" +
                gyrolap::Shortened(value, 40) + "'");
        }
        options.keep = *limits;
    }
    platform = parser.value("platform");
    return std::nullopt;
}

constexpr const char* kNoDisplay =
    "gyrolap: no display to open the window on (%s); on a machine without a screen, run it on a "
    "private virtual one: xvfb-run -a gyrolap\n";

// Whether a window can open at all, as far as the environment tells before Qt tries: Qt ends
// the program with an abort when it reaches no display.
std::optional<int> CheckDisplay(const QString& platform) {
    const QString chosen = !platform.isEmpty() ? platform : qEnvironmentVariable("QT_QPA_PLATFORM");
    if (chosen.isEmpty() && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, kNoDisplay, "neither DISPLAY nor WAYLAND_DISPLAY is set");
        return kExitNoDisplay;
    }
    return std::nullopt;
}

// A display named but out of reach: Qt's last words before it aborts are turned into ours, and
// a plain exit.
void SayNoDisplayInsteadOfAborting(QtMsgType type, const QMessageLogContext&,
                                   const QString& message) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, kNoDisplay, "the window system could not be reached");
        std::fprintf(stderr, "gyrolap: %s\n", qPrintable(message));
        ::_exit(kExitNoDisplay);
    }
    std::fprintf(stderr, "%s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef __linux__
    // Timer slack is per thread. The window's thread wakes a replay at its precise instants,
    // and the default 50 us of slack would be added to each of those wake-ups. (The game's
    // own thread sets its slack itself.)
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
    gyrolap::GameOptions options;
    QString platform;
    if (const auto status = ReadCommandLine(argc, argv, options, platform)) return *status;

    gyrolap::GameProgram program;
    // Whatever the command line names is checked before the window opens.
    // A session's file is made, and old ones cleared away, only for a game that can open its
    // window.
    if (options.recordSession)
        if (const auto status = CheckDisplay(platform)) return *status;
    if (const auto status = program.Prepare(options)) return *status;
    if (const auto status = CheckDisplay(platform)) return *status;

    const QtMessageHandler previous = qInstallMessageHandler(SayNoDisplayInsteadOfAborting);
    QApplication app(argc, argv);
    qInstallMessageHandler(previous);
    QApplication::setApplicationName(QStringLiteral("Gyrolap"));
    QApplication::setDesktopFileName(QStringLiteral(GYROLAP_APP_ID));
    program.Start();
    const int status = QApplication::exec();
    return program.Finish(status);
}
