// JPEGs from libjpeg's own encoder, made in memory for the picture tests and
// benchmarks: no subsampling, quality 90, grey (one component), RGB (three)
// or CMYK (four), sequential or progressive (libjpeg's own script, or
// `script`), Huffman- or arithmetic-coded.
#pragma once

#include <QByteArray>

#include <cstdio> // jpeglib.h needs FILE
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

namespace testsupport {

enum Coding : unsigned { kSequential = 0, kProgressive = 1, kArithmetic = 2, kRowsAlike = 4 };

// `sample(x, y, component)` gives each sample (kRowsAlike: the first row's, for every row).
template <class Sample>
QByteArray libjpeg_file(int width, int height, int components, Sample sample,
                        unsigned coding = kSequential,
                        const std::vector<jpeg_scan_info>& script = {}) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* bytes = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &bytes, &size);
    info.image_width = JDIMENSION(width), info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = components == 4 ? JCS_CMYK : components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 90, TRUE);
    for (int c = 0; c < components; ++c)
        info.comp_info[c].h_samp_factor = info.comp_info[c].v_samp_factor = 1;
    info.arith_code = (coding & kArithmetic) != 0;
    if (coding & kProgressive) jpeg_simple_progression(&info);
    if (!script.empty()) info.scan_info = script.data(), info.num_scans = int(script.size());
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(size_t(width) * size_t(components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width && (y == 0 || !(coding & kRowsAlike)); ++x)
            for (int c = 0; c < components; ++c)
                row[size_t(x) * size_t(components) + size_t(c)] = JSAMPLE(sample(x, y, c));
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(bytes), qsizetype(size));
    std::free(bytes);
    return out;
}

} // namespace testsupport
