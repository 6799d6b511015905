#include "screens/application.h"

int main()
{
    // The game takes no command line: Qt is shown only the program's name, so none of its own options
    // (-stylesheet, -reverse, -platform …) can act.
    static char name[] = "fururupo";
    static char* arguments[] = {name, nullptr};
    static int count = 1;
    const auto app = fururupo::openDesktopSession(count, arguments);
    fururupo::setUpRuntime(*app);
    return fururupo::runGame(*app);
}
