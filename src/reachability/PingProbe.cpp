// SPDX-License-Identifier: MIT
#include "PingProbe.h"

#include "modPing.h"

bool IcmpProbe::Ping(const QString& address, qint32& roundTrip) {
    return modPing::Ping(address.toLocal8Bit().toStdString(), roundTrip);
}

QString IcmpProbe::PermissionProblem() {
    return QString::fromLocal8Bit(modPing::PermissionProblem());
}
