// Lines of a road-design drawing file, read through a buffer so that the file is never held in
// memory whole. A line ends at a carriage return, and a line feed right after it belongs to that
// end; a lone line feed is an ordinary character. The file ends at its physical end or at the
// first Ctrl+Z, whose line still counts when it holds text.
#pragma once

#include <QString>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class KwlLineReader {
public:
    // Throws std::runtime_error when the file cannot be opened.
    explicit KwlLineReader(const QString& path);
    ~KwlLineReader();
    KwlLineReader(const KwlLineReader&) = delete;
    KwlLineReader& operator=(const KwlLineReader&) = delete;

    // True when no line is left.
    bool atEnd();
    // The next line, without its end; an empty line at the end of the file. Throws
    // std::runtime_error on a read error.
    void readLine(std::string& line);

private:
    bool fill();

    std::FILE* file_ = nullptr;
    std::vector<char> buffer_;
    std::size_t pos_ = 0;
    std::size_t size_ = 0;
    bool ended_ = false; // the physical end or a Ctrl+Z has been reached
    bool skipLineFeed_ = false;
};
