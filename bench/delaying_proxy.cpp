#include "delaying_proxy.h"

#include <arpa/inet.h>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace bench {

namespace {

constexpr size_t ChunkBytes = 64 * 1024;

void noDelay(int fd) {
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int connectTo(const QString& host, int port) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                    &found) != 0)
        return -1;
    int fd = -1;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (fd >= 0 && connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd >= 0)
        noDelay(fd);
    return fd;
}

// A thread's sleeps end within a microsecond of their time, not the
// default 50 us later: the delay is the network's, not the proxy's.
void wakePromptly() {
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
}

void sleepUntil(const timespec& due) {
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr) != 0) {
    }
}

timespec now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t;
}

timespec after(std::chrono::microseconds delay) {
    const timespec t = now();
    const long long ns = t.tv_nsec + std::chrono::nanoseconds(delay).count();
    return {t.tv_sec + time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)};
}

bool sendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= size_t(sent);
    }
    return true;
}

bool dueBy(const timespec& due, const timespec& now) {
    return due.tv_sec < now.tv_sec || (due.tv_sec == now.tv_sec && due.tv_nsec <= now.tv_nsec);
}

// Chunks read at one time go out at that time plus the delay, in order.
class DelayedQueue {
public:
    void push(QByteArray chunk, timespec due) {
        std::lock_guard lock(m_mutex);
        m_chunks.push_back({std::move(chunk), due});
        m_ready.notify_one();
    }
    // An empty chunk ends the stream.
    std::pair<QByteArray, timespec> pop() {
        std::unique_lock lock(m_mutex);
        m_ready.wait(lock, [this] { return !m_chunks.empty(); });
        auto next = std::move(m_chunks.front());
        m_chunks.pop_front();
        return next;
    }
    // Appends the chunks that are due by now, so that a long answer goes out
    // in large writes; true when the stream ended among them.
    bool appendDue(QByteArray& out) {
        const timespec time = now();
        std::lock_guard lock(m_mutex);
        while (!m_chunks.empty() && dueBy(m_chunks.front().second, time)) {
            const bool ended = m_chunks.front().first.isEmpty();
            out += m_chunks.front().first;
            m_chunks.pop_front();
            if (ended)
                return true;
        }
        return false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<std::pair<QByteArray, timespec>> m_chunks;
};

} // namespace

// One client connection and its server connection.
struct DelayingProxy::Link {
    int client = -1;
    int server = -1;
    std::atomic<bool> serverAnswered{true}; // the client's first chunk is a round trip too
};

DelayingProxy::DelayingProxy(const QString& host, int port, std::chrono::microseconds delay)
    : m_host(host), m_targetPort(port), m_delay(delay) {
    m_listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_listener < 0 || bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(m_listener, 16) != 0 ||
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("the delaying proxy cannot listen");
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

DelayingProxy::~DelayingProxy() {
    m_stopping = true;
    shutdown(m_listener, SHUT_RDWR);
    m_acceptor.join();
    {
        std::lock_guard lock(m_mutex);
        for (const auto& link : m_links) {
            shutdown(link->client, SHUT_RDWR);
            shutdown(link->server, SHUT_RDWR);
        }
    }
    for (std::thread& t : m_threads)
        t.join();
    for (const auto& link : m_links) {
        close(link->client);
        close(link->server);
    }
    close(m_listener);
}

void DelayingProxy::acceptLoop() {
    while (!m_stopping) {
        const int client = accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        noDelay(client);
        const int server = connectTo(m_host, m_targetPort);
        if (server < 0) {
            close(client);
            continue;
        }
        std::lock_guard lock(m_mutex);
        m_links.push_back(std::make_unique<Link>());
        Link& link = *m_links.back();
        link.client = client;
        link.server = server;
        m_threads.emplace_back([this, &link] { relay(link.client, link.server, true, link); });
        m_threads.emplace_back([this, &link] { relay(link.server, link.client, false, link); });
    }
}

// Reads from one side and, after the delay, writes to the other; a writer
// thread of its own keeps later chunks from waiting behind earlier ones.
void DelayingProxy::relay(int from, int to, bool fromClient, Link& link) {
    DelayedQueue queue;
    std::thread writer([&queue, to] {
        wakePromptly();
        for (;;) {
            auto [chunk, due] = queue.pop();
            if (chunk.isEmpty())
                break;
            sleepUntil(due);
            const bool ended = queue.appendDue(chunk);
            if (!sendAll(to, chunk.constData(), size_t(chunk.size())) || ended)
                break;
        }
        shutdown(to, SHUT_WR);
    });
    QByteArray buffer(ChunkBytes, Qt::Uninitialized);
    for (;;) {
        const ssize_t got = recv(from, buffer.data(), ChunkBytes, 0);
        if (got <= 0)
            break;
        if (fromClient && link.serverAnswered.exchange(false))
            ++m_roundTrips;
        if (!fromClient)
            link.serverAnswered = true;
        queue.push(QByteArray(buffer.constData(), got), after(m_delay));
    }
    queue.push({}, {});
    writer.join();
}

} // namespace bench
