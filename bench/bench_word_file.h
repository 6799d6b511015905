#pragma once

#include <cstddef>
#include <filesystem>

namespace fururupo::bench {

// A full word file written once per run into a fresh temporary folder, removed when the program ends: 1001 lines of
// 159 full-width characters each, code page 932, every line ended by CR LF.
struct BenchWordFile
{
    static constexpr int lines = 1001;
    static constexpr int charactersPerLine = 159;

    std::filesystem::path path;
    std::size_t bytes = 0;
};

const BenchWordFile& fullWordFile();

} // namespace fururupo::bench
