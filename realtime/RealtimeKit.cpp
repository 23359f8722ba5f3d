// SPDX-License-Identifier: MIT
// RealtimeKit over Qt's D-Bus; see RealtimeKit.h.
#include "realtime/RealtimeKit.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>
#include <atomic>

namespace gyrolap::realtime {
namespace {

const QString kService = QStringLiteral("org.freedesktop.RealtimeKit1");
const QString kPath = QStringLiteral("/org/freedesktop/RealtimeKit1");
const QString kInterface = QStringLiteral("org.freedesktop.RealtimeKit1");

std::string ErrorText(const QString& name, const QString& message) {
    return (name + QStringLiteral(": ") + message).toStdString();
}

std::string ErrorText(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ErrorMessage)
        return ErrorText(reply.errorName(), reply.errorMessage());
    return "an answer of the wrong kind";
}

// A whole number however the service typed it; false for anything else.
bool WholeNumber(QVariant value, std::int64_t& number) {
    if (value.canConvert<QDBusVariant>()) value = qvariant_cast<QDBusVariant>(value).variant();
    switch (value.metaType().id()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::UChar:
            number = value.toLongLong();
            return true;
        case QMetaType::ULongLong: {
            const qulonglong big = value.toULongLong();
            number = big > static_cast<qulonglong>(INT64_MAX) ? INT64_MAX
                                                              : static_cast<std::int64_t>(big);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

RealtimeKit::RealtimeKit(const std::string& busAddress, int timeoutMs) : timeoutMs_(timeoutMs) {
    static std::atomic<int> serial{0};
    name_ = "gyrolap-realtime-" + std::to_string(++serial);
    if (!QCoreApplication::instance()) {
        connectError_ = "no application object to run D-Bus";
        return;
    }
    const QString name = QString::fromStdString(name_);
    const QDBusConnection bus =
        busAddress.empty()
            ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
            : QDBusConnection::connectToBus(QString::fromStdString(busAddress), name);
    if (!bus.isConnected()) {
        const QDBusError error = bus.lastError();
        connectError_ = error.isValid() ? ErrorText(error.name(), error.message())
                                        : std::string("the bus cannot be reached");
    }
}

RealtimeKit::~RealtimeKit() {
    if (QCoreApplication::instance())
        QDBusConnection::disconnectFromBus(QString::fromStdString(name_));
}

bool RealtimeKit::ReadLimits(KitLimits& limits, std::string& error) const {
    if (!connectError_.empty()) {
        error = connectError_;
        return false;
    }
    const QDBusConnection bus(QString::fromStdString(name_));
    const auto read = [&](const char* property, std::int64_t& number) {
        QDBusMessage get = QDBusMessage::createMethodCall(
            kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Get"));
        get << kInterface << QString::fromLatin1(property);
        const QDBusMessage reply = bus.call(get, QDBus::Block, timeoutMs_);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            error = ErrorText(reply);
            return false;
        }
        if (reply.arguments().size() != 1 || !WholeNumber(reply.arguments().front(), number)) {
            error = std::string(property) + " is not a number";
            return false;
        }
        return true;
    };
    return read("MaxRealtimePriority", limits.maxPriority) &&
           read("RTTimeUSecMax", limits.rtTimeUsecMax);
}

bool RealtimeKit::MakeThreadRealtime(std::uint64_t tid, std::uint32_t priority,
                                     std::string& error) const {
    if (!connectError_.empty()) {
        error = connectError_;
        return false;
    }
    const QDBusConnection bus(QString::fromStdString(name_));
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                       QStringLiteral("MakeThreadRealtime"));
    call << QVariant::fromValue(static_cast<qulonglong>(tid))
         << QVariant::fromValue(static_cast<uint>(priority));
    const QDBusMessage reply = bus.call(call, QDBus::Block, timeoutMs_);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        error = ErrorText(reply);
        return false;
    }
    return true;
}

}  // namespace gyrolap::realtime
