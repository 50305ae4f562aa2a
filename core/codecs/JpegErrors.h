// libjpeg error handling for our decoder and encoder. libjpeg's default error_exit ends the
// process; ours jumps back to the caller's setjmp, which then throws PictureError with
// libjpeg's own message. Warnings (a truncated file, a bad restart marker) are counted and
// otherwise ignored: the readable part of the picture is kept.
#pragma once

#include <csetjmp>
#include <cstdio>
#include <string>

#include <jpeglib.h>

namespace brimlet {

struct JpegErrors {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    // The data ended before the picture did (libjpeg then feeds an end marker of its own).
    bool dataEnded = false;
};

// Installs the handlers; the caller must setjmp(errors.jump) before any libjpeg call.
jpeg_error_mgr* InstallJpegErrors(JpegErrors& errors);

// Leaves libjpeg with a message of our own (from a progress callback, for instance).
[[noreturn]] void FailJpeg(j_common_ptr cinfo, const char* message);

}  // namespace brimlet
