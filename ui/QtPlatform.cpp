// Qt versions of the platform services; see QtPlatform.h.
#include "ui/QtPlatform.h"

#include <QClipboard>
#include <QDate>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QTime>
#include <QUrl>
#include <chrono>
#include <cstring>

#include "ui/MainWindow.h"
#include "ui/ShortDate.h"

namespace gyrolap {

QtPlatform::QtPlatform(std::function<std::uint32_t()> clock) : clock_(std::move(clock)) {
    if (!clock_) {
        steadyClock_ = true;
        clock_ = [] {
            // Milliseconds on the monotonic clock, kept to 32 bits: it wraps every 49.7 days,
            // and every wait measures modulo 2^32.
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            return static_cast<std::uint32_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
        };
    }
}

QWidget* QtPlatform::OpenMessage() const {
    return message_ && message_->isVisible() ? message_.data() : nullptr;
}

std::uint32_t QtPlatform::Clock() {
    return clock_();
}

void QtPlatform::ReseedRandom() {
    // Seconds since midnight, as a 32-bit float, like the original's re-seeding.
    const float seconds = static_cast<float>(QTime::currentTime().msecsSinceStartOfDay()) / 1000.0f;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    random_.seed(bits);
}

float QtPlatform::NextRandom() {
    if (source_) return source_();
    // 24 random bits give every float step in [0, 1) and never round up to 1.
    return static_cast<float>(random_.bounded(1u << 24)) / 16777216.0f;
}

std::string QtPlatform::ShortDate() {
    return ShortDateText(QLocale::system(), QDate::currentDate());
}

void QtPlatform::SetClipboardText(std::string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->clear();
    clipboard->setText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void QtPlatform::ShowMessage(std::string_view title, std::string_view text) {
    // One box, made once and shown again for every message: a long session shows thousands,
    // and building and tearing down a dialog each time only churns the heap.
    if (!message_ || message_->parentWidget() != window_.data()) {
        delete message_.data();
        auto* box = new QMessageBox(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok,
                                    window_.data());
        // Modal for the whole application, yet shown without a nested event loop: the game's
        // activity waits for the box on the activity stack, not on the native stack.
        box->setWindowModality(Qt::ApplicationModal);
        QObject::connect(box, &QDialog::finished, box, [this] {
            if (messageClosed_) messageClosed_();
        });
        message_ = box;
    }
    QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    message_->setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    message_->setText(body);
    message_->show();
}

void QtPlatform::OpenUrl(std::string_view url) {
    // Whether the desktop can open it or not, the game goes on.
    QDesktopServices::openUrl(
        QUrl(QString::fromUtf8(url.data(), static_cast<qsizetype>(url.size()))));
}

void QtPlatform::FocusActionButton() {
    if (window_) window_->focusActionButton();
}

}  // namespace gyrolap
