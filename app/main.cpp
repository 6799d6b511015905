#include "screens/application.h"
#include "screens/game_app.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace {

void printUsage(std::FILE* to)
{
    std::fputs("使い方: fururupo [単語リスト]\n"
               "usage: fururupo [WORD-LIST]\n",
               to);
}

bool asksForHelp(int argc, char** argv)
{
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0)
            return true;
    }
    return false;
}

// The one argument the game takes is a word list, chosen on the title screen as if picked there; "--" ends the
// options, for a list whose name begins with a dash. Anything else is a mistake on the command line.
bool readListArgument(int argc, char** argv, std::optional<std::filesystem::path>& listFile)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (!optionsEnded && std::strcmp(argument, "--") == 0) {
            optionsEnded = true;
            continue;
        }
        if ((!optionsEnded && argument[0] == '-') || listFile || argument[0] == '\0')
            return false;
        listFile = std::filesystem::path(argument);
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (asksForHelp(argc, argv)) {
        printUsage(stdout);
        return 0;
    }
    // Qt is shown only the program's name, so none of its own options (-stylesheet, -reverse, -platform …) can act,
    // and a list's name is never taken for one. Without a desktop session that is said first, whatever the
    // command line holds.
    static char name[] = "fururupo";
    static char* arguments[] = {name, nullptr};
    static int count = 1;
    const auto app = fururupo::openDesktopSession(count, arguments);
    std::optional<std::filesystem::path> listFile;
    if (!readListArgument(argc, argv, listFile)) {
        printUsage(stderr);
        return 2;
    }
    fururupo::setUpRuntime(*app);
    return fururupo::runGame(*app, {}, listFile);
}
