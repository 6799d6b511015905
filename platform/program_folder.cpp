#include "platform/program_folder.h"

#include "platform/text_reader.h"

#include <system_error>

namespace fururupo {

std::optional<std::filesystem::path> executableFolder()
{
    std::error_code error;
    // The kernel resolves every link on the way to the executable; the name it gives is already the real one.
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !executable.is_absolute() || !executable.has_parent_path())
        return std::nullopt;
    return executable.parent_path();
}

std::u16string displayPath(const std::filesystem::path& path)
{
    return decodeUtf8(path.native());
}

} // namespace fururupo
