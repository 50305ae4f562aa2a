#include "core/codecs/JpegErrors.h"

#include <cstring>

#include <jerror.h>

namespace brimlet {

namespace {

JpegErrors& ErrorsOf(j_common_ptr cinfo) {
    // manager is the first member, so the pointer libjpeg holds is the whole struct's.
    return *reinterpret_cast<JpegErrors*>(cinfo->err);
}

[[noreturn]] void ExitWithMessage(j_common_ptr cinfo) {
    JpegErrors& errors = ErrorsOf(cinfo);
    (*cinfo->err->format_message)(cinfo, errors.message);
    std::longjmp(errors.jump, 1);
}

void IgnoreMessage(j_common_ptr cinfo, int level) {
    if (level >= 0) return;
    ++cinfo->err->num_warnings;
    if (cinfo->err->msg_code == JWRN_JPEG_EOF) ErrorsOf(cinfo).dataEnded = true;
}

}  // namespace

jpeg_error_mgr* InstallJpegErrors(JpegErrors& errors) {
    jpeg_std_error(&errors.manager);
    errors.manager.error_exit = ExitWithMessage;
    errors.manager.emit_message = IgnoreMessage;
    return &errors.manager;
}

void FailJpeg(j_common_ptr cinfo, const char* message) {
    JpegErrors& errors = ErrorsOf(cinfo);
    std::strncpy(errors.message, message, sizeof errors.message - 1);
    std::longjmp(errors.jump, 1);
}

}  // namespace brimlet
