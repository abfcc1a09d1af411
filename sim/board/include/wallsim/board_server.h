// A simulated engine board on TCP port 1688 of its own loopback address.
//
// The server accepts connections on its own thread (one thread per connection),
// splits the byte stream into frames, carries each out on the shared BoardState
// (board_commands.h) and answers: every command with FE 01 code 00 01 01 FF, every
// query with FE 81 code L payload FF. For fault tests it can be told to misbehave.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "wallsim/board_state.h"

namespace wallsim {

inline constexpr std::uint16_t kBoardPort = 1688;

enum class FaultMode {
    kNone,
    kRefuse,     // answer with the acknowledgement 0x00; the command is not carried out
    kMalformed,  // answer with Fault::reply, or by default an acknowledgement of length 2
    kSplit,      // answer correctly, in Fault::pieces TCP segments with pauses between them
    kLate,       // answer correctly after kBoardLateReply (longer than the link's time-out)
    kSilent,     // carry the command out and never answer
    kClose,      // close the connection at once; the command is not carried out
};

struct Fault {
    FaultMode mode = FaultMode::kNone;
    int code = -1;                    // only frames with this command code; -1 any frame
    int skip = 0;                     // matching frames to serve normally before the fault starts
    int times = -1;                   // matching frames the fault applies to; -1 all of them
    std::vector<std::uint8_t> reply;  // kMalformed: the raw bytes to send instead of the reply
    int pieces = 0;                   // kSplit: number of segments (0: one byte per segment)

    // Fault::Of(FaultMode::kRefuse).OnCode(0x19).Times(1)
    static Fault Of(FaultMode m) {
        Fault f;
        f.mode = m;
        return f;
    }
    Fault& OnCode(int c) { return code = c, *this; }
    Fault& Skip(int n) { return skip = n, *this; }
    Fault& Times(int n) { return times = n, *this; }
    Fault& Reply(std::vector<std::uint8_t> bytes) { return reply = std::move(bytes), *this; }
    Fault& Pieces(int n) { return pieces = n, *this; }
};

struct BoardConfig {
    std::uint16_t port = kBoardPort;
    std::array<std::uint32_t, 2> versionPair{0x00010002, 0x00000007};
    std::uint32_t versionWord = 0x20261207;
    bool recordFrames = true;  // keep BoardState::frames (tests); off for long runs
};

class BoardServer {
  public:
    // Listens on `address` (dotted IPv4) and starts serving. nullptr and a reason in
    // `error` (when given) if the address cannot be bound.
    static std::unique_ptr<BoardServer> Start(const std::string& address, const BoardConfig& config = {},
                                              std::string* error = nullptr);

    // Starts on the first address 127.0.0.first .. 127.0.0.last that is free (tests run in
    // parallel; binding and listening is the claim). nullptr when none is free.
    static std::unique_ptr<BoardServer> StartInRange(int first, int last, const BoardConfig& config = {});

    ~BoardServer();
    BoardServer(const BoardServer&) = delete;
    BoardServer& operator=(const BoardServer&) = delete;

    // Closes the listening socket and every connection and joins the threads.
    void Stop();

    const std::string& address() const { return address_; }
    // The address with the first octet in the most significant byte (what dvOrvelAutoOpen takes).
    std::uint32_t address_value() const { return addressValue_; }
    std::uint16_t port() const { return config_.port; }

    // A copy of the state.
    BoardState Snapshot() const;
    // Runs `reader` on the state under the board's lock (no copy).
    void Inspect(const std::function<void(const BoardState&)>& reader) const;
    // Changes the state under the board's lock (test set-up, extensions).
    void Modify(const std::function<void(BoardState&)>& writer);
    // Waits until `predicate` holds for the state, at most `timeout`. True if it held.
    bool WaitUntil(const std::function<bool(const BoardState&)>& predicate,
                   std::chrono::milliseconds timeout) const;

    void SetFault(const Fault& fault);
    void ClearFault() { SetFault({}); }

  private:
    BoardServer(int listener, std::string address, std::uint32_t value, const BoardConfig& config);

    struct Connection;
    void AcceptLoop();
    void Serve(const std::shared_ptr<Connection>& connection);
    // The fault to apply to this frame (counting it against the fault's budget).
    FaultMode TakeFault(const ReceivedFrame& frame, Fault& fault);
    void Handle(const std::shared_ptr<Connection>& connection, const ReceivedFrame& frame);
    bool SendReply(const std::shared_ptr<Connection>& connection, const std::vector<std::uint8_t>& bytes,
                   int pieces);
    // Sleeps for `d` unless the server stops first; false if it stopped.
    bool SleepUnlessStopped(std::chrono::milliseconds d);

    int listener_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::string address_;
    std::uint32_t addressValue_;
    BoardConfig config_;

    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    BoardState state_;
    Fault fault_;
    int faultSeen_ = 0;
    int faultApplied_ = 0;
    bool stopping_ = false;

    std::thread acceptor_;
    std::vector<std::shared_ptr<Connection>> connections_;
    std::vector<std::thread> workers_;
};

// Holds a loopback address's board port bound but not listening: connections to it are
// refused, and no board of another test can claim it meanwhile.
class QuietAddress {
  public:
    // The first of 127.0.0.first .. last whose port can be held; nullopt if none.
    static std::optional<QuietAddress> InRange(int first, int last, std::uint16_t port = kBoardPort);
    QuietAddress(QuietAddress&& other) noexcept;
    QuietAddress& operator=(QuietAddress&&) = delete;
    ~QuietAddress();

    const std::string& address() const { return address_; }
    std::uint32_t address_value() const { return value_; }

  private:
    QuietAddress(int fd, std::string address, std::uint32_t value)
        : fd_(fd), address_(std::move(address)), value_(value) {}
    int fd_;
    std::string address_;
    std::uint32_t value_;
};

}  // namespace wallsim
