// SPDX-License-Identifier: MIT
#include "StatsScript.h"

#include "StatsText.h"
#include "script_engine/SshTarnSocket.h"
#include "script_engine/TarnText.h"

namespace StatsScript {

namespace {

// "\n" in a quoted argument is the line break that ends what the router is to read.
const QString& NewLine = TarnText::LineBreakEscape;

// A model's double quote is sent as one; the language has no other escape to mind.
QString escaped(QString text) {
    return text.replace(u'"', TarnText::QuoteEscape);
}

// The text in double quotes, as a script argument.
QString Quote(const QString& text) {
    return u'"' + text + u'"';
}

} // namespace

bool OverSsh(const QString& router) {
    return router.simplified().startsWith(SshScheme, Qt::CaseInsensitive);
}

QStringList Lines(const RouterModel& model, const QString& router, const QString& user, const QString& password) {
    using namespace StatsText;
    // The control reads the first blank as the end of the address.
    QStringList lines{HostWord + router.simplified()};
    // The user name and password go in exactly as typed.
    if (!OverSsh(router)) {
        lines << WaitWord + Quote(escaped(model.userPrompt)) << SendWord + Quote(user + NewLine)
              << WaitWord + Quote(escaped(model.passwordPrompt)) << SendWord + Quote(password + NewLine);
    }
    lines << WaitWord + Quote(escaped(model.shellPrompt)) << SendWord + Quote(escaped(model.command) + NewLine)
          << WaitWord + Quote(escaped(model.endText));
    return lines;
}

} // namespace StatsScript
