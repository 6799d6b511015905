#pragma once

#include "support/temp_files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <iterator>
#include <optional>
#include <stdlib.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fururupo::testing {

// Sets (or, given nothing, unsets) an environment variable for the life of the object, then restores it.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name(name)
    {
        if (const char* old = ::getenv(name))
            saved = old;
        apply(value);
    }
    ~ScopedVariable() { apply(saved); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    void apply(const std::optional<std::string>& value)
    {
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }

    const char* name;
    std::optional<std::string> saved;
};

// Runs a check where file permissions bind: in a child process that has become nobody when the tests run as root,
// in this process otherwise. Returns what the check returned; the child must only read.
inline std::string withoutPrivileges(const std::function<std::string()>& check)
{
    if (::geteuid() != 0)
        return check();
    int channel[2];
    if (::pipe(channel) != 0)
        return "no pipe";
    const pid_t child = ::fork();
    if (child < 0)
        return "no fork";
    if (child == 0) {
        ::close(channel[0]);
        const std::string result = ::setgroups(0, nullptr) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0
                                       ? check()
                                       : std::string("could not become nobody");
        std::size_t written = 0;
        while (written < result.size()) {
            const ssize_t n = ::write(channel[1], result.data() + written, result.size() - written);
            if (n <= 0)
                break;
            written += static_cast<std::size_t>(n);
        }
        ::_exit(0);
    }
    ::close(channel[1]);
    std::string result;
    char buffer[4096];
    ssize_t n;
    while ((n = ::read(channel[0], buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0)
            result.append(buffer, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return result;
}

// A temporary folder that an unprivileged user may look into, whatever the umask.
inline void openToEveryone(const TempFolder& folder)
{
    std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                                    std::filesystem::perms::group_exec |
                                                    std::filesystem::perms::others_read |
                                                    std::filesystem::perms::others_exec);
}

// The names in a folder, sorted, as bytes.
inline std::vector<std::string> namesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().native());
    std::sort(names.begin(), names.end());
    return names;
}

inline std::string bytesOf(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

} // namespace fururupo::testing
