#include "bench_word_file.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace fururupo::bench {

namespace {

class Owner
{
public:
    Owner()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "fururupo-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder for the word file");
        folder = pattern;
        file.path = folder / "MSG.txt";

        // Hiragana ぁ..ん are 0x82 0x9F..0xF1 in code page 932; each line starts at a different one.
        std::string bytes;
        for (int line = 0; line < BenchWordFile::lines; ++line) {
            for (int column = 0; column < BenchWordFile::charactersPerLine; ++column) {
                bytes += '\x82';
                bytes += static_cast<char>(0x9F + (line * 7 + column) % 83);
            }
            bytes += "\r\n";
        }
        std::ofstream(file.path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        file.bytes = bytes.size();
    }
    ~Owner()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    BenchWordFile file;
};

} // namespace

const BenchWordFile& fullWordFile()
{
    static const Owner owner;
    return owner.file;
}

} // namespace fururupo::bench
