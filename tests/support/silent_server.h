#pragma once

// A loopback listener whose queue of connections is full: the system drops every new connection
// attempt without an answer, as a host that does not answer. Accepting what waits in the queue
// makes room again, so an attempt that is still repeating its first packet then goes through, as
// a host that answers late.

#include <QTcpSocket>

#include <arpa/inet.h>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace qtx52::testing {

class SilentServer {
public:
    SilentServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&a), len) != 0 ||
            ::listen(fd_, 0) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len))
            return;
        port_ = ntohs(a.sin_port);
        // Fill the queue: connections that go through wait there, never accepted.
        for (int i = 0; i < 4; ++i) {
            auto s = std::make_unique<QTcpSocket>();
            s->connectToHost(QHostAddress::LocalHost, port_);
            if (!s->waitForConnected(300))
                break;
            fillers_.push_back(std::move(s));
        }
    }
    ~SilentServer() {
        fillers_.clear();
        for (int fd : accepted_)
            ::close(fd);
        if (fd_ >= 0)
            ::close(fd_);
    }
    quint16 port() const { return port_; }
    // Takes every connection waiting in the queue; the ones that come after go through.
    void makeRoom() {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        for (std::size_t i = 0; i < fillers_.size() + 1; ++i) {
            const int fd = ::accept4(fd_, nullptr, nullptr, SOCK_NONBLOCK);
            if (fd < 0)
                break;
            accepted_.push_back(fd);
        }
    }

private:
    int fd_ = -1;
    quint16 port_ = 0;
    std::vector<std::unique_ptr<QTcpSocket>> fillers_;
    std::vector<int> accepted_;
};

} // namespace qtx52::testing
