#include "QtTestMain.h"

#include <QCoreApplication>

int main(int argc, char** argv)
{
    return qb::testing::RunQtTests<QCoreApplication>(argc, argv);
}
