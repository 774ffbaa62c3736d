#pragma once

#include <QString>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace bench {

// A TCP proxy on 127.0.0.1 that holds every chunk for a fixed time in each
// direction, as a hospital network would, and counts the round trips: the
// times the client starts sending again after the server has answered.
class DelayingProxy {
public:
    DelayingProxy(const QString& host, int port, std::chrono::microseconds delay);
    ~DelayingProxy();
    DelayingProxy(const DelayingProxy&) = delete;
    DelayingProxy& operator=(const DelayingProxy&) = delete;

    int port() const { return m_port; }
    qint64 roundTrips() const { return m_roundTrips.load(); }

private:
    struct Link;

    void acceptLoop();
    void relay(int from, int to, bool fromClient, Link& link);

    QString m_host;
    int m_targetPort;
    std::chrono::microseconds m_delay;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<qint64> m_roundTrips{0};
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Link>> m_links;
    std::vector<std::thread> m_threads;
    std::thread m_acceptor;
};

} // namespace bench
