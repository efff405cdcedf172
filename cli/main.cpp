#include "Commands.h"

int main(int argc, char** argv)
{
    return qb::cli::Run(argc, argv);
}
