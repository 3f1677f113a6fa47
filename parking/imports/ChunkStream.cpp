#include "ChunkStream.h"

#include <cstring>

namespace imports {

namespace {

// Ends a producer whose reader has gone; never seen outside the stream.
struct ReaderGone {};

} // namespace

ChunkStream::ChunkStream(Producer producer)
    : m_thread([this, producer = std::move(producer)] { Produce(producer); })
{
}

ChunkStream::~ChunkStream()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ChunkStream::Produce(const Producer &producer)
{
    std::exception_ptr error;
    try {
        producer([this](QByteArray chunk) { Hand(std::move(chunk)); });
    } catch (const ReaderGone &) {
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(m_mutex);
        m_ended = true;
        m_error = error;
    }
    m_changed.notify_all();
}

void ChunkStream::Hand(QByteArray chunk)
{
    if (chunk.isEmpty())
        return;
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stopped || m_chunks.size() < kDepth; });
    if (m_stopped)
        throw ReaderGone();
    m_chunks.push_back(std::move(chunk));
    lock.unlock();
    m_changed.notify_all();
}

qint64 ChunkStream::Read(char *buffer, qint64 size)
{
    if (m_offset == m_current.size()) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_error || !m_chunks.empty() || m_ended; });
        if (m_error)
            std::rethrow_exception(m_error);
        if (m_chunks.empty())
            return 0;
        m_current = std::move(m_chunks.front());
        m_chunks.pop_front();
        m_offset = 0;
        lock.unlock();
        m_changed.notify_all();
    }
    const qint64 n = std::min<qint64>(size, m_current.size() - m_offset);
    std::memcpy(buffer, m_current.constData() + m_offset, size_t(n));
    m_offset += n;
    return n;
}

void ChunkStream::Finish()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_error)
        std::rethrow_exception(m_error);
}

} // namespace imports
