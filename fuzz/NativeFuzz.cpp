// Any bytes as a native drawing. The tables of a native file are packed with zlib and the whole
// is checksummed, so blind byte changes rarely get past the checksum or the unpacking. The
// mutator here therefore changes the unpacked tables half of the time and packs them again,
// gives most inputs a matching checksum, and turns inputs that are no drawing at all into small
// valid drawings now and then.
//
// A drawing that reads is measured, saved to memory and read again: what the reader accepts the
// writer has to write, and what the writer writes the reader has to accept.
#include "engine/io/FileError.h"
#include "engine/io/NativeFormat.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <new>
#include <random>
#include <string>
#include <string_view>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

constexpr std::size_t kHeaderSize = 32;
constexpr std::size_t kTablesAt = kHeaderSize + 16; // after the packed and plain lengths

template <typename T> T loadAt(const std::string& s, std::size_t at) {
    T value;
    std::memcpy(&value, s.data() + at, sizeof value);
    return value;
}
template <typename T> void storeAt(std::string& s, std::size_t at, T value) {
    std::memcpy(s.data() + at, &value, sizeof value);
}

// The unpacked tables of a file, and how many packed bytes they take; false when the file
// does not get that far.
bool unpackTables(const std::string& file, std::string& tables, std::uint64_t& packedSize) {
    if (file.size() < kTablesAt || !cad::looksNative(file))
        return false;
    packedSize = loadAt<std::uint64_t>(file, kHeaderSize);
    const auto plainSize = loadAt<std::uint64_t>(file, kHeaderSize + 8);
    if (packedSize > file.size() - kTablesAt || plainSize > (1u << 20))
        return false;
    tables.resize(plainSize);
    uLongf size = static_cast<uLongf>(plainSize);
    const int rc = uncompress(reinterpret_cast<Bytef*>(tables.data()), &size,
                              reinterpret_cast<const Bytef*>(file.data() + kTablesAt), packedSize);
    tables.resize(size);
    return rc == Z_OK;
}

std::string packTables(const std::string& tables) {
    uLongf size = compressBound(tables.size());
    std::string packed(size, '\0');
    compress2(reinterpret_cast<Bytef*>(packed.data()), &size,
              reinterpret_cast<const Bytef*>(tables.data()), tables.size(), Z_BEST_SPEED);
    packed.resize(size);
    return packed;
}

// A small drawing of a few entities of every kind, some in blocks.
std::string smallDrawing(std::minstd_rand& random) {
    cad::Drawing d;
    auto number = [&] { return static_cast<double>(random() % 2001) / 10.0 - 100.0; };
    d.layers.push_back({"Osie", 0x0000FF, 0x00FF00, 0.25, true, false, true});
    d.lineStyles.push_back({"Kreskowa", "5,-2.5", cad::parseLinePattern("5,-2.5")});
    d.textStyles.push_back({"Opisy", "Sans", 0.8, 0, 3, true, false});
    const unsigned blocks = random() % 3;
    for (unsigned b = 0; b <= blocks; ++b) {
        const std::size_t from = d.entities.size();
        d.addCircle({{number(), number()}, number()});
        if (b > 0)
            d.addInsert({static_cast<std::int32_t>(b - 1), {number(), number()}, 1, 1, number()});
        if (b < blocks)
            d.makeBlock("B" + std::to_string(b), {number(), number()}, from);
    }
    const cad::Vec2 path[] = {{number(), number()}, {number(), number()}, {number(), number()}};
    d.current.layer = 1;
    d.addPolyline(path, 3, random() % 2 == 0, static_cast<std::uint8_t>(random() % 3));
    d.addPoint({{number(), number()}});
    d.addLine({{number(), number()}, {number(), number()}});
    d.addArc({{number(), number()}, number(), number(), number()});
    d.addSector({{number(), number()}, number(), number(), number()});
    d.entities.back().set(cad::EntityFlag::Filled, random() % 2 == 0);
    d.addSpline(path, 3, random() % 2 == 0);
    d.addEllipse({{number(), number()}, number(), number(), number(), 0, 360});
    d.addRectangle({{number(), number()}, number(), number(), number()});
    d.addText({{number(), number()},
               2.5,
               number(),
               0,
               static_cast<std::int32_t>(random() % 9),
               1,
               "Km 0+\xb9"});
    d.addHatch(path, 3, {"ANSI31", random() % 2 == 0, 1, 45, {3}});
    d.addImage({"mapa.png", {number(), number()}, number(), number()});
    return cad::writeNative(d);
}

} // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    std::string file(reinterpret_cast<const char*>(data), size);
    std::string tables;
    std::uint64_t packedSize = 0;
    if (!cad::looksNative(file) && random() % 4 == 0) {
        file = smallDrawing(random);
    } else if (random() % 2 == 0 && unpackTables(file, tables, packedSize)) {
        const std::size_t plainSize = tables.size();
        tables.resize(plainSize * 2 + 64);
        tables.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(tables.data()), plainSize,
                                       tables.size()));
        const std::string packed = packTables(tables);
        std::string rebuilt = file.substr(0, kTablesAt) + packed +
                              file.substr(kTablesAt + static_cast<std::size_t>(packedSize));
        storeAt<std::uint64_t>(rebuilt, kHeaderSize, packed.size());
        storeAt<std::uint64_t>(rebuilt, kHeaderSize + 8, tables.size());
        file = std::move(rebuilt);
    } else {
        file.resize(maxSize);
        file.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(file.data()), size, maxSize));
    }
    // The checksum is left wrong now and then, so that its check stays covered as well.
    if (random() % 16 != 0)
        cad::resealNative(file);
    if (file.size() > maxSize)
        return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, file.data(), file.size());
    return file.size();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::unique_ptr<cad::Drawing> drawing;
    try {
        drawing = cad::readNative(bytes);
    } catch (const cad::FileError&) {
        return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    } catch (const std::exception&) {
        // Anything else means a check is missing: damage is reported as FileError.
        __builtin_trap();
    }

    const cad::Rect extents = drawing->extents();
    if (!extents.empty() && !(extents.left <= extents.right && extents.bottom <= extents.top))
        __builtin_trap();

    const std::string saved = cad::writeNative(*drawing);
    std::unique_ptr<cad::Drawing> again;
    try {
        again = cad::readNative(saved);
    } catch (const std::exception&) {
        __builtin_trap(); // the writer wrote what the reader refuses
    }
    if (again->entities.size() != drawing->entities.size() || cad::writeNative(*again) != saved)
        __builtin_trap();
    return 0;
}
