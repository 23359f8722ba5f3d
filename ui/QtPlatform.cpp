// SPDX-License-Identifier: MIT
// Qt versions of the platform services; see QtPlatform.h.
#include "ui/QtPlatform.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QDate>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QThread>
#include <QTime>
#include <cstring>

#include "game/GameThread.h"
#include "ui/MainWindow.h"
#include "ui/ShortDate.h"

namespace gyrolap {

QtPlatform::~QtPlatform() = default;

template <class Action>
void QtPlatform::OnWindowThread(Action&& action) {
    if (QThread::currentThread() == windowThread_->thread()) {
        action();
        return;
    }
    windowThread_->Post(std::forward<Action>(action));
}

QtPlatform::QtPlatform(std::function<std::uint64_t()> clock)
    : windowThread_(std::make_unique<WindowThreadQueue>()), clock_(std::move(clock)) {
    if (!clock_) {
        steadyClock_ = true;
        // The clock the game's own thread keeps time by; the game keeps 32 bits of it, which
        // wrap every 49.7 days, and every wait measures modulo 2^32.
        clock_ = &SteadyTiming::Milliseconds;
    }
}

QWidget* QtPlatform::OpenMessage() const {
    return message_ && message_->isVisible() ? message_.data() : nullptr;
}

void QtPlatform::ReseedRandom() {
    // Seeded from the time of day: the bits of the seconds since midnight as a 32-bit float.
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
    if (dateSource_) return dateSource_();
    return ShortDateText(QLocale::system(), QDate::currentDate());
}

void QtPlatform::HandOverSubmission(std::string_view text) {
    // Watching a recording must not overwrite what the watcher has on the clipboard.
    if (playback_) return;
    OnWindowThread([text = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(text);
    });
}

namespace {

// The game's message box. It stands centred on the game window at every showing. Left to
// itself a dialog guesses its frame on the first showing, before the window system has told
// it, and lands some pixels away from where it appears later.
class GameMessageBox final : public QMessageBox {
  public:
    explicit GameMessageBox(QWidget* owner)
        : QMessageBox(QMessageBox::NoIcon, QString(), QString(), QMessageBox::Ok, owner) {}

  protected:
    void showEvent(QShowEvent* event) override {
        // Some desktop styles put an icon on every dialog button; ours carries its word only.
        // Done at every showing, as the style may have changed since the box was made.
        for (QAbstractButton* button : buttons()) button->setIcon(QIcon());
        // The base class fits the box to its text here, before the window is mapped.
        QMessageBox::showEvent(event);
        const QWidget* owner = parentWidget();
        if (owner == nullptr) return;
        // Client area on client area: the frames, known or not yet, play no part.
        const QRect area = owner->geometry();
        setGeometry(area.x() + (area.width() - width()) / 2,
                    area.y() + (area.height() - height()) / 2, width(), height());
    }
};

}  // namespace

void QtPlatform::ShowMessage(std::string_view title, std::string_view text) {
    OnWindowThread([this, title = std::string(title), text = std::string(text)] {
        ShowMessageNow(title, text);
    });
}

void QtPlatform::ShowMessageNow(std::string_view title, std::string_view text) {
    // One box, made once and shown again for every message: a long session shows thousands,
    // and building and tearing down a dialog each time only churns the heap.
    if (!message_ || message_->parentWidget() != window_.data()) {
        delete message_.data();
        auto* box = new GameMessageBox(window_.data());
        // Modal for the whole application, yet shown without a nested event loop: the game's
        // activity waits for the box on the activity stack, not on the native stack.
        box->setWindowModality(Qt::ApplicationModal);
        QObject::connect(box, &QDialog::finished, box, [this] {
            if (messageClosed_ && !playback_) messageClosed_();
        });
        message_ = box;
    }
    QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    message_->setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    message_->setText(body);
    // During a playback the box only shows what the player saw; the recording closes it.
    message_->setEnabled(!playback_);
    message_->show();
}

void QtPlatform::CloseMessage() {
    if (message_) message_->hide();
}

void QtPlatform::FocusActionButton() {
    OnWindowThread([this] {
        if (window_) window_->focusActionButton();
    });
}

}  // namespace gyrolap
