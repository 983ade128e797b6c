// SPDX-License-Identifier: MIT
// The main window on a fake tray and a scripted probe, its folders in a
// temporary directory of the test's own. Controls are found by their names.
#pragma once

#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "FakePingProbe.h"
#include "FakeTrayBackend.h"
#include "shell/Form1.h"

// A control of the window by its name.
template <class T = QWidget> T* control(const Form1& form, const char* name) {
    T* found = form.findChild<T*>(QLatin1String(name));
    if (!found)
        qWarning("no control %s", name);
    return found;
}

struct FormRig {
    QTemporaryDir dir;
    std::unique_ptr<Form1> form;
    // The last window's fakes.
    FakeTrayBackend* tray = nullptr;
    FakePingProbe* probe = nullptr;

    // A window of the test's own. The program lies in dir unless another
    // folder is named; the per-user folder is dir/user unless named.
    std::unique_ptr<Form1> make(const QString& programFolder = {}, const QString& userFolder = {}) {
        auto fakeTray = std::make_unique<FakeTrayBackend>();
        auto fakeProbe = std::make_unique<FakePingProbe>();
        tray = fakeTray.get();
        probe = fakeProbe.get();
        return std::make_unique<Form1>(
            modMisc::AppFolders{programFolder.isEmpty() ? dir.path() : programFolder,
                                userFolder.isEmpty() ? dir.filePath(QStringLiteral("user")) : userFolder,
                                {}},
            std::move(fakeTray), std::move(fakeProbe));
    }

    // The rig's window, replacing the last one.
    Form1& open() {
        form.reset();
        form = make();
        return *form;
    }

    template <class T = QWidget> T* control(const char* name) const { return ::control<T>(*form, name); }

    QString ini() const { return dir.filePath(QStringLiteral("settings.ini")); }
};
