// SPDX-License-Identifier: MIT
// What the score page's tests share: a scratch folder, valid texts, the form as a client sends
// it, raw requests on a socket, and JSON read back.
#pragma once

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QJsonDocument>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "game/GameState.h"
#include "submit/ValidationCode.h"

namespace gyrolap::testing {

class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& name) {
        static int serial = 0;
        path_ =
            std::filesystem::temp_directory_path() /
            ("gyrolap-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++serial));
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A text the game could have sealed: best and average as a board of three best scores shows
// them.
inline std::string SealedText(const std::string& best, const std::string& average,
                              const std::string& date = "5/16/2001", float draw = 0.5f) {
    return BuildSubmissionText(kVersionText, best, average, date, draw);
}

struct Form {
    std::string nickname = "Ann";
    std::string city = "Oslo";
    std::string state = "";
    std::string country = "Norway";
    std::string text;
    std::optional<std::string> recording;
};

inline httplib::MultipartFormDataItems Items(const Form& form) {
    httplib::MultipartFormDataItems items = {
        {"nickname", form.nickname, "", ""}, {"city", form.city, "", ""},
        {"state", form.state, "", ""},       {"country", form.country, "", ""},
        {"text", form.text, "", ""},
    };
    if (form.recording)
        items.push_back({"recording", *form.recording, "session.script", "text/plain"});
    return items;
}

// The body read as JSON; an empty document when it is not JSON.
inline QJsonDocument Json(const std::string& body) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(body));
}

// Sends `bytes` on a fresh connection and gives back what comes before the server closes, or
// what came within `wait` of the server's first byte. Nothing more is sent meanwhile.
inline std::string RawExchange(int port, const std::string& bytes,
                               std::chrono::milliseconds wait = std::chrono::seconds(5)) {
    const int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(sock, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(sock);
        return {};
    }
    ::send(sock, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    std::string answer;
    const auto end = std::chrono::steady_clock::now() + wait;
    char buffer[4096];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd fd{sock, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&fd, 1, static_cast<int>(left.count())) <= 0) break;
        const ssize_t got = ::recv(sock, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(sock);
    return answer;
}

}  // namespace gyrolap::testing
