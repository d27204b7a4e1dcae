#include "station/OnAirLog.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace kalvora {

OnAirLog::OnAirLog(QString folder, std::function<QDateTime()> utcNow,
                   std::function<void(const QString&)> report)
    : m_folder(std::move(folder)), m_utcNow(std::move(utcNow)), m_report(std::move(report)) {}

QString OnAirLog::defaultFolder() {
#ifdef Q_OS_WIN
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Kalvora/logs"));
#else
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty() || !QDir::isAbsolutePath(state))
        state = QDir::home().filePath(QStringLiteral(".local/state"));
    return QDir(state).filePath(QStringLiteral("kalvora"));
#endif
}

QString OnAirLog::fileFor(QDate day) const {
    return QDir(m_folder).filePath(QStringLiteral("kalvora-%1.log").arg(day.toString(Qt::ISODate)));
}

void OnAirLog::write(const QString& event) {
    const QDateTime now = m_utcNow().toUTC();
    if (m_cleanedOn != now.date())
        removeOldFiles(now.date());
    QString problem;
    if (!QDir().mkpath(m_folder)) {
        problem =
            QStringLiteral("the folder %1 cannot be made").arg(QDir::toNativeSeparators(m_folder));
    } else {
        QFile file(fileFor(now.date()));
        const QByteArray line = (now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ssZ")) +
                                 QLatin1Char(' ') + event + QLatin1Char('\n'))
                                    .toUtf8();
        // Checked, not trusted: a line that did not reach the file whole counts as not written.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append) ||
            file.write(line) != line.size() || !file.flush())
            problem = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(file.fileName()),
                                                   file.errorString());
    }
    if (problem.isEmpty()) {
        m_failing = false;
        return;
    }
    if (!m_failing && m_report)
        m_report(QStringLiteral("the on-air log cannot be written (%1); the picture goes on")
                     .arg(problem));
    m_failing = true;
}

void OnAirLog::removeOldFiles(QDate today) {
    m_cleanedOn = today;
    const QDir folder(m_folder);
    for (const QString& name :
         folder.entryList({QStringLiteral("kalvora-????-??-??.log")}, QDir::Files)) {
        const QDate day = QDate::fromString(name.mid(8, 10), Qt::ISODate);
        if (day.isValid() && day.daysTo(today) >= DaysKept)
            QFile::remove(folder.filePath(name));
    }
}

} // namespace kalvora
