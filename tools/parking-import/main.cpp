#include "ImportCommand.h"

#include <QCoreApplication>
#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    importcmd::CommandIo io(stdout, stderr, isatty(fileno(stderr)) != 0);
    return importcmd::RunCommand(app.arguments().mid(1), io);
}
