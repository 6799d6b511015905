#include "platform/program_folder.h"

#include "support/temp_files.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

using namespace fururupo;
using fururupo::testing::TempFolder;

extern char** environ;

namespace {

// Runs a program by the path given, from the folder given, and returns what it printed.
std::string outputOf(const std::filesystem::path& program, const std::filesystem::path& workingFolder)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return "(no pipe)";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addchdir_np(&actions, workingFolder.c_str());
    char* const arguments[] = {const_cast<char*>(program.c_str()), nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeEnds[1]);
    std::string output;
    char chunk[4096];
    ssize_t count;
    while ((count = ::read(pipeEnds[0], chunk, sizeof chunk)) > 0)
        output.append(chunk, static_cast<std::size_t>(count));
    ::close(pipeEnds[0]);
    if (spawned != 0)
        return "(not started)";
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? output : "(failed)";
}

} // namespace

// The game reads MSG.txt from beside its executable: a folder name that is not UTF-8 (Shift-JIS from an old archive),
// a long path and a link to the executable from elsewhere must all lead there, never to the current folder.
TEST(ExecutableFolder, IsTheRealFolderOfTheExecutableAsBytes)
{
    TempFolder folder;
    std::filesystem::path home = folder.path() / std::string("\x83\x51\x81\x5b\x83\x80"); // ゲーム in Shift-JIS
    for (int i = 0; home.native().size() < 1500; ++i)
        home /= std::string(100, static_cast<char>('a' + i % 26));
    std::filesystem::create_directories(home);
    const auto copy = home / "print_executable_folder";
    std::filesystem::copy_file(FURURUPO_PRINT_EXECUTABLE_FOLDER, copy);
    std::filesystem::create_directories(folder.path() / "elsewhere" / "bin");
    const auto link = folder.path() / "elsewhere" / "bin" / "game";
    std::filesystem::create_symlink(copy, link);

    EXPECT_EQ(outputOf(copy, folder.path() / "elsewhere"), home.native());
    EXPECT_EQ(outputOf(link, folder.path() / "elsewhere"), home.native());
}

// A path the player reads keeps every byte visible: what is not UTF-8 shows as U+FFFD instead of vanishing.
TEST(ExecutableFolder, PathsAreShownWithUndecodableBytesMarked)
{
    EXPECT_EQ(displayPath("/home/ユーザー/MSG.txt"), u"/home/ユーザー/MSG.txt");
    EXPECT_EQ(displayPath(std::string("/x/\x83\x51/MSG.txt")), u"/x/\uFFFDQ/MSG.txt");
    EXPECT_EQ(displayPath("/x%1y/MSG.txt"), u"/x%1y/MSG.txt");
}
