#include "collection/ReadAhead.h"

#include <algorithm>

CReadAhead::~CReadAhead() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable())
        m_worker.join();
}

std::size_t CReadAhead::Count() {
    std::lock_guard lock(m_mutex);
    return m_queue.size() + m_done.size() + (m_busyRecord >= 0 && !m_dropBusy ? 1 : 0);
}

bool CReadAhead::Holds(std::int32_t record) {
    std::lock_guard lock(m_mutex);
    auto same = [record](const std::unique_ptr<Picture>& p) { return p->record == record; };
    return (m_busyRecord == record && !m_dropBusy) ||
           std::any_of(m_queue.begin(), m_queue.end(), same) ||
           std::any_of(m_done.begin(), m_done.end(), same);
}

bool CReadAhead::Add(Picture picture) {
    if (Count() >= Capacity() || !picture.image || !picture.bytes)
        return false;
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(std::make_unique<Picture>(std::move(picture)));
        if (!m_worker.joinable())
            m_worker = std::thread([this] { Run(); });
    }
    m_changed.notify_all();
    return true;
}

std::vector<std::vector<std::uint8_t>> CReadAhead::KeepOnly(std::span<const std::int32_t> records) {
    auto kept = [records](std::int32_t record) {
        return std::find(records.begin(), records.end(), record) != records.end();
    };
    std::vector<std::unique_ptr<Picture>> dropped;
    {
        std::lock_guard lock(m_mutex);
        auto drop = [&](auto& from) {
            for (auto& picture : from)
                if (!kept(picture->record))
                    dropped.push_back(std::move(picture));
            from.erase(std::remove(from.begin(), from.end(), nullptr), from.end());
        };
        drop(m_queue);
        drop(m_done);
        if (m_busyRecord >= 0 && !kept(m_busyRecord))
            m_dropBusy = true;
    }
    // The objects are destroyed outside the lock; only decoded blocks are worth keeping.
    std::vector<std::vector<std::uint8_t>> blocks;
    for (auto& picture : dropped)
        if (picture->decoded)
            blocks.push_back(picture->image->TakePixelBlock());
    return blocks;
}

std::unique_ptr<CReadAhead::Picture> CReadAhead::Take(std::int32_t record) {
    std::unique_lock lock(m_mutex);
    auto same = [record](const std::unique_ptr<Picture>& p) { return p->record == record; };
    auto queued = std::find_if(m_queue.begin(), m_queue.end(), same);
    if (queued != m_queue.end()) {
        m_queue.erase(queued);
        return nullptr;
    }
    m_changed.wait(lock, [&] { return m_busyRecord != record || m_dropBusy; });
    auto done = std::find_if(m_done.begin(), m_done.end(), same);
    if (done == m_done.end())
        return nullptr;
    std::unique_ptr<Picture> picture = std::move(*done);
    m_done.erase(done);
    return picture->decoded ? std::move(picture) : nullptr;
}

void CReadAhead::Wait() {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return m_queue.empty() && m_busyRecord < 0; });
}

void CReadAhead::Run() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [&] { return m_stop || !m_queue.empty(); });
        if (m_stop)
            return;
        std::unique_ptr<Picture> picture = std::move(m_queue.front());
        m_queue.pop_front();
        m_busyRecord = picture->record;
        m_dropBusy = false;
        lock.unlock();
        // The image object catches its own file and memory errors; anything else is a
        // failed decode, which the document repeats on its own thread to report.
        try {
            picture->bytes->SeekToBegin();
            picture->decoded = picture->image->LoadFromFile(*picture->bytes) != 0;
        } catch (...) {
            picture->decoded = false;
        }
        picture->image->ReleaseFile();
        picture->bytes.reset();
        lock.lock();
        if (!m_dropBusy && !m_stop)
            m_done.push_back(std::move(picture));
        m_busyRecord = -1;
        m_dropBusy = false;
        m_changed.notify_all();
        if (picture) {
            // Dropped while being decoded: let go of it outside the lock.
            lock.unlock();
            picture.reset();
            lock.lock();
        }
    }
}
