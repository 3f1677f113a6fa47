#pragma once

#include <QByteArray>

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace imports {

// Bytes made on a thread of their own and read on the caller's: the producer's chunks
// wait in a short queue, so making and reading overlap and only a few chunks are held.
class ChunkStream {
public:
    static constexpr int kDepth = 4;
    // Hands one chunk to the reader; waits while kDepth chunks are unread, and throws
    // when the reader has gone (the stream is being destroyed).
    using Put = std::function<void(QByteArray chunk)>;
    using Producer = std::function<void(const Put &put)>;

    explicit ChunkStream(Producer producer);
    // Stops the producer at its next Put and waits for it.
    ~ChunkStream();
    ChunkStream(const ChunkStream &) = delete;
    ChunkStream &operator=(const ChunkStream &) = delete;

    // Copies up to 'size' bytes of the stream into 'buffer' and returns how many; 0 at
    // the end. Rethrows the producer's error as soon as it is known.
    qint64 Read(char *buffer, qint64 size);
    // Waits for the producer to end and rethrows its error; then whatever the producer
    // filled in may be read.
    void Finish();

private:
    void Produce(const Producer &producer);
    void Hand(QByteArray chunk);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<QByteArray> m_chunks;
    QByteArray m_current; // the chunk being read
    qsizetype m_offset = 0;
    bool m_ended = false;   // the producer returned or threw
    bool m_stopped = false; // the reader has gone
    std::exception_ptr m_error;
    std::thread m_thread; // last: starts once every member above is ready
};

} // namespace imports
