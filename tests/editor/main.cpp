#include "QtTestMain.h"

#include <QApplication>

int main(int argc, char** argv)
{
    return qb::testing::RunQtTests<QApplication>(argc, argv);
}
