#include "QtTestMain.h"

#include <QGuiApplication>

int main(int argc, char** argv)
{
    return qb::testing::RunQtTests<QGuiApplication>(argc, argv);
}
