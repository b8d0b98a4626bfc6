// Replays the committed fuzzing corpus through the fuzzer's own entry with the
// ordinary build, so CI keeps every input the fuzzer once found interesting.
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(NIMBREL_FUZZ_CORPUS);
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files, QDir::Name);
    int replayed = 0;
    for (const QFileInfo &info : files) {
        QFile file(info.filePath());
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot open %s\n", qPrintable(info.filePath()));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
        ++replayed;
    }
    if (replayed == 0) {
        std::fprintf(stderr, "no corpus files in %s\n", qPrintable(folder));
        return 1;
    }
    std::printf("replayed %d corpus files\n", replayed);
    return 0;
}
