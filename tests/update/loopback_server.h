#pragma once
// HTTP and HTTPS servers on 127.0.0.1 for the update tests, each on its own thread so that
// blocking fetches and modal dialogs of the code under test can talk to them. Every answer
// closes its connection. HTTPS uses a throw-away certificate made with openssl at test time
// and trusted only inside the test process.

#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QPair>
#include <QString>
#include <QThread>

#include <map>
#include <memory>

namespace pixmill::testing {

struct Route {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    // A length larger than the body makes a short transfer; -1 sends the body's size.
    qint64 announcedLength = -1;
    bool sendLength = true;
    // Slow transfer: the body in blocks of this size, one every `chunkDelayMs`.
    int chunkBytes = 0;
    int chunkDelayMs = 0;
    // "user:password" the request must carry (Basic), else 401 with a challenge.
    QByteArray basicCredentials;
    // Answer `redirectStatus` (301, 302, 307...) with this Location.
    QByteArray redirectTo;
    int redirectStatus = 302;
};

class LoopbackServerWorker;

class LoopbackServer {
  public:
    enum class Kind { Http, Https };
    explicit LoopbackServer(Kind kind = Kind::Http);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    void setRoute(const QByteArray& path, const Route& route);
    // "http://127.0.0.1:port" + path (or https).
    QString url(const QByteArray& path) const;
    int requestCount(const QByteArray& path) const;
    quint16 port() const { return port_; }
    bool isListening() const { return port_ != 0; }

    // Looked up by the worker on its thread.
    Route routeFor(const QByteArray& path, bool* found);

  private:
    Kind kind_;
    QThread thread_;
    LoopbackServerWorker* worker_ = nullptr;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    std::map<QByteArray, Route> routes_;
    std::map<QByteArray, int> counts_;
};

// Creates the certificate (once per process) and adds it to the process's trusted
// certificates. False when openssl is missing or fails.
bool prepareTestCertificate();

// A port on 127.0.0.1 that nothing listens on.
quint16 unusedLoopbackPort();

}  // namespace pixmill::testing
