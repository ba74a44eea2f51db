#include "imaging/PxJpegIo.h"

#include "platform/File.h"

#include <cstddef>

#include <jerror.h>

namespace {

constexpr std::size_t kBlockSize = 4096;

struct FileSource {
    jpeg_source_mgr manager; // first member: cinfo->src points at it
    CFile* file;
    bool started; // a read has brought bytes
    bool atEnd;   // the end-of-image marker has been put in place of missing data
    JOCTET buffer[kBlockSize];
};

struct FileDestination {
    jpeg_destination_mgr manager;
    CFile* file;
    JOCTET buffer[kBlockSize];
};

PxJpegError* ErrorOf(j_common_ptr cinfo) {
    return reinterpret_cast<PxJpegError*>(cinfo->err);
}

void ErrorExit(j_common_ptr cinfo) {
    PxJpegError* error = ErrorOf(cinfo);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->landing, 1);
}

void OutputMessage(j_common_ptr) {}

// ---- Source ----

void InitSource(j_decompress_ptr cinfo) {
    FileSource* source = reinterpret_cast<FileSource*>(cinfo->src);
    source->started = false;
    source->atEnd = false;
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    FileSource* source = reinterpret_cast<FileSource*>(cinfo->src);
    std::size_t count = 0;
    int cause = -1;
    try {
        count = source->file->Read(source->buffer, kBlockSize);
    } catch (const CFileException& e) {
        cause = e.Cause();
    }
    // The jump out of the library happens outside the handler, so that the exception
    // object is released first.
    if (cause >= 0) {
        ErrorOf(reinterpret_cast<j_common_ptr>(cinfo))->fileCause = cause;
        ERREXIT(cinfo, JERR_FILE_READ);
    }
    if (count == 0) {
        if (!source->started)
            ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = 0xFF;
        source->buffer[1] = JPEG_EOI;
        count = 2;
        source->atEnd = true;
    } else {
        source->started = true;
    }
    source->manager.next_input_byte = source->buffer;
    source->manager.bytes_in_buffer = count;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0)
        return;
    FileSource* source = reinterpret_cast<FileSource*>(cinfo->src);
    auto remaining = static_cast<std::size_t>(count);
    while (remaining > source->manager.bytes_in_buffer) {
        remaining -= source->manager.bytes_in_buffer;
        FillInputBuffer(cinfo);
        // Past the end there is only the inserted marker, which must stay to be read.
        if (source->atEnd)
            return;
    }
    source->manager.next_input_byte += remaining;
    source->manager.bytes_in_buffer -= remaining;
}

void TermSource(j_decompress_ptr) {}

// ---- Destination ----

// Writes count bytes of the buffer; a file error ends the compression.
void WriteBlock(j_compress_ptr cinfo, std::size_t count, bool flush) {
    FileDestination* destination = reinterpret_cast<FileDestination*>(cinfo->dest);
    int cause = -1;
    try {
        if (count > 0)
            destination->file->Write(destination->buffer, count);
        if (flush)
            destination->file->Flush();
    } catch (const CFileException& e) {
        cause = e.Cause();
    }
    if (cause >= 0) {
        ErrorOf(reinterpret_cast<j_common_ptr>(cinfo))->fileCause = cause;
        ERREXIT(cinfo, JERR_FILE_WRITE);
    }
}

void InitDestination(j_compress_ptr cinfo) {
    FileDestination* destination = reinterpret_cast<FileDestination*>(cinfo->dest);
    destination->manager.next_output_byte = destination->buffer;
    destination->manager.free_in_buffer = kBlockSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    WriteBlock(cinfo, kBlockSize, false);
    InitDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    WriteBlock(cinfo, kBlockSize - cinfo->dest->free_in_buffer, true);
}

} // namespace

jpeg_error_mgr* PxJpegStdError(PxJpegError& error) {
    jpeg_error_mgr* manager = jpeg_std_error(&error.manager);
    manager->error_exit = ErrorExit;
    manager->output_message = OutputMessage;
    error.message[0] = '\0';
    error.fileCause = 0;
    return manager;
}

void PxJpegFileSource(j_decompress_ptr cinfo, CFile& file) {
    auto* source = static_cast<FileSource*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileSource)));
    source->manager.init_source = InitSource;
    source->manager.fill_input_buffer = FillInputBuffer;
    source->manager.skip_input_data = SkipInputData;
    source->manager.resync_to_restart = jpeg_resync_to_restart;
    source->manager.term_source = TermSource;
    source->manager.next_input_byte = nullptr;
    source->manager.bytes_in_buffer = 0;
    source->file = &file;
    source->started = false;
    source->atEnd = false;
    cinfo->src = &source->manager;
}

void PxJpegFileDestination(j_compress_ptr cinfo, CFile& file) {
    auto* destination = static_cast<FileDestination*>((*cinfo->mem->alloc_small)(
        reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(FileDestination)));
    destination->manager.init_destination = InitDestination;
    destination->manager.empty_output_buffer = EmptyOutputBuffer;
    destination->manager.term_destination = TermDestination;
    destination->file = &file;
    cinfo->dest = &destination->manager;
}
