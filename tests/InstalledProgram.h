#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace kalvora::test {

// The real executable, copied into a folder of its own (where TickerTape.txt goes), run with
// its settings in that folder too.
// On Windows the libraries and plugins go with it, and its settings live in a Kalvora.ini
// beside it (the portable mode), never in the registry.
struct Installed {
    Installed() {
        const QFileInfo built(QStringLiteral(KALVORA_EXECUTABLE));
        executable = dir.filePath(built.fileName());
        QFile::copy(built.filePath(), executable);
        QFile::setPermissions(executable, QFile::permissions(built.filePath()));
#ifdef Q_OS_WIN
        const QDir from = built.dir();
        for (const QString& library : from.entryList({QStringLiteral("*.dll")}, QDir::Files))
            QFile::copy(from.filePath(library), dir.filePath(library));
        for (const char* plugins : {"platforms", "styles", "imageformats"}) {
            const QDir folder(from.filePath(QLatin1String(plugins)));
            QDir(dir.path()).mkpath(QLatin1String(plugins));
            for (const QString& plugin : folder.entryList(QDir::Files))
                QFile::copy(folder.filePath(plugin),
                            dir.filePath(QLatin1String(plugins) + QLatin1Char('/') + plugin));
        }
        writeSettings("");
#endif
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome());
        // The on-air log in the test's own folder.
        environment.insert(QStringLiteral("XDG_STATE_HOME"), dir.filePath(QStringLiteral("state")));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.remove(QStringLiteral("DISPLAY"));
    }
    QString configHome() const {
        return dir.filePath(QStringLiteral("config"));
    }
#ifdef Q_OS_WIN
    QString iniPath() const {
        return dir.filePath(QStringLiteral("Kalvora.ini"));
    }
#else
    QString iniPath() const {
        return configHome() + QStringLiteral("/Kalvora/Kalvora.ini");
    }
#endif
    void writeSettings(const QByteArray& ini) const {
        QDir().mkpath(QFileInfo(iniPath()).path());
        QFile file(iniPath());
        file.open(QIODevice::WriteOnly);
        file.write("[settings]\n" + ini);
    }
    int run(const QStringList& arguments, QByteArray* errors = nullptr) const {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(executable, arguments);
        if (!process.waitForFinished(30000))
            return -1;
        if (errors)
            *errors = process.readAllStandardError();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }
    QImage snapshot(const QStringList& extra = {}) const {
        const QString file = dir.filePath(QStringLiteral("snapshot.png"));
        QFile::remove(file);
        const int code = run(QStringList{QStringLiteral("--snapshot"), file} + extra);
        return code == 0 ? QImage(file).convertToFormat(QImage::Format_RGB32) : QImage();
    }

    QTemporaryDir dir;
    QString executable;
    QProcessEnvironment environment;
};

} // namespace kalvora::test
