#pragma once
// The bytes of a stream as they arrive, handed from the thread that receives
// them (the card's network side) to the decoder's thread, which reads them
// through libavformat. A stream is live: it cannot seek, and it ends only when
// the sender closes it, fails, or the reader gives up.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace platform::tv::stream {

class ByteSource {
  public:
    virtual ~ByteSource() = default;

    enum class ReadKind {
        Data = 1,   // `bytes` bytes were copied out
        TimedOut,   // nothing arrived within the timeout; the stream goes on
        Ended,      // the sender finished and everything was read
        Failed,     // the sender failed: reason() says why
        Cancelled,  // cancel() was called
    };
    struct Read {
        ReadKind kind = ReadKind::TimedOut;
        std::size_t bytes = 0;
    };

    // Blocks until at least one byte can be copied into out (at most size),
    // or the stream ends, fails or is cancelled, or timeout passes. Called
    // from one reader thread at a time. Bytes already received are read
    // before the end or the failure is reported; a cancel is reported at once.
    virtual Read read(uint8_t* out, std::size_t size, std::chrono::milliseconds timeout) = 0;
    // Wakes a blocked read and makes every later one return Cancelled. Any thread.
    virtual void cancel() = 0;
    // Why the stream failed ("Signal lost: connection reset"); empty otherwise.
    virtual std::string reason() const = 0;
};

// The byte source the card fills: push() what the network delivers, then
// finish() or fail(). Every call is safe from any thread. It keeps whatever
// is pushed (nothing is dropped): the sender holds back while buffered() is
// above what it wants queued, as a reply's read buffer does.
class ByteQueue final : public ByteSource {
  public:
    void push(const uint8_t* data, std::size_t size);
    // The stream's end: reads return Ended once the bytes are used up.
    void finish();
    // The stream failed with this reason, said in the user's words.
    void fail(std::string reason);
    // Bytes received and not yet read.
    std::size_t buffered() const;
    // Bytes pushed since the queue was made.
    uint64_t received() const;

    Read read(uint8_t* out, std::size_t size, std::chrono::milliseconds timeout) override;
    void cancel() override;
    std::string reason() const override;

  private:
    mutable std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::vector<uint8_t>> chunks_;
    std::size_t headOffset_ = 0;  // bytes of chunks_.front() already read
    std::size_t buffered_ = 0;
    uint64_t received_ = 0;
    bool finished_ = false;
    bool cancelled_ = false;
    std::string failure_;
};

}  // namespace platform::tv::stream
