// SPDX-License-Identifier: MIT
// Windows ends a session through the window system, which Qt turns into
// aboutToQuit; what comes from outside it is a console's Ctrl+C, Ctrl+Break or
// close. Windows calls the handler on a thread of its own: it only posts the
// request to the event loop.
#include "TerminationSignals.h"

#include <windows.h>

namespace {

// Set before the handler is installed and cleared after it is removed.
TerminationSignals* listening = nullptr;

BOOL WINAPI onConsoleEvent(DWORD) {
    QMetaObject::invokeMethod(listening, &TerminationSignals::received, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    listening = this;
    m_active = SetConsoleCtrlHandler(onConsoleEvent, TRUE) != 0;
}

TerminationSignals::~TerminationSignals() {
    if (m_active)
        SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    listening = nullptr;
}
