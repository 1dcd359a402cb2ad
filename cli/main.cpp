#include "SyncTool.h"

#include <iostream>

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    return RunSyncTool(args, QV_SAMPLE_SCORE, std::cout, std::cerr);
}
