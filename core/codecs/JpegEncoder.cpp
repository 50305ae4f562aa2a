// JPEG writing through libjpeg-turbo: baseline, colour (YCbCr), straight from the bitmap's
// B, G, R bytes (the fourth byte is skipped by libjpeg's BGRX input).
#include "core/codecs/JpegErrors.h"
#include "core/codecs/PictureFiles.h"

#include <algorithm>

namespace brimlet {

namespace {

// A destination manager that writes into a growing std::vector.
struct VectorDestination {
    jpeg_destination_mgr manager{};
    std::vector<std::uint8_t>* out = nullptr;
};

VectorDestination& DestinationOf(j_compress_ptr cinfo) {
    return *reinterpret_cast<VectorDestination*>(cinfo->dest);
}

void StartDestination(j_compress_ptr cinfo) {
    VectorDestination& d = DestinationOf(cinfo);
    d.manager.next_output_byte = d.out->data();
    d.manager.free_in_buffer = d.out->size();
}

boolean GrowDestination(j_compress_ptr cinfo) {
    VectorDestination& d = DestinationOf(cinfo);
    // libjpeg calls this only when the whole buffer is full.
    std::size_t used = d.out->size();
    d.out->resize(used * 2);
    d.manager.next_output_byte = d.out->data() + used;
    d.manager.free_in_buffer = d.out->size() - used;
    return TRUE;
}

void FinishDestination(j_compress_ptr cinfo) {
    VectorDestination& d = DestinationOf(cinfo);
    d.out->resize(d.out->size() - d.manager.free_in_buffer);
}

struct Compressor {
    jpeg_compress_struct cinfo{};
    ~Compressor() { jpeg_destroy_compress(&cinfo); }
};

}  // namespace

std::vector<std::uint8_t> EncodeJpeg(const TBitmap32& picture, int quality) {
    if (picture.Empty()) throw PictureError("An empty picture cannot be saved as JPEG");
    std::vector<std::uint8_t> out;
    std::vector<JSAMPROW> rows;
    JpegErrors errors;
    VectorDestination destination;
    Compressor c;
    c.cinfo.err = InstallJpegErrors(errors);
    if (setjmp(errors.jump)) throw PictureError(errors.message);

    jpeg_create_compress(&c.cinfo);
    // A photograph at quality 90 takes roughly a quarter of a byte per pixel; start there.
    out.resize(std::max<std::size_t>(65536, picture.ByteCount() / 16));
    destination.out = &out;
    destination.manager.init_destination = StartDestination;
    destination.manager.empty_output_buffer = GrowDestination;
    destination.manager.term_destination = FinishDestination;
    c.cinfo.dest = &destination.manager;

    c.cinfo.image_width = JDIMENSION(picture.Width());
    c.cinfo.image_height = JDIMENSION(picture.Height());
    c.cinfo.input_components = 4;
    c.cinfo.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&c.cinfo);
    jpeg_set_quality(&c.cinfo, std::clamp(quality, 1, 100), TRUE);
    c.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_compress(&c.cinfo, TRUE);

    // libjpeg only reads the rows; its interface is not const.
    rows.resize(std::size_t(picture.Height()));
    for (int y = 0; y < picture.Height(); ++y)
        rows[std::size_t(y)] = const_cast<JSAMPROW>(picture.ScanLine(y));
    while (c.cinfo.next_scanline < c.cinfo.image_height)
        jpeg_write_scanlines(&c.cinfo, rows.data() + c.cinfo.next_scanline,
                             c.cinfo.image_height - c.cinfo.next_scanline);
    jpeg_finish_compress(&c.cinfo);
    return out;
}

}  // namespace brimlet
