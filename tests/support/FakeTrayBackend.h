// SPDX-License-Identifier: MIT
// A notification area that records what the program asked of it and lets a
// test play the user's clicks on the icon.
#pragma once

#include <QList>
#include <functional>

#include "shell/modSysTray.h"

class FakeTrayBackend : public TrayBackend {
public:
    struct Call {
        QString what;    // "add", "modify", "remove" or "message"
        qint64 icon = 0; // the icon's cache key
        QString tip;     // a message's title and body, joined by a line break
    };

    bool available = true;
    QList<Call> calls;
    std::function<void()> onRemove; // runs inside remove(), to see what happened before it

    bool isAvailable() const override { return available; }
    void add(const QIcon& icon, const QString& tip) override {
        calls.append({QStringLiteral("add"), icon.cacheKey(), tip});
    }
    void modify(const QIcon& icon, const QString& tip) override {
        calls.append({QStringLiteral("modify"), icon.cacheKey(), tip});
    }
    void remove() override {
        calls.append({QStringLiteral("remove"), 0, {}});
        if (onRemove)
            onRemove();
    }

    void showMessage(const QString& title, const QString& body, const QIcon& icon) override {
        calls.append({QStringLiteral("message"), icon.cacheKey(), title + u'\n' + body});
    }

    void userDoes(QSystemTrayIcon::ActivationReason reason) { emit activated(reason); }
    void hostGoesAway() {
        available = false;
        emit hostLost();
    }

    QStringList what() const {
        QStringList out;
        for (const Call& call : calls)
            out << call.what;
        return out;
    }
};
