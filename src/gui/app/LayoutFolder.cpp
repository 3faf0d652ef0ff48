#include "gui/app/LayoutFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

int Fail(const QString& text) {
    std::fprintf(stderr, "vlakomat: --init: %s\n", text.toLocal8Bit().constData());
    return 1;
}

QString Shown(const QString& path) {
    return QDir::toNativeSeparators(QDir(path).absolutePath());
}

} // namespace

QString SamplesFolder() {
    QString set = qEnvironmentVariable("VLAKOMAT_SAMPLES");
    if (!set.isEmpty())
        return set;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/" VLAKOMAT_SAMPLES_DIR);
}

int InitLayoutFolder(const QString& folder, const QString& samples) {
    const QDir from(samples);
    const QStringList files = from.entryList(QDir::Files, QDir::Name);
    if (!files.contains(QStringLiteral("Decoders.tab")))
        return Fail(QStringLiteral("v mapi %1 ni vzorcev (Decoders.tab)").arg(Shown(samples)));
    if (!QDir().mkpath(folder))
        return Fail(QStringLiteral("mape %1 ni mogoče narediti").arg(Shown(folder)));
    const QDir to(folder);
    int copied = 0;
    for (const QString& file : files) {
        const QString target = to.filePath(file);
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue;
        if (!QFile::copy(from.filePath(file), target))
            return Fail(QStringLiteral("datoteke %1 ni mogoče zapisati").arg(Shown(target)));
        // Installed samples are read-only; the copies are the user's to edit.
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                          QFile::ReadOther);
        ++copied;
    }
    std::printf("vlakomat: mapa makete %s je pripravljena (iz vzorcev: %d, ohranjenih: %d)\n",
                Shown(folder).toLocal8Bit().constData(), copied,
                static_cast<int>(files.size()) - copied);
    return 0;
}
