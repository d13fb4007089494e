// A picture file's bytes.
#include "imaging/picture_file.h"

namespace gdiplus::decoding {

FileBytes::FileBytes(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::ReadOnly)) return;
    opened_ = true;
    const qint64 size = file_.size();
    if (size <= 0) return;
    data_ = file_.map(0, size);
    size_ = size_t(size);
    if (data_ == nullptr) { // a file that cannot be mapped
        copy_ = file_.readAll();
        data_ = reinterpret_cast<const uchar*>(copy_.constData());
        size_ = size_t(copy_.size());
    }
}

} // namespace gdiplus::decoding
