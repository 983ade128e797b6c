// SPDX-License-Identifier: MIT
// What the ping monitor needs of the probe; tests pass a scripted one.
#pragma once

#include <QString>

class PingProbe {
public:
    virtual ~PingProbe() = default;
    // One echo to the address: true when answered, with the round-trip time in ms.
    virtual bool Ping(const QString& address, qint32& roundTrip) = 0;
    // Empty when echoes can be sent; otherwise why not and how to allow it.
    virtual QString PermissionProblem() = 0;
};

// The system's ICMP echo (modPing), with texts in the local 8-bit encoding.
class IcmpProbe : public PingProbe {
public:
    bool Ping(const QString& address, qint32& roundTrip) override;
    QString PermissionProblem() override;
};
