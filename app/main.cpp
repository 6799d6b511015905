#include "screens/runtime.h"

int main(int argc, char** argv)
{
    fururupo::Application app(argc, argv);
    fururupo::setUpRuntime(app);
    return fururupo::runGame(app);
}
