#include "uReportTemplates.h"

#include <QGuiApplication>

#include <cstdio>
#include <exception>

// Writes the plain report templates into the folder given (resources/fr_forms of the source tree), through the
// engine's own template writer.
int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarvik-templates <folder>\n");
        return 2;
    }
    try {
        const int n = WritePlainTemplates(QString::fromLocal8Bit(argv[1]));
        std::printf("%d templates written to %s\n", n, argv[1]);
        return 0;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tarvik-templates: %s\n", e.what());
        return 1;
    }
}
