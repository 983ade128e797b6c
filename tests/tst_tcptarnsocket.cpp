// SPDX-License-Identifier: MIT
// The TCP socket component on loopback: events arrive from the event loop
// only, the state follows the events delivered, and refused operations throw.
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include "Peers.h"
#include "script_engine/TcpTarnSocket.h"

using namespace Qt::StringLiterals;

class TestTcpTarnSocket : public QObject {
    Q_OBJECT

private slots:
    void badPortIsRefused_data() {
        QTest::addColumn<QString>("port");
        QTest::newRow("too large") << u"65536"_s;
        QTest::newRow("not a number") << u"telnet"_s;
        QTest::newRow("negative") << u"-1"_s;
        QTest::newRow("empty") << u""_s;
    }

    void badPortIsRefused() {
        QFETCH(QString, port);
        TcpTarnSocket socket;
        try {
            socket.Connect(u"127.0.0.1"_s, port);
            QFAIL("the port was accepted");
        } catch (const TarnError& error) {
            QCOMPARE(error.number, int(TarnSocket::InvalidArgument));
            QVERIFY(error.description.contains(port));
        }
        QCOMPARE(socket.State(), int(TarnSocket::StateClosed));
    }

    void refusedConnectionIsAnErrorEventLater() {
        TcpTarnSocket socket;
        QSignalSpy errors(&socket, &TarnSocket::Error);
        socket.Connect(u"127.0.0.1"_s, QString::number(Peers::freeLoopbackPort()));
        QCOMPARE(errors.size(), 0); // never from inside the call
        QCOMPARE(socket.State(), int(TarnSocket::StateConnecting));
        QTRY_COMPARE_WITH_TIMEOUT(errors.size(), 1, 5000);
        QCOMPARE(errors.first().at(0).toInt(), int(TarnSocket::ConnectionRefused));
        // A failed socket is not closed: the engine's SEND then fails instead of stalling.
        QCOMPARE(socket.State(), int(TarnSocket::StateFailed));
        QVERIFY_THROWS_EXCEPTION(TarnError, socket.SendData("x"));
        socket.Close();
        QCOMPARE(socket.State(), int(TarnSocket::StateClosed));
    }

    void dataThenCloseIsReadBeforeTheStateChanges() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        TcpTarnSocket socket;
        QSignalSpy connected(&socket, &TarnSocket::Connected);
        QByteArray received;
        int stateAtArrival = -1;
        connect(&socket, &TarnSocket::DataArrival, this, [&] {
            stateAtArrival = socket.State();
            received += socket.GetData();
        });
        socket.Connect(u"127.0.0.1"_s, QString::number(server.serverPort()));
        QTRY_VERIFY_WITH_TIMEOUT(server.hasPendingConnections(), 5000);
        QTcpSocket* peer = server.nextPendingConnection();
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
        QCOMPARE(socket.State(), int(TarnSocket::StateConnected));
        peer->write("last words\r\n");
        peer->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(socket.State(), int(TarnSocket::StatePeerClosing), 5000);
        QCOMPARE(received, QByteArray("last words\r\n"));
        QCOMPARE(stateAtArrival, int(TarnSocket::StateConnected));
    }

    void sendNeedsAConnection() {
        TcpTarnSocket socket;
        try {
            socket.SendData("x");
            QFAIL("sent on a closed socket");
        } catch (const TarnError& error) {
            QCOMPARE(error.number, int(TarnSocket::BadState));
        }
    }

    void sendCompleteFollowsSend_data() {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        QTest::newRow("every byte value") << all;
        QTest::newRow("nothing") << QByteArray(); // an empty upload file
    }

    void sendCompleteFollowsSend() {
        QFETCH(QByteArray, bytes);
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        TcpTarnSocket socket;
        QSignalSpy connected(&socket, &TarnSocket::Connected);
        QSignalSpy complete(&socket, &TarnSocket::SendComplete);
        socket.Connect(u"127.0.0.1"_s, QString::number(server.serverPort()));
        QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, 5000);
        QTcpSocket* peer = server.nextPendingConnection();
        socket.SendData(bytes);
        QCOMPARE(complete.size(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(complete.size(), 1, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(peer->bytesAvailable(), qint64(bytes.size()), 5000);
        QCOMPARE(peer->readAll(), bytes);
    }
};

QTEST_GUILESS_MAIN(TestTcpTarnSocket)
#include "tst_tcptarnsocket.moc"
