// libjpeg with an error manager that prints nothing and leaves by longjmp
// instead of exiting, a source that hands the decoder the file's bytes and
// then end markers for ever, and a progress monitor that stops runaway and
// cancelled decodes.
#include "imaging/jpeg_decoder.h"

#include "imaging/picture_file.h"
#include "surface/surface.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio> // jpeglib.h needs FILE
#include <span>

#include <jerror.h>
#include <jpeglib.h>

namespace gdiplus {
namespace {

// More scans than any encoder's script has: libjpeg-turbo's own tools stop
// at a few hundred. Each scan is a pass over the picture's blocks, so a file
// of thousands of tiny scans would keep the decoder busy for seconds.
constexpr int kMostScans = 500;

struct Errors {
    jpeg_error_mgr mgr; // first: libjpeg hands back a pointer to it
    std::jmp_buf leave;
};

[[noreturn]] void leave(j_common_ptr info) {
    std::longjmp(reinterpret_cast<Errors*>(info->err)->leave, 1);
}

// Warnings are never printed. Running into a marker while the blocks still
// want bits is the Huffman decoder's sign that the data of a scan is
// missing, and the picture is refused at once; everything else it copes
// with (stray bytes, damaged blocks) is kept as any viewer shows it.
void note(j_common_ptr info, int level) {
    if (level < 0 && info->err->msg_code == JWRN_HIT_MARKER) leave(info);
}

void silent(j_common_ptr) {}

struct Progress {
    jpeg_progress_mgr mgr; // first: libjpeg hands back a pointer to it
    const std::atomic<bool>* cancel = nullptr;
};

// Called between scans, after every row of blocks read and before every
// batch of rows written.
void check(j_common_ptr info) {
    const auto& progress = *reinterpret_cast<const Progress*>(info->progress);
    if (reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMostScans) leave(info);
    if (progress.cancel && progress.cancel->load(std::memory_order_relaxed)) leave(info);
}

// The file's bytes, then an end marker each time more are asked for: the
// decoder meets the marker where the data stops, as it would a real one.
const JOCTET kEnd[2] = {0xFF, JPEG_EOI};

void start(j_decompress_ptr) {}

// Arithmetic-coded data has no sign of its own end: its decoder takes in
// bytes only as it needs them and supplies zeros after a marker without a
// word. So the file was cut when the decoder asks for more while the rows of
// a scan are still being read. The Huffman decoder reads ahead, so there a
// fed marker counts only once the blocks want its bits (note()).
boolean more(j_decompress_ptr info) {
    if (info->arith_code && info->input_iMCU_row < info->total_iMCU_rows)
        leave(reinterpret_cast<j_common_ptr>(info));
    info->src->next_input_byte = kEnd;
    info->src->bytes_in_buffer = sizeof kEnd;
    return TRUE;
}

void skip(j_decompress_ptr info, long count) {
    jpeg_source_mgr& src = *info->src;
    if (count <= 0) return;
    if (size_t(count) <= src.bytes_in_buffer) {
        src.next_input_byte += count;
        src.bytes_in_buffer -= size_t(count);
    } else {
        more(info);
    }
}

void stop(j_decompress_ptr) {}

// What libjpeg may take for itself. A progressive picture keeps every
// coefficient of every component, two bytes each, until its last scan: as
// much as the picture's area needs, up to the layer's pixel limit, beyond
// which no picture is decoded whole.
long memory_for(const jpeg_decompress_struct& info) {
    const int64_t area =
        std::min(int64_t(info.image_width) * int64_t(info.image_height), kMaxPixels);
    return long(area * 2 * info.num_components + gdiplus::kDecoderWorkingBytes);
}

// Shrinking while decoding: the smallest of libjpeg's eighths (1/8 to 8/8)
// that keeps both sides at least the wanted ones.
unsigned eighths(const jpeg_decompress_struct& info, QSize want) {
    const double f = std::min(double(info.image_width) / want.width(),
                              double(info.image_height) / want.height());
    return unsigned(std::clamp(std::ceil(8 / f), 1.0, 8.0));
}

// Inverted CMYK (as Adobe writes it) to RGB, in place on a row.
void cmyk_to_rgb(std::span<uint32_t> row) {
    for (uint32_t& p : row) {
        const uint32_t c = p & 0xFF, m = p >> 8 & 0xFF, y = p >> 16 & 0xFF, k = p >> 24;
        p = 0xFF000000u | (k * c / 255) << 16 | (k * m / 255) << 8 | k * y / 255;
    }
}

struct Decoder {
    Errors errors;
    Progress progress;
    jpeg_source_mgr source{};
    jpeg_decompress_struct info{};
    bool created = false;
    ~Decoder() {
        if (created) jpeg_destroy_decompress(&info);
    }

