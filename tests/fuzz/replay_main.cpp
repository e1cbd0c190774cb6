// The plain program around a fuzz target's entry point: runs it once on every file of the folders (or on the
// files) named on the command line, so that ctest replays a target's corpus with the normal compiler.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);
// Only some targets prepare the process first.
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int *argc, char ***argv);

int main(int argc, char **argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        const QString path = QString::fromLocal8Bit(argv[i]);
        QStringList files;
        if (QFileInfo(path).isDir()) {
            for (const QString &name : QDir(path).entryList(QDir::Files, QDir::Name))
                files << QDir(path).filePath(name);
        } else {
            files << path;
        }
        for (const QString &file : files) {
            QFile f(file);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file));
                return 1;
            }
            const QByteArray bytes = f.readAll();
            std::printf("%s\n", qPrintable(file));
            std::fflush(stdout);
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs replayed\n", inputs);
    // A corpus folder that is missing or empty tests nothing: that is a fault of the build, not a pass.
    return inputs > 0 ? 0 : 1;
}
