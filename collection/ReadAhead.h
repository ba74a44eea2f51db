// CReadAhead: decodes pictures in the background so that the document finds the record
// the user moves to already decoded. The document reads a record's bytes itself (the
// database files are only ever read on its thread), makes the image object of the
// record's kind (image objects fix the 256-colour option when they are made) and hands
// both over; one worker thread decodes them in the order given. Nothing here knows about
// the list: the document says which records it wants kept, and everything else is dropped.
//
// At most Capacity() pictures are held (queued, being decoded or decoded). The destructor
// stops the worker after its current picture and joins it.
#pragma once

#include "imaging/PxImage.h"
#include "platform/MemFile.h"
#include "storage/RecordHead.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

class CReadAhead {
public:
    // A picture to decode, or one decoded: the record's head as read with its bytes, the
    // image kind and the object that receives (or holds) the picture.
    struct Picture {
        std::int32_t record = -1;
        CRecordHead head;
        int kind = 0;
        std::unique_ptr<PxImage> image;
        std::unique_ptr<CMemFile> bytes; // dropped once decoded
        bool decoded = false;
    };

    CReadAhead() = default;
    ~CReadAhead();
    CReadAhead(const CReadAhead&) = delete;
    CReadAhead& operator=(const CReadAhead&) = delete;

    static constexpr std::size_t Capacity() { return 2; }

    // Whether record is held (queued, being decoded or decoded).
    bool Holds(std::int32_t record);
    // Queues picture for decoding; false (picture dropped) when Capacity() are held.
    bool Add(Picture picture);
    // Keeps only the records listed; the pixel blocks of the decoded pictures dropped are
    // returned for reuse. A picture being decoded that is not kept is dropped when done.
    std::vector<std::vector<std::uint8_t>> KeepOnly(std::span<const std::int32_t> records);
    void Clear() { KeepOnly({}); }
    // The decoded picture of record, waiting while it is being decoded; a picture still
    // queued is dropped instead (the caller decodes faster itself). Null when record is not
    // held or its decoding failed.
    std::unique_ptr<Picture> Take(std::int32_t record);
    // Waits until nothing is queued or being decoded.
    void Wait();
    // Records held, decoded or not.
    std::size_t Count();

private:
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Picture>> m_queue;
    std::vector<std::unique_ptr<Picture>> m_done;
    // The picture the worker decodes now; m_dropBusy when it is no longer wanted.
    std::int32_t m_busyRecord = -1;
    bool m_dropBusy = false;
    bool m_stop = false;
    std::thread m_worker;
};
