// pixmill-cli-reference MANPAGE COMPLETION: writes pixmill-cli's manual page and its bash
// completion, made from the option table. Run by the build; fails when a command of the table
// has no description in the manual.
#include <QFile>

#include <cstdio>

#include "cli/cli_reference.h"

namespace {

bool writeFile(const char* path, const QString& text) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray bytes = text.toUtf8();
    return file.write(bytes) == bytes.size() && file.flush();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pixmill-cli-reference MANPAGE COMPLETION\n");
        return 2;
    }
    const pixmill::cli::ReferenceGaps gaps = pixmill::cli::referenceGaps();
    if (!gaps.undescribed.isEmpty() || !gaps.unknown.isEmpty()) {
        std::fprintf(stderr,
                     "pixmill-cli-reference: commands without a description in cli_commands.cpp: "
                     "%s; batch operations' commands missing from it: %s\n",
                     qPrintable(gaps.undescribed.join(", ")), qPrintable(gaps.unknown.join(", ")));
        return 1;
    }
    if (!writeFile(argv[1], pixmill::cli::manualPage()) ||
        !writeFile(argv[2], pixmill::cli::bashCompletion())) {
        std::fprintf(stderr, "pixmill-cli-reference: cannot write %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    return 0;
}
