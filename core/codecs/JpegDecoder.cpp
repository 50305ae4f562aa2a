// JPEG through libjpeg-turbo: full scale, block smoothing, decoded straight into the
// bitmap's B, G, R, X bytes. Greyscale, CMYK and YCCK files come out in colour, and the
// EXIF orientation turns the picture upright.
#include "core/codecs/Decoders.h"
#include "core/codecs/ExifOrientation.h"
#include "core/codecs/JpegErrors.h"
#include "core/codecs/PictureFiles.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace brimlet {

namespace {

// A progressive file may carry any number of scans, each a pass over the coefficients of
// the components it names; a hostile one repeats them endlessly. Real files have a dozen or
// so. The passes are also bounded in blocks visited, so that many scans of a large picture
// cannot keep the decoder busy either: two million visits take about a tenth of a second,
// and a real photo needs well under one visit per byte of its file.
constexpr int kMaxScans = 300;
constexpr std::int64_t kBlockVisitsAnyFileMay = std::int64_t(2) << 20;
constexpr std::int64_t kBlockVisitsPerByte = 32;

// What a byte of the file may cost. Huffman-coded sequential data spends at least two bits
// on every 8 x 8 block (one DC and one end-of-block code), so no such file carries more than
// 256 pixels a byte, 1 KiB of picture (an all-white greyscale file with optimised tables
// comes close). A multi-scan file also keeps every block's coefficients (128 bytes) in
// memory while it is read; all-white progressive files stay near 170 pixels a byte, which
// with their coefficients is under 1.5 KiB of memory a byte. Photos cost far less.
constexpr std::int64_t kPixelsPerByte = 256;
constexpr std::int64_t kMultiScanMemoryPerByte = 1536;

// The pixels the file's bytes can pay for (compared with the declared area). Turning the
// picture upright takes a second copy of it, so a turned picture pays twice.
std::int64_t FillablePixels(jpeg_decompress_struct& cinfo, std::size_t fileBytes, int orientation) {
    const bool turned = orientation >= 2 && orientation <= 8;
    const std::int64_t bytes = std::int64_t(fileBytes) / (turned ? 2 : 1);
    if (!jpeg_has_multiple_scans(&cinfo)) return bytes * kPixelsPerByte;
    std::int64_t blocks = 0;
    for (int i = 0; i < cinfo.num_components; ++i)
        blocks += std::int64_t(cinfo.comp_info[i].width_in_blocks) * cinfo.comp_info[i].height_in_blocks;
    const std::int64_t area = std::int64_t(cinfo.image_width) * cinfo.image_height;
    const std::int64_t memory = area * 4 + blocks * 128;
    // area * (what the bytes pay for) / (what the picture costs), without overflow.
    return std::int64_t((long double)area * (long double)(bytes * kMultiScanMemoryPerByte) / memory);
}

struct ScanLimit {
    jpeg_progress_mgr manager{};  // first member: libjpeg hands back its address
    int lastScan = 0;
    std::int64_t blockVisitsLeft = 0;
};

void LimitScans(j_common_ptr cinfo) {
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    auto* limit = reinterpret_cast<ScanLimit*>(cinfo->progress);
    if (d->input_scan_number == limit->lastScan) return;
    limit->lastScan = d->input_scan_number;
    if (d->input_scan_number > kMaxScans)
        FailJpeg(cinfo, "The JPEG file has too many scans to be a picture");
    for (int i = 0; i < d->comps_in_scan; ++i)
        limit->blockVisitsLeft -= std::int64_t(d->cur_comp_info[i]->width_in_blocks) *
                                  d->cur_comp_info[i]->height_in_blocks;
    if (limit->blockVisitsLeft < 0)
        FailJpeg(cinfo, "The JPEG file has too many scans for the data it holds");
}

// libjpeg leaves 255 in the X byte; every loaded pixel carries alpha 0.
void ClearAlpha(std::uint8_t* row, int width) {
    for (int x = 0; x < width; ++x) {
        std::uint32_t v;
        std::memcpy(&v, row + 4 * std::size_t(x), 4);
        v &= 0x00FFFFFFu;
        std::memcpy(row + 4 * std::size_t(x), &v, 4);
    }
}

// A row no data reached: white with alpha 0, as a freshly sized bitmap is.
void WhiteRow(std::uint8_t* row, int width) {
    const std::uint32_t white = 0x00FFFFFFu;
    for (int x = 0; x < width; ++x) std::memcpy(row + 4 * std::size_t(x), &white, 4);
}

// CMYK rows to B, G, R, 0. Adobe's files store the inks inverted (255 = no ink), which is
// what libjpeg also makes of YCCK; others store them plainly.
void CmykToBgr(const std::uint8_t* cmyk, std::uint8_t* bgr, int width, bool inverted) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 4) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgr[0] = std::uint8_t((y * k + 127) / 255);
        bgr[1] = std::uint8_t((m * k + 127) / 255);
        bgr[2] = std::uint8_t((c * k + 127) / 255);
        bgr[3] = 0;
    }
}

