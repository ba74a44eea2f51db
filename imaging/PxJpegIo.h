// The three managers that connect the JPEG library to an image's file object: a source
// that reads the file in blocks of 4096 bytes, a destination that writes it in blocks of
// 4096 bytes, and an error manager that leaves the library for good on a fatal error.
//
// Error handling: a fatal error formats the library's message into PxJpegError::message
// and jumps (longjmp) to PxJpegError::landing, which the caller sets with setjmp before the
// first library call; it never returns into the library. The caller then destroys the
// library object and fails. Warnings (a premature end of the file among them) are counted
// in the manager's num_warnings and shown nowhere.
//
// File errors do not travel through the library as exceptions: the source and destination
// catch CFileException, keep its cause in PxJpegError::fileCause and raise a fatal error.
//
// Source: when a read brings no bytes and nothing has been read yet, the library's fatal
// "empty input" error is raised; after data, the library's premature-end warning is raised
// and the two bytes FF D9 (end of image) are handed over, so that decoding ends cleanly.
// Destination: every full block is written; termination writes the rest and flushes.
#pragma once

#include <csetjmp>
#include <cstdio> // jpeglib.h needs size_t and FILE declared first

#include <jpeglib.h>

class CFile;

struct PxJpegError {
    jpeg_error_mgr manager; // first member: the library's err pointer points at it
    std::jmp_buf landing;
    char message[JMSG_LENGTH_MAX];
    int fileCause; // the file-error cause that ended the work, else 0
};

// Makes error the library's standard error manager with the program's fatal-error exit and
// silent output; returns the pointer for the library object's err field.
jpeg_error_mgr* PxJpegStdError(PxJpegError& error);
// Installs a source over file from its current position, allocated in the decompressor's
// permanent pool (freed with it). The file must outlive the decompressor.
void PxJpegFileSource(j_decompress_ptr cinfo, CFile& file);
// Installs a destination over file at its current position, allocated likewise.
void PxJpegFileDestination(j_compress_ptr cinfo, CFile& file);
