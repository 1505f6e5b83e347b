#pragma once

// A page with one text area, served on 127.0.0.1 from a thread of its own (the test's own
// thread is busy while a run types). The page posts "N\nVALUE" on load and on every input
// event; the value of the highest N replaces the file, as posts may overtake each other.
#include <QHash>
#include <QSaveFile>
#include <QSemaphore>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

namespace nightaudit::test {

class PageServer : public QThread {
public:
    explicit PageServer(QString file) : m_file(std::move(file)) {
        start();
        m_ready.acquire();
    }
    ~PageServer() override {
        quit();
        wait();
    }
    quint16 port() const { return m_port; }

private:
    void run() override {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost, 0);
        m_port = server.serverPort();
        QHash<QTcpSocket*, QByteArray> pending;
        QObject::connect(&server, &QTcpServer::newConnection, &server, [&] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                QObject::connect(s, &QTcpSocket::readyRead, s, [&, s] {
                    if (answered(s, pending[s] += s->readAll())) pending.remove(s);
                });
                QObject::connect(s, &QTcpSocket::disconnected, s, [&, s] {
                    pending.remove(s);
                    s->deleteLater();
                });
            }
        });
        m_ready.release();
        exec();
    }
    // Answers a whole request; false while it is still coming.
    bool answered(QTcpSocket* s, const QByteArray& request) {
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (end < 0) return false;
        const QByteArray head = request.left(end).toLower();
        const qsizetype at = head.indexOf("content-length:");
        const qsizetype length =
            at < 0 ? 0 : head.mid(at + 15).split('\r')[0].trimmed().toLongLong();
        if (request.size() < end + 4 + length) return false;
        if (request.startsWith("POST")) {
            const QByteArray body = request.mid(end + 4, length);
            const qsizetype newline = body.indexOf('\n');
            const long long n = body.left(newline).toLongLong();
            if (newline > 0 && n > m_newest) {
                m_newest = n;
                QSaveFile f(m_file);
                if (f.open(QIODevice::WriteOnly)) f.write(body.mid(newline + 1)), f.commit();
            }
            s->write("HTTP/1.1 204 No Content\r\nConnection: close\r\n\r\n");
        } else {
            s->write(
                "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                QByteArray::number(qsizetype(sizeof kPage) - 1) + "\r\nConnection: close\r\n\r\n" +
                kPage);
        }
        s->disconnectFromHost();
        return true;
    }

    static constexpr char kPage[] = R"(<!DOCTYPE html><html><head><meta charset="utf-8">
<title>Typed Page</title></head><body><textarea id="t" autofocus rows="30" cols="100"></textarea>
<script>
const t = document.getElementById('t');
let n = 0;
const post = () => fetch('/value', {method: 'POST', body: ++n + '\n' + t.value});
t.addEventListener('input', post);
t.focus();
post();
</script></body></html>)";

    QString m_file;
    QSemaphore m_ready;
    quint16 m_port = 0;
    long long m_newest = 0;
};

}  // namespace nightaudit::test
