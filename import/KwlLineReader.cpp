#include "import/KwlLineReader.h"

#include <QFile>

#include <cerrno>
#include <cstring>

namespace {
constexpr std::size_t kBufferSize = 1 << 20;
constexpr char kCtrlZ = 26;
} // namespace

KwlLineReader::KwlLineReader(const QString& path) : buffer_(kBufferSize) {
    file_ = std::fopen(QFile::encodeName(path).constData(), "rb");
    if (!file_)
        throw std::runtime_error(std::strerror(errno));
}

KwlLineReader::~KwlLineReader() {
    if (file_)
        std::fclose(file_);
}

bool KwlLineReader::fill() {
    if (ended_)
        return false;
    size_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    pos_ = 0;
    if (size_ == 0) {
        if (std::ferror(file_))
            throw std::runtime_error(std::strerror(errno));
        ended_ = true;
        return false;
    }
    if (const void* z = std::memchr(buffer_.data(), kCtrlZ, size_)) {
        size_ = static_cast<std::size_t>(static_cast<const char*>(z) - buffer_.data());
        ended_ = true;
    }
    return size_ > 0;
}

bool KwlLineReader::atEnd() {
    if (skipLineFeed_) {
        if (pos_ >= size_ && !fill())
            return true;
        if (buffer_[pos_] == '\n')
            ++pos_;
        skipLineFeed_ = false;
    }
    return pos_ >= size_ && !fill();
}

void KwlLineReader::readLine(std::string& line) {
    line.clear();
    if (atEnd())
        return;
    for (;;) {
        const char* start = buffer_.data() + pos_;
        const void* cr = std::memchr(start, '\r', size_ - pos_);
        if (cr) {
            const auto length = static_cast<std::size_t>(static_cast<const char*>(cr) - start);
            line.append(start, length);
            pos_ += length + 1;
            skipLineFeed_ = true;
            return;
        }
        line.append(start, size_ - pos_);
        pos_ = size_;
        if (!fill())
            return;
    }
}
