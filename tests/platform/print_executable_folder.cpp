// Prints the folder the program finds itself in, byte for byte, for the test that runs it from odd places.
#include "platform/program_folder.h"

#include <cstdio>

int main()
{
    const auto folder = fururupo::executableFolder();
    if (!folder)
        return 3;
    std::fwrite(folder->native().data(), 1, folder->native().size(), stdout);
    return 0;
}
