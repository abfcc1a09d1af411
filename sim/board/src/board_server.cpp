#include "wallsim/board_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "vantis/delays.h"
#include "vantis/ipv4.h"
#include "wallsim/board_commands.h"
#include "wallsim/frame_splitter.h"

namespace wallsim {

struct BoardServer::Connection {
    int fd = -1;  // guarded by the server's mutex once registered
    std::atomic<bool> finished{false};
};

namespace {

constexpr std::uint8_t kClassQuery = 0x81;

sockaddr_in LoopbackAddress(std::uint32_t value, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = htonl(value);
    return a;
}

std::vector<std::uint8_t> ReplyFrame(std::uint8_t frameClass, std::uint8_t code,
                                     const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> out(payload.size() + 6);
    out[0] = 0xFE;
    out[1] = frameClass;
    out[2] = code;
    out[3] = static_cast<std::uint8_t>(payload.size() >> 8);
    out[4] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), out.begin() + 5);
    out.back() = 0xFF;
    return out;
}

bool SendAll(int fd, const std::uint8_t* data, std::size_t size) {
    std::size_t sent = 0;
    while (sent < size) {
        const ssize_t n = ::send(fd, data + sent, size - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace

std::unique_ptr<BoardServer> BoardServer::Start(const std::string& address, const BoardConfig& config,
                                                std::string* error) {
    auto fail = [&](const std::string& why) -> std::unique_ptr<BoardServer> {
        if (error != nullptr) *error = address + ":" + std::to_string(config.port) + ": " + why;
        return nullptr;
    };
    const auto parsed = vantis::ParseIpv4(address);
    if (!parsed) return fail("not an IPv4 address");
    const std::uint32_t value = *parsed;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return fail(std::strerror(errno));
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in a = LoopbackAddress(value, config.port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0 || ::listen(fd, 16) != 0) {
        const std::string why = std::strerror(errno);
        ::close(fd);
        return fail(why);
    }
    return std::unique_ptr<BoardServer>(new BoardServer(fd, vantis::FormatIpv4(value), value, config));
}

std::unique_ptr<BoardServer> BoardServer::StartInRange(int first, int last, const BoardConfig& config) {
    for (int n = first; n <= last; ++n) {
        if (auto server = Start("127.0.0." + std::to_string(n), config)) return server;
    }
    return nullptr;
}

BoardServer::BoardServer(int listener, std::string address, std::uint32_t value, const BoardConfig& config)
    : listener_(listener), address_(std::move(address)), addressValue_(value), config_(config) {
    state_.versionPair = config.versionPair;
    state_.versionWord = config.versionWord;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) == 0) {
        wakeRead_ = pipeFds[0];
        wakeWrite_ = pipeFds[1];
    }
    acceptor_ = std::thread([this] { AcceptLoop(); });
}

BoardServer::~BoardServer() {
    Stop();
}

void BoardServer::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !acceptor_.joinable()) return;
        stopping_ = true;
        for (const auto& c : connections_)
            if (c->fd >= 0) ::shutdown(c->fd, SHUT_RDWR);
    }
    changed_.notify_all();
    if (wakeWrite_ >= 0) {
        const char byte = 1;
        (void)!::write(wakeWrite_, &byte, 1);
    }
    if (acceptor_.joinable()) acceptor_.join();
    for (auto& worker : workers_)
        if (worker.joinable()) worker.join();
    workers_.clear();
    connections_.clear();
    for (int* fd : {&listener_, &wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
}

void BoardServer::AcceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        const int ready = ::poll(fds, wakeRead_ >= 0 ? 2 : 1, wakeRead_ >= 0 ? -1 : 100);
        {
            std::lock_guard lock(mutex_);
            if (stopping_) return;
        }
        if (ready <= 0 || !(fds[0].revents & POLLIN)) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

        auto connection = std::make_shared<Connection>();
        connection->fd = fd;
        std::lock_guard lock(mutex_);
        if (stopping_) {
            ::close(fd);
            return;
        }
        // Threads of connections that have ended are joined here, so a long run does not
        // collect them.
        for (std::size_t i = 0; i < connections_.size();) {
            if (connections_[i]->finished) {
                workers_[i].join();
                workers_.erase(workers_.begin() + static_cast<std::ptrdiff_t>(i));
                connections_.erase(connections_.begin() + static_cast<std::ptrdiff_t>(i));
            } else {
                ++i;
            }
        }
        ++state_.connections;
        changed_.notify_all();
        connections_.push_back(connection);
        workers_.emplace_back([this, connection] { Serve(connection); });
    }
}

