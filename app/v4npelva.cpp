// The program v4npelva.
#include "startup/startup.h"

int main(int argc, char** argv)
{
    return programMain(argc, argv);
}
