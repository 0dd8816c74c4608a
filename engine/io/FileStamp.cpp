#include "engine/io/FileStamp.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

namespace cad {

namespace {

constexpr std::uint64_t kPrime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t kPrime2 = 0xC2B2AE3D27D4EB4Full;

std::uint64_t rotl(std::uint64_t v, int n) {
    return (v << n) | (v >> (64 - n));
}

std::uint64_t mix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

} // namespace

std::uint64_t hashBytes(const char* data, std::size_t size, std::uint64_t carried) {
    std::uint64_t h = carried ^ kPrime1;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, data + i, 8);
        h = rotl(h ^ rotl(word * kPrime2, 31) * kPrime1, 27) * 5 + 0x52DCE729;
    }
    std::uint64_t tail = 0;
    std::memcpy(&tail, data + i, size - i);
    h ^= rotl(tail * kPrime2, 31) * kPrime1;
    return mix(h ^ size);
}

std::optional<FileStamp> fileStampOf(const std::string& path) {
    std::error_code error;
    const std::filesystem::path file(path);
    if (!std::filesystem::is_regular_file(file, error))
        return std::nullopt;
    const auto written = std::filesystem::last_write_time(file, error);
    if (error)
        return std::nullopt;
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    FileStamp stamp;
    stamp.writtenNs = static_cast<std::int64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(written.time_since_epoch()).count());
    std::vector<char> buffer(std::size_t(1) << 20);
    while (in) {
        in.read(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        const auto got = static_cast<std::size_t>(in.gcount());
        if (got == 0)
            break;
        stamp.hash = hashBytes(buffer.data(), got, stamp.hash);
        stamp.size += static_cast<std::int64_t>(got);
    }
    if (in.bad())
        return std::nullopt;
    return stamp;
}

} // namespace cad
