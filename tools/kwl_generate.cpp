// Writes a sample road-design drawing (".kwl"): a plan, a longitudinal profile or a sheet of
// cross-sections, of its natural size or of at least the requested size.
#include "tools/RoadDrawingGenerator.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "Usage: kwl_generate [--sheet plan|profile|sections] [--size-mb N] [--seed S] OUTPUT.kwl\n"
    "\n"
    "Writes a road-design drawing (Windows-1250 text, CR LF line ends).\n"
    "  --sheet plan      a plan in metres of the national grid (default)\n"
    "  --sheet profile   longitudinal profile sheets, 1:1000 / 1:100\n"
    "  --sheet sections  sheets of cross-sections, 1:100\n"
    "  --size-mb N       write at least N megabytes (1 MB = 1048576 bytes; fractions allowed);\n"
    "                    0, the default, writes one drawing of its natural size\n"
    "  --seed S          a number from 0 to 4294967295 (default 1); the same seed and options\n"
    "                    always give the same file\n";

int usage(std::string_view problem) {
    if (!problem.empty())
        std::cerr << "kwl_generate: " << problem << "\n\n";
    std::cerr << kUsage;
    return 2;
}

std::optional<double> parseSize(std::string_view s) {
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v) || v < 0 || v > 1e6)
        return std::nullopt;
    return v;
}

std::optional<std::uint32_t> parseSeed(std::string_view s) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

} // namespace

int main(int argc, char** argv) {
    RoadSheet sheet = RoadSheet::Plan;
    double sizeMb = 0;
    std::uint32_t seed = 1;
    std::string output;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            return 0;
        }
        std::string_view value;
        std::string_view option = arg;
        if (arg.starts_with("--") && arg.find('=') != std::string_view::npos) {
            option = arg.substr(0, arg.find('='));
            value = arg.substr(arg.find('=') + 1);
        } else if (arg == "--sheet" || arg == "--size-mb" || arg == "--seed") {
            if (i + 1 >= argc)
                return usage(std::string(arg) + " needs a value");
            value = argv[++i];
        }
        if (option == "--sheet") {
            if (value == "plan")
                sheet = RoadSheet::Plan;
            else if (value == "profile")
                sheet = RoadSheet::Profile;
            else if (value == "sections")
                sheet = RoadSheet::CrossSections;
            else
                return usage("unknown sheet '" + std::string(value) + "'");
        } else if (option == "--size-mb") {
            const auto v = parseSize(value);
            if (!v)
                return usage("--size-mb needs a number of megabytes, not '" + std::string(value) +
                             "'");
            sizeMb = *v;
        } else if (option == "--seed") {
            const auto v = parseSeed(value);
            if (!v)
                return usage("--seed needs a whole number from 0 to 4294967295, not '" +
                             std::string(value) + "'");
            seed = *v;
        } else if (arg.size() > 1 && arg.front() == '-') {
            return usage("unknown option '" + std::string(arg) + "'");
        } else if (output.empty()) {
            output = arg;
        } else {
            return usage("only one output file may be given");
        }
    }
    if (output.empty())
        return usage("no output file given");

    std::ofstream out(output, std::ios::binary | std::ios::trunc);
    if (!out) {
        std::cerr << "kwl_generate: cannot create " << output << ": " << std::strerror(errno)
                  << "\n";
        return 1;
    }
    const auto target = static_cast<std::uint64_t>(std::ceil(sizeMb * 1048576.0));
    const std::uint64_t written = GenerateRoadDrawing(out, sheet, target, seed);
    out.close();
    if (!out) {
        std::cerr << "kwl_generate: cannot write " << output << "\n";
        return 1;
    }
    std::cout << "kwl_generate: wrote " << written << " bytes to " << output << "\n";
    return 0;
}