int OrientationOf(const jpeg_decompress_struct& cinfo) {
    for (jpeg_saved_marker_ptr m = cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1) {
            int orientation = ExifOrientation({m->data, m->data_length});
            if (orientation != 1) return orientation;
        }
    return 1;
}

struct Decompressor {
    jpeg_decompress_struct cinfo{};
    ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

}  // namespace

TBitmap32 DecodeJpeg(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) throw PictureError("The JPEG file is empty");
    // Everything the error jump passes over is declared before the setjmp.
    TBitmap32 picture;
    std::vector<std::uint8_t> cmykRow;
    JpegErrors errors;
    ScanLimit scans;
    scans.manager.progress_monitor = LimitScans;
    scans.blockVisitsLeft =
        std::max(kBlockVisitsAnyFileMay, std::int64_t(bytes.size()) * kBlockVisitsPerByte);
    Decompressor d;
    d.cinfo.err = InstallJpegErrors(errors);
    if (setjmp(errors.jump)) throw PictureError(errors.message);

    jpeg_create_decompress(&d.cinfo);
    d.cinfo.progress = &scans.manager;
    jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_save_markers(&d.cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(&d.cinfo, TRUE);
    CheckDecodedSize(d.cinfo.image_width, d.cinfo.image_height);
    // Before anything is allocated for the picture's size.
    const int orientation = OrientationOf(d.cinfo);
    CheckDataCanFill("JPEG", d.cinfo.image_width, d.cinfo.image_height,
                     FillablePixels(d.cinfo, bytes.size(), orientation));

    const bool cmyk = d.cinfo.jpeg_color_space == JCS_CMYK || d.cinfo.jpeg_color_space == JCS_YCCK;
    const bool invertedInks = d.cinfo.saw_Adobe_marker;
    d.cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
    d.cinfo.scale_num = d.cinfo.scale_denom = 1;
    d.cinfo.do_block_smoothing = TRUE;
    d.cinfo.dct_method = JDCT_ISLOW;
    jpeg_start_decompress(&d.cinfo);

    const int width = int(d.cinfo.output_width), height = int(d.cinfo.output_height);
    // Rows are filled as they are decoded; only rows never reached are made white below,
    // so a whole file's picture is written once.
    picture.SetSizeForOverwrite(width, height);
    if (cmyk) cmykRow.resize(std::size_t(width) * 4);
    // A single-scan file decodes as it is read: once its data has run out, the rows still to
    // come hold nothing of the picture, so they stay white rather than take the time to
    // decode a huge declared size from nothing. libjpeg reads up to two block rows ahead of
    // its output, so those rows are still taken (a file that lacks only its end marker is
    // whole). A progressive file has read all its scans by now; its later rows are real.
    const bool stopAtEnd = !jpeg_has_multiple_scans(&d.cinfo);
    const JDIMENSION readAhead = JDIMENSION(3 * d.cinfo.max_v_samp_factor * DCTSIZE);
    JDIMENSION stopRow = d.cinfo.output_height;
    while (d.cinfo.output_scanline < std::min(stopRow, d.cinfo.output_height)) {
        if (stopAtEnd && errors.dataEnded && stopRow == d.cinfo.output_height)
            stopRow = d.cinfo.output_scanline + readAhead;
        const int y = int(d.cinfo.output_scanline);
        std::uint8_t* row = picture.ScanLine(y);
        if (cmyk) {
            JSAMPROW rows[1] = {cmykRow.data()};
            if (jpeg_read_scanlines(&d.cinfo, rows, 1) != 1) break;
            CmykToBgr(cmykRow.data(), row, width, invertedInks);
        } else {
            // Several rows at once where libjpeg has them (the upsampled block height).
            JSAMPROW rows[16];
            int n = std::min<int>(16, height - y);
            for (int i = 0; i < n; ++i) rows[i] = picture.ScanLine(y + i);
            int got = int(jpeg_read_scanlines(&d.cinfo, rows, JDIMENSION(n)));
            if (got == 0) break;
            for (int i = 0; i < got; ++i) ClearAlpha(rows[i], width);
        }
    }
    for (int y = int(d.cinfo.output_scanline); y < height; ++y) WhiteRow(picture.ScanLine(y), width);
    // The picture is complete; what follows the last scan (trailing markers, junk) is not
    // read, so a file damaged only there still opens.
    return ApplyOrientation(std::move(picture), orientation);
}

}  // namespace brimlet