    // Runs `step` with libjpeg's errors leading back here: false when one
    // happened. `step` keeps no object with a destructor of its own.
    template <class Step> bool guarded(Step step) {
        if (setjmp(errors.leave)) return false;
        step();
        return true;
    }

    bool read_header(const uchar* data, size_t size, QSize want, const std::atomic<bool>* cancel) {
        info.err = jpeg_std_error(&errors.mgr);
        errors.mgr.error_exit = leave;
        errors.mgr.emit_message = note;
        errors.mgr.output_message = silent;
        progress.mgr.progress_monitor = check;
        progress.cancel = cancel;
        return guarded([&] {
            jpeg_create_decompress(&info);
            created = true;
            info.progress = &progress.mgr;
            info.mem->max_memory_to_use = gdiplus::kDecoderWorkingBytes;
            source.next_input_byte = data;
            source.bytes_in_buffer = size;
            source.init_source = start;
            source.fill_input_buffer = more;
            source.skip_input_data = skip;
            source.resync_to_restart = jpeg_resync_to_restart;
            source.term_source = stop;
            info.src = &source;
            jpeg_read_header(&info, TRUE);
            info.mem->max_memory_to_use = memory_for(info);
            const J_COLOR_SPACE space = info.jpeg_color_space;
            // BGRA, not BGRX: only the former promises 0xFF in the fourth byte.
            info.out_color_space = space == JCS_CMYK || space == JCS_YCCK ? JCS_CMYK
                                   : space == JCS_GRAYSCALE               ? JCS_GRAYSCALE
                                                                          : JCS_EXT_BGRA;
            info.dct_method = JDCT_ISLOW;
            info.do_fancy_upsampling = TRUE;
            if (want.isValid() && !want.isEmpty()) {
                info.scale_num = eighths(info, want);
                info.scale_denom = 8;
            }
            jpeg_calc_output_dimensions(&info);
        });
    }

    // Grey pictures stay grey, one byte a pixel; the rest become RGB32.
    QImage::Format format() const {
        return info.out_color_space == JCS_GRAYSCALE ? QImage::Format_Grayscale8
                                                     : QImage::Format_RGB32;
    }

    // Every row into `out`, which has the output size and format; false
    // when the data ends before the picture does, or the decoding is
    // stopped.
    bool read_rows(QImage& out) {
        uchar* const bits = out.bits();
        const qsizetype stride = out.bytesPerLine();
        const bool cmyk = info.out_color_space == JCS_CMYK;
        return guarded([&] {
            jpeg_start_decompress(&info);
            JSAMPROW rows[16];
            while (info.output_scanline < info.output_height) {
                const JDIMENSION first = info.output_scanline;
                const JDIMENSION count = std::min<JDIMENSION>(16, info.output_height - first);
                for (JDIMENSION k = 0; k < count; ++k) rows[k] = bits + (first + k) * stride;
                jpeg_read_scanlines(&info, rows, count);
                for (JDIMENSION y = first; cmyk && y < info.output_scanline; ++y)
                    cmyk_to_rgb({reinterpret_cast<uint32_t*>(bits + y * stride),
                                 size_t(info.output_width)});
            }
        });
    }
};

} // namespace

JpegOutcome decode_jpeg(const QString& path, QImage& out, QSize want,
                        const std::atomic<bool>* cancel) {
    const gdiplus::decoding::FileBytes file(path);
    const uchar* data = file.data();
    const size_t length = file.size();
    if (length < 2 || data[0] != 0xFF || data[1] != 0xD8) return JpegOutcome::NotJpeg;

    Decoder decoder;
    if (!decoder.read_header(data, length, want, cancel)) return JpegOutcome::Refused;
    const int w = int(decoder.info.output_width), h = int(decoder.info.output_height);
    const QImage::Format format = decoder.format();
    if (out.size() != QSize(w, h) || out.format() != format)
        out = format == QImage::Format_RGB32 ? surface::new_image(w, h) : QImage(w, h, format);
    if (out.isNull() || !decoder.read_rows(out)) return JpegOutcome::Refused;
    const bool rescale = want.isValid() && !want.isEmpty() && want != out.size();
    if (rescale) out = out.scaled(want, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return out.isNull() ? JpegOutcome::Refused : JpegOutcome::Decoded;
}

} // namespace gdiplus
