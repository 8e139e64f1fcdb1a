#include "tools/tqfile/CTqFileTool.h"

int main(int argc, char** argv)
{
    try
    {
        return CTqFileTool().Run(argc, argv);
    }
    catch (...)
    {
        return 1;
    }
}