void BoardServer::Serve(const std::shared_ptr<Connection>& connection) {
    FrameSplitter splitter;
    std::uint8_t buffer[4096];
    bool open = true;
    while (open) {
        const ssize_t n = ::recv(connection->fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        splitter.Feed({buffer, static_cast<std::size_t>(n)});
        while (open) {
            std::optional<ReceivedFrame> frame = splitter.Next();
            const std::size_t stray = splitter.TakeStrayCount();
            if (stray > 0) {
                std::lock_guard lock(mutex_);
                state_.strayBytes += stray;
                changed_.notify_all();
            }
            if (!frame) break;
            Handle(connection, *frame);
            std::lock_guard lock(mutex_);
            open = connection->fd >= 0 && !stopping_;
        }
    }
    std::lock_guard lock(mutex_);
    if (connection->fd >= 0) ::close(connection->fd);
    connection->fd = -1;
    connection->finished = true;
}

FaultMode BoardServer::TakeFault(const ReceivedFrame& frame, Fault& fault) {
    fault = fault_;
    if (fault_.mode == FaultMode::kNone) return FaultMode::kNone;
    if (fault_.code >= 0 && fault_.code != frame.code) return FaultMode::kNone;
    if (faultSeen_++ < fault_.skip) return FaultMode::kNone;
    if (fault_.times >= 0 && faultApplied_ >= fault_.times) return FaultMode::kNone;
    ++faultApplied_;
    return fault_.mode;
}

void BoardServer::Handle(const std::shared_ptr<Connection>& connection, const ReceivedFrame& frame) {
    Fault fault;
    std::vector<std::uint8_t> reply;
    FaultMode mode;
    {
        std::lock_guard lock(mutex_);
        mode = TakeFault(frame, fault);
        ++state_.framesReceived;
        if (config_.recordFrames) state_.frames.push_back(frame);
        const bool refused = mode == FaultMode::kRefuse || mode == FaultMode::kClose;
        if (frame.frameClass == kClassQuery) {
            reply = refused ? ReplyFrame(kClassQuery, frame.code, {0x00})
                            : ReplyFrame(kClassQuery, frame.code, AnswerQuery(state_, frame));
        } else {
            const bool done = !refused && ApplyCommand(state_, frame);
            reply = ReplyFrame(0x01, frame.code, {static_cast<std::uint8_t>(done ? 0x01 : 0x00)});
        }
        changed_.notify_all();
    }

    int pieces = 1;
    switch (mode) {
        case FaultMode::kClose: {
            std::lock_guard lock(mutex_);
            ::shutdown(connection->fd, SHUT_RDWR);
            ::close(connection->fd);
            connection->fd = -1;
            return;
        }
        case FaultMode::kSilent:
            return;
        case FaultMode::kMalformed:
            reply = !fault.reply.empty()
                        ? fault.reply
                        : std::vector<std::uint8_t>{0xFE, 0x01, frame.code, 0x00, 0x02, 0x01, 0x01, 0xFF};
            break;
        case FaultMode::kSplit:
            pieces = fault.pieces > 0 ? fault.pieces : static_cast<int>(reply.size());
            break;
        case FaultMode::kLate:
            if (!SleepUnlessStopped(vantis::delays::Scaled(vantis::delays::kBoardLateReply))) return;
            break;
        default:
            break;
    }
    if (SendReply(connection, reply, pieces)) {
        std::lock_guard lock(mutex_);
        ++state_.repliesSent;
        if (mode == FaultMode::kLate) ++state_.lateRepliesSent;
        changed_.notify_all();
    }
}

bool BoardServer::SendReply(const std::shared_ptr<Connection>& connection,
                            const std::vector<std::uint8_t>& bytes, int pieces) {
    pieces = std::max(1, std::min(pieces, static_cast<int>(bytes.size())));
    std::size_t offset = 0;
    for (int i = 0; i < pieces; ++i) {
        const std::size_t end =
            bytes.size() * static_cast<std::size_t>(i + 1) / static_cast<std::size_t>(pieces);
        if (i > 0 && !SleepUnlessStopped(vantis::delays::Scaled(vantis::delays::kBoardSegmentGap)))
            return false;
        if (!SendAll(connection->fd, bytes.data() + offset, end - offset)) return false;
        offset = end;
    }
    return true;
}

bool BoardServer::SleepUnlessStopped(std::chrono::milliseconds d) {
    std::unique_lock lock(mutex_);
    return !changed_.wait_for(lock, d, [this] { return stopping_; });
}

BoardState BoardServer::Snapshot() const {
    std::lock_guard lock(mutex_);
    return state_;
}

void BoardServer::Inspect(const std::function<void(const BoardState&)>& reader) const {
    std::lock_guard lock(mutex_);
    reader(state_);
}

void BoardServer::Modify(const std::function<void(BoardState&)>& writer) {
    {
        std::lock_guard lock(mutex_);
        writer(state_);
    }
    changed_.notify_all();
}

bool BoardServer::WaitUntil(const std::function<bool(const BoardState&)>& predicate,
                            std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return predicate(state_); });
}

void BoardServer::SetFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    fault_ = fault;
    faultSeen_ = 0;
    faultApplied_ = 0;
}

std::optional<QuietAddress> QuietAddress::InRange(int first, int last, std::uint16_t port) {
    for (int n = first; n <= last; ++n) {
        const std::uint32_t value = 0x7F000000u | static_cast<std::uint32_t>(n & 0xFF);
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return std::nullopt;
        const sockaddr_in a = LoopbackAddress(value, port);
        if (::bind(fd, reinterpret_cast<const sockaddr*>(&a), sizeof a) == 0)
            return QuietAddress(fd, vantis::FormatIpv4(value), value);
        ::close(fd);
    }
    return std::nullopt;
}

QuietAddress::QuietAddress(QuietAddress&& other) noexcept
    : fd_(other.fd_), address_(std::move(other.address_)), value_(other.value_) {
    other.fd_ = -1;
}

QuietAddress::~QuietAddress() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace wallsim
