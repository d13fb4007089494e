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
#include <cstring>
#include <span>

#include <jerror.h>
#include <jpeglib.h>

namespace gdiplus {
namespace {

// More scans than any encoder's script has: libjpeg-turbo's own tools stop
// at a few hundred.
constexpr int kMostScans = 500;

// What the decoder may work through. Every scan is a pass over the blocks
// of its components, at a tenth of a microsecond or so a block whether the
// file holds data for them or not, so a small file of many scans over a
// large picture, or claiming a large picture of flat arithmetic-coded
// blocks, would keep it busy for seconds. A whole picture pays for its
// passes with its bytes: a Huffman-coded scan of DC coefficients takes a
// bit a block at the least, and the usual scripts add a few passes that
// take next to nothing (flat pictures of libjpeg's own script visit 19 to
// 37 blocks per byte, photographs 1 to 3). So the scans of a file may visit
// kBlocksPerByte blocks per byte it holds, beyond the kFreeBlocks that any
// file may; the file's own markers tell before decoding starts, and
// libjpeg's view of each scan as it comes. Comments, application segments
// and whatever follows the end marker hold no picture and pay for nothing.
constexpr int64_t kFreeBlocks = int64_t(1) << 19;
constexpr int64_t kBlocksPerByte = 40;

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
    int64_t budget = 0;   // blocks the file's scans may visit
    int scan = 0;         // the last scan charged
    unsigned scanned = 0; // bit c: component c was in a scan
};

// Called between scans, after every row of blocks read and before every
// batch of rows written. A scan is charged its blocks before its first row.
void check(j_common_ptr common) {
    auto& progress = *reinterpret_cast<Progress*>(common->progress);
    const auto& info = *reinterpret_cast<j_decompress_ptr>(common);
    if (info.input_scan_number > kMostScans) leave(common);
    if (info.input_scan_number != progress.scan) {
        progress.scan = info.input_scan_number;
        progress.budget -= int64_t(info.MCUs_per_row) * info.MCU_rows_in_scan * info.blocks_in_MCU;
        if (progress.budget < 0) leave(common);
        for (int c = 0; c < info.comps_in_scan; ++c)
            progress.scanned |= 1u << info.cur_comp_info[c]->component_index;
    }
    if (progress.cancel && progress.cancel->load(std::memory_order_relaxed)) leave(common);
}

// The file's bytes, then an end marker each time more are asked for: the
// decoder meets the marker where the data stops, as it would a real one.
const JOCTET kEnd[2] = {0xFF, JPEG_EOI};

struct Source {
    jpeg_source_mgr mgr;  // first: libjpeg hands back a pointer to it
    bool ran_out = false; // an end marker was made up
};

void start(j_decompress_ptr) {}

// Arithmetic-coded data has no sign of its own end: its decoder takes in
// bytes only as it needs them and supplies zeros after a marker without a
// word (an encoder leaves out the zeros that end its data, and a scan of
// flat blocks may be all zeros after its first bytes). So the file was cut
// when the decoder asks for more while the rows of a scan are still being
// read. The Huffman decoder reads ahead, so there a fed marker counts only
// once the blocks want its bits (note()).
boolean more(j_decompress_ptr info) {
    if (info->arith_code && info->input_iMCU_row < info->total_iMCU_rows)
        leave(reinterpret_cast<j_common_ptr>(info));
    reinterpret_cast<Source*>(info->src)->ran_out = true;
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

// The blocks that a scan of the `count` components given by `ids` (their
// identifiers in the frame header) visits: libjpeg's MCUs of the scan.
int64_t blocks_of_scan(const jpeg_decompress_struct& info, const uchar* ids, int count) {
    auto component = [&](uchar id) -> const jpeg_component_info* {
        for (int c = 0; c < info.num_components; ++c)
            if (info.comp_info[c].component_id == id) return &info.comp_info[c];
        return nullptr;
    };
    if (count == 1) {
        const jpeg_component_info* c = component(ids[0]);
        return c ? int64_t(c->width_in_blocks) * c->height_in_blocks : 0;
    }
    int64_t per_mcu = 0;
    for (int i = 0; i < count; ++i)
        if (const jpeg_component_info* c = component(ids[2 * i]))
            per_mcu += c->h_samp_factor * c->v_samp_factor;
    const int64_t mcu_w = info.max_h_samp_factor * DCTSIZE,
                  mcu_h = info.max_v_samp_factor * DCTSIZE;
    return (info.image_width + mcu_w - 1) / mcu_w * ((info.image_height + mcu_h - 1) / mcu_h) *
           per_mcu;
}

// Marker codes that jpeglib.h does not name.
constexpr uchar kStartOfImage = 0xD8, kStartOfScan = 0xDA, kTemporary = 0x01;

// Where the coded data from `p` ends: the next marker other than a restart
// marker.
const uchar* end_of_data(const uchar* p, const uchar* end) {
    while ((p = static_cast<const uchar*>(std::memchr(p, 0xFF, size_t(end - p)))) != nullptr &&
           end - p >= 2) {
        if (p[1] != 0 && p[1] != 0xFF && (p[1] < JPEG_RST0 || p[1] > JPEG_RST0 + 7)) return p;
        ++p;
    }
    return end;
}

// The blocks that all the scans of the file visit, and the bytes that pay
// for them, from its markers: the segments are skipped by their lengths and
// the coded data of each scan up to its end.
struct ScanWork {
    int64_t blocks = 0, paying_bytes = 2;
};
ScanWork blocks_of_scans(const jpeg_decompress_struct& info, const uchar* p, const uchar* end) {
    ScanWork work;
    for (p += 2; end - p >= 4;) {
        const uchar code = p[1];
        if (p[0] != 0xFF || code == 0xFF || code == 0) { // stray or fill bytes
            ++p;
            continue;
        }
        if (code == JPEG_EOI) break;
        if ((code >= JPEG_RST0 && code <= JPEG_RST0 + 7) || code == kStartOfImage ||
            code == kTemporary) {
            p += 2; // no length
            continue;
        }
        const int length = p[2] << 8 | p[3];
        const uchar* segment = p + 4;
        p = segment + (length - 2);
        if (code != JPEG_COM && (code < JPEG_APP0 || code > JPEG_APP0 + 15))
            work.paying_bytes += 2 + length;
        if (code != kStartOfScan || segment >= end || end - segment < 1 + 2 * segment[0]) continue;
        work.blocks += blocks_of_scan(info, segment + 1, segment[0]);
        if (p < end) {
            const uchar* data = p;
            p = end_of_data(p, end);
            work.paying_bytes += p - data;
        }
    }
    return work;
}

// What libjpeg may take for itself. A progressive picture keeps every
// coefficient of every component, two bytes each, until its last scan: as
// much as the picture's area needs (at most the layer's pixel limit).
long memory_for(const jpeg_decompress_struct& info) {
    const int64_t area = int64_t(info.image_width) * int64_t(info.image_height);
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
    Source source{};
    jpeg_decompress_struct info{};
    bool created = false;
    ~Decoder() {
        if (created) jpeg_destroy_decompress(&info);
    }

    j_common_ptr common() { return reinterpret_cast<j_common_ptr>(&info); }

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
        progress.budget = kFreeBlocks + kBlocksPerByte * int64_t(size);
        return guarded([&] {
            jpeg_create_decompress(&info);
            created = true;
            info.progress = &progress.mgr;
            info.mem->max_memory_to_use = gdiplus::kDecoderWorkingBytes;
            source.mgr.next_input_byte = data;
            source.mgr.bytes_in_buffer = size;
            source.mgr.init_source = start;
            source.mgr.fill_input_buffer = more;
            source.mgr.skip_input_data = skip;
            source.mgr.resync_to_restart = jpeg_resync_to_restart;
            source.mgr.term_source = stop;
            info.src = &source.mgr;
            jpeg_read_header(&info, TRUE);
            if (int64_t(info.image_width) * info.image_height > kMaxPixels) leave(common());
            ScanWork work = blocks_of_scans(info, data, data + size);
            work.paying_bytes = std::min(work.paying_bytes, int64_t(size));
            // What the header's reading was charged stays charged.
            progress.budget -= kBlocksPerByte * (int64_t(size) - work.paying_bytes);
            if (work.blocks > kFreeBlocks + kBlocksPerByte * work.paying_bytes) leave(common());
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

    // Whether every coefficient of every component came from the file: a
    // file of several scans has all its scans read once decompressing starts.
    bool all_scans_read() {
        if (!source.ran_out || !jpeg_has_multiple_scans(&info)) return true;
        for (int c = 0; c < info.num_components; ++c) {
            if ((progress.scanned >> c & 1) == 0) return false;
            for (int k = 0; info.progressive_mode && k < DCTSIZE2; ++k)
                if (info.coef_bits[c][k] != 0) return false;
        }
        return true;
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
            if (!all_scans_read()) leave(common());
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
