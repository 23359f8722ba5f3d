// SPDX-License-Identifier: MIT
// A stand-in for RealtimeKit on a private bus, for the tests: it publishes the same interface,
// checks a request as the real daemon does (the priority within its bound, the thread one of the
// caller's, the caller's RLIMIT_RTTIME no larger than its bound), and then grants it or refuses
// it as told. It changes no thread's scheduling: it writes down each request it answered, one
// line on standard error before the answer, so the test can read what it was asked.
//
// usage: standin-realtimekit ADDRESS grant|refuse MAX_PRIORITY RTTIME_USEC_MAX
// Says "ready" on standard error once it owns its name, then serves until it is killed.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QObject>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// The hard "Max realtime timeout" of process `pid`, as the kernel shows it; "" when unknown.
std::string RealtimeLimit(quint32 pid) {
    std::ifstream limits("/proc/" + std::to_string(pid) + "/limits");
    std::string line;
    while (std::getline(limits, line)) {
        constexpr std::string_view kName = "Max realtime timeout";
        if (line.rfind(kName, 0) != 0) continue;
        char soft[32] = {}, hard[32] = {};
        if (std::sscanf(line.c_str() + kName.size(), "%31s %31s", soft, hard) == 2) return hard;
    }
    return "";
}

class StandIn : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.RealtimeKit1")
    Q_PROPERTY(int MaxRealtimePriority READ maxRealtimePriority)
    Q_PROPERTY(int MinNiceLevel READ minNiceLevel)
    Q_PROPERTY(qlonglong RTTimeUSecMax READ rtTimeUSecMax)

  public:
    StandIn(bool grant, int maxPriority, qlonglong rtTimeMax)
        : grant_(grant), maxPriority_(maxPriority), rtTimeMax_(rtTimeMax) {}
    int maxRealtimePriority() const { return maxPriority_; }
    int minNiceLevel() const { return -15; }
    qlonglong rtTimeUSecMax() const { return rtTimeMax_; }

  public slots:
    void MakeThreadRealtime(qulonglong thread, uint priority) {
        const quint32 pid = connection().interface()->servicePid(message().service()).value();
        Answer(pid, thread, priority);
    }
    void MakeThreadRealtimeWithPID(qulonglong process, qulonglong thread, uint priority) {
        Answer(static_cast<quint32>(process), thread, priority);
    }

  private:
    void Answer(quint32 pid, qulonglong thread, uint priority) {
        const std::string limit = RealtimeLimit(pid);
        std::fprintf(stderr, "request pid=%u thread=%llu priority=%u rttime=%s\n", pid,
                     static_cast<unsigned long long>(thread), priority, limit.c_str());
        if (priority < 1 || static_cast<int>(priority) > maxPriority_)
            return Refuse(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                          QStringLiteral("priority out of range"));
        if (!QFile::exists(QStringLiteral("/proc/%1/task/%2").arg(pid).arg(thread)))
            return Refuse(QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"),
                          QStringLiteral("no such thread in the calling process"));
        if (limit.empty() || limit == "unlimited" || std::stoll(limit) > rtTimeMax_)
            return Refuse(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                          QStringLiteral("RLIMIT_RTTIME missing or too large"));
        // A refusal carries a terminal escape, as a hostile service's might.
        if (!grant_)
            return Refuse(QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"),
                          QStringLiteral("Operation not permitted\x1b[2J"));
    }
    void Refuse(const QString& name, const QString& text) { sendErrorReply(name, text); }

    bool grant_;
    int maxPriority_;
    qlonglong rtTimeMax_;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5 || (std::strcmp(argv[2], "grant") != 0 && std::strcmp(argv[2], "refuse") != 0)) {
        std::fputs("usage: standin-realtimekit ADDRESS grant|refuse MAX_PRIORITY RTTIME_USEC_MAX\n",
                   stderr);
        return 2;
    }
    QCoreApplication app(argc, argv);
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromUtf8(argv[1]), "bus");
    StandIn kit(std::strcmp(argv[2], "grant") == 0, std::atoi(argv[3]), std::atoll(argv[4]));
    if (!bus.registerObject(
            QStringLiteral("/org/freedesktop/RealtimeKit1"), &kit,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService(QStringLiteral("org.freedesktop.RealtimeKit1"))) {
        std::fprintf(stderr, "standin-realtimekit: %s\n", qPrintable(bus.lastError().message()));
        return 1;
    }
    std::fputs("ready\n", stderr);
    return QCoreApplication::exec();
}

#include "StandInRealtimeKit.moc"
