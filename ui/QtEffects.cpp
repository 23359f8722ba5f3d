// SPDX-License-Identifier: MIT
// The game's effects in the window; see QtEffects.h.
#include "ui/QtEffects.h"

#include <QAbstractButton>
#include <QClipboard>
#include <QGuiApplication>
#include <QMessageBox>
#include <QThread>

#include "ui/MainWindow.h"

namespace gyrolap {
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

// Watching a recording, the box looks exactly as the player's did, but the watcher's hand does
// not reach it: clicks and keys on the box or its button, and a close from the title bar, go
// nowhere. The recording closes the box when the player did.
class WatcherKeepsOff final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
                return true;
            case QEvent::Close:
                event->ignore();
                return true;
            default:
                return false;
        }
    }
};

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

QtEffects::QtEffects(MainWindow& window, Mode mode)
    : window_(window), mode_(mode), windowThread_(std::make_unique<WindowThreadQueue>()) {}

QtEffects::~QtEffects() {
    delete message_.data();
}

template <class Action>
void QtEffects::OnWindowThread(Action&& action) {
    if (QThread::currentThread() == windowThread_->thread()) {
        action();
        return;
    }
    windowThread_->Post(std::forward<Action>(action));
}

QWidget* QtEffects::OpenMessage() const {
    return message_ && message_->isVisible() ? message_.data() : nullptr;
}

void QtEffects::HandOverSubmission(std::string_view text) {
    // Watching a recording must not overwrite what the watcher has on the clipboard.
    if (mode_ == Mode::Watching) return;
    OnWindowThread([text = FromUtf8(text)] {
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        clipboard->setText(text);
    });
}

void QtEffects::ShowMessage(std::string_view title, std::string_view text) {
    OnWindowThread([this, title = std::string(title), text = std::string(text)] {
        ShowMessageNow(title, text);
    });
}

void QtEffects::ShowMessageNow(std::string_view title, std::string_view text) {
    // One box, made once and shown again for every message: a long session shows thousands,
    // and building and tearing down a dialog each time only churns the heap.
    if (!message_) {
        auto* box = new GameMessageBox(&window_);
        // Modal for the whole application, yet shown without a nested event loop: the game's
        // activity waits for the box on the activity stack, not on the native stack.
        box->setWindowModality(Qt::ApplicationModal);
        QObject::connect(box, &QDialog::finished, box, [this] {
            if (messageClosed_ && mode_ == Mode::Playing) messageClosed_();
        });
        if (mode_ == Mode::Watching) {
            auto* keepOff = new WatcherKeepsOff(box);
            box->installEventFilter(keepOff);
            for (QWidget* part : box->findChildren<QWidget*>()) part->installEventFilter(keepOff);
        }
        message_ = box;
    }
    QString body = FromUtf8(text);
    body.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    message_->setWindowTitle(FromUtf8(title));
    message_->setText(body);
    message_->show();
}

void QtEffects::CloseMessage() {
    if (message_) message_->hide();
}

void QtEffects::FocusActionButton() {
    OnWindowThread([this] { window_.focusActionButton(); });
}

}  // namespace gyrolap
