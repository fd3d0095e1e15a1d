#include "update/loopback_server.h"

#include <QFile>
#include <QMetaObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QSslSocket>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "engine/app/object_thread.h"

namespace pixmill::testing {
namespace {

struct TestCertificate {
    bool ready = false;
    QSslCertificate certificate;
    QSslKey key;
};

// posix_spawn rather than QProcess: the test process has threads by now, and spawning does not
// fork the whole process (which ThreadSanitizer refuses to continue after).
bool runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = 0;
    const int started = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started != 0)
        return false;
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TestCertificate makeCertificate() {
    TestCertificate made;
    QTemporaryDir folder;
    if (!folder.isValid())
        return made;
    const QString key = folder.filePath("key.pem");
    const QString cert = folder.filePath("cert.pem");
    if (!runProgram({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout",
                     key.toStdString(), "-out", cert.toStdString(), "-days", "2", "-subj",
                     "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1,DNS:localhost"})) {
        return made;
    }
    QFile certFile(cert);
    QFile keyFile(key);
    if (!certFile.open(QIODevice::ReadOnly) || !keyFile.open(QIODevice::ReadOnly))
        return made;
    made.certificate = QSslCertificate(certFile.readAll(), QSsl::Pem);
    made.key = QSslKey(keyFile.readAll(), QSsl::Rsa, QSsl::Pem);
    made.ready = !made.certificate.isNull() && !made.key.isNull();
    return made;
}

const TestCertificate& testCertificate() {
    static const TestCertificate certificate = makeCertificate();
    return certificate;
}

QByteArray reasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 307:
            return "Temporary Redirect";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

bool prepareTestCertificate() {
    static const bool trusted = [] {
        const TestCertificate& made = testCertificate();
        if (!made.ready)
            return false;
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.addCaCertificate(made.certificate);
        QSslConfiguration::setDefaultConfiguration(configuration);
        return true;
    }();
    return trusted;
}

quint16 unusedLoopbackPort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

class LoopbackServerWorker : public QObject {
  public:
    LoopbackServerWorker(LoopbackServer* owner, bool https) : owner_(owner), https_(https) {}

    quint16 listen() {
        if (https_) {
            auto* server = new QSslServer(this);
            QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
            configuration.setLocalCertificate(testCertificate().certificate);
            configuration.setPrivateKey(testCertificate().key);
            configuration.setPeerVerifyMode(QSslSocket::VerifyNone);
            server->setSslConfiguration(configuration);
            server_ = server;
        } else {
            server_ = new QTcpServer(this);
        }
        connect(server_, &QTcpServer::pendingConnectionAvailable, this, [this] {
            while (QTcpSocket* socket = server_->nextPendingConnection())
                accept(socket);
        });
        if (!server_->listen(QHostAddress::LocalHost, 0))
            return 0;
        return server_->serverPort();
    }

  private:
    void accept(QTcpSocket* socket) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            QByteArray request = socket->property("request").toByteArray() + socket->readAll();
            const qsizetype end = request.indexOf("\r\n\r\n");
            if (end < 0) {
                socket->setProperty("request", request);
                return;
            }
            socket->setProperty("request", QByteArray());
            answer(socket, request.left(end));
        });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }

    void answer(QTcpSocket* socket, const QByteArray& head) {
        const QList<QByteArray> lines = head.split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        const QByteArray path = requestLine.value(1);
        bool found = false;
        Route route = owner_->routeFor(path, &found);
        if (!found) {
            route = Route{};
            route.status = 404;
            route.body = "no such file";
        }
        if (!route.basicCredentials.isEmpty()) {
            bool authorised = false;
            for (const QByteArray& line : lines) {
                const QByteArray value = line.mid(line.indexOf(':') + 1).trimmed();
                if (line.toLower().startsWith("authorization:") &&
                    value == "Basic " + route.basicCredentials.toBase64()) {
                    authorised = true;
                }
            }
            if (!authorised) {
                route = Route{};
                route.status = 401;
                route.body = "who are you?";
                route.headers = {{"WWW-Authenticate", "Basic realm=\"updates\""}};
            }
        }
        if (!route.redirectTo.isEmpty()) {
            route.status = route.redirectStatus;
            route.headers << qMakePair(QByteArray("Location"), route.redirectTo);
        }
        QByteArray response = "HTTP/1.1 " + QByteArray::number(route.status) + " " +
                              reasonOf(route.status) + "\r\nConnection: close\r\n";
        for (const auto& header : route.headers)
            response += header.first + ": " + header.second + "\r\n";
        if (route.sendLength) {
            const qint64 length =
                route.announcedLength >= 0 ? route.announcedLength : route.body.size();
            response += "Content-Length: " + QByteArray::number(length) + "\r\n";
        }
        response += "\r\n";
        socket->write(response);
        if (route.chunkBytes <= 0) {
            socket->write(route.body);
            socket->disconnectFromHost();
            return;
        }
        // The first block waits too, so that a client sees the transfer before any data.
        QTimer::singleShot(route.chunkDelayMs, socket, [this, socket, route] {
            sendSlowly(socket, route.body, route.chunkBytes, route.chunkDelayMs);
        });
    }

    void sendSlowly(QTcpSocket* socket, QByteArray rest, int chunk, int delayMs) {
        if (rest.isEmpty() || socket->state() != QAbstractSocket::ConnectedState) {
            socket->disconnectFromHost();
            return;
        }
        socket->write(rest.left(chunk));
        QTimer::singleShot(delayMs, socket, [this, socket, rest = rest.mid(chunk), chunk, delayMs] {
            sendSlowly(socket, rest, chunk, delayMs);
        });
    }

    LoopbackServer* owner_;
    bool https_;
    QTcpServer* server_ = nullptr;
};

LoopbackServer::LoopbackServer(Kind kind) : kind_(kind) {
    if (kind_ == Kind::Https && !prepareTestCertificate())
        return;
    thread_.start();
    worker_ = new LoopbackServerWorker(this, kind_ == Kind::Https);
    worker_->moveToThread(&thread_);
    // Through our own lock, so that the sanitizer sees the worker's writes ordered.
    runOnObjectThread(worker_, [this] { port_ = worker_->listen(); });
}

LoopbackServer::~LoopbackServer() {
    if (worker_) {
        runOnObjectThread(worker_, [w = worker_] { delete w; });
    }
    thread_.quit();
    thread_.wait();
}

void LoopbackServer::setRoute(const QByteArray& path, const Route& route) {
    QMutexLocker lock(&mutex_);
    routes_[path] = route;
}

QString LoopbackServer::url(const QByteArray& path) const {
    return QStringLiteral("%1://127.0.0.1:%2%3")
        .arg(kind_ == Kind::Https ? "https" : "http")
        .arg(port_)
        .arg(QString::fromUtf8(path));
}

int LoopbackServer::requestCount(const QByteArray& path) const {
    QMutexLocker lock(&mutex_);
    const auto it = counts_.find(path);
    return it == counts_.end() ? 0 : it->second;
}

Route LoopbackServer::routeFor(const QByteArray& path, bool* found) {
    QMutexLocker lock(&mutex_);
    ++counts_[path];
    const auto it = routes_.find(path);
    *found = it != routes_.end();
    return *found ? it->second : Route{};
}

}  // namespace pixmill::testing
