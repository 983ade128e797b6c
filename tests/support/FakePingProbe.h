// SPDX-License-Identifier: MIT
// A probe that answers as the test says and remembers what it was asked.
#pragma once

#include <QStringList>

#include "reachability/PingProbe.h"

class FakePingProbe : public PingProbe {
public:
    bool answers = true;
    QString problem;    // what PermissionProblem() reports
    QStringList pinged; // the addresses probed, in order

    bool Ping(const QString& address, qint32& roundTrip) override {
        pinged << address;
        roundTrip = answers ? 1 : 0;
        return answers;
    }
    QString PermissionProblem() override { return problem; }
};
