#pragma once

#include <QDateTime>
#include <QString>
#include <functional>

namespace kalvora {

// The on-air log: one line per event with its UTC time ("2026-12-10T07:00:00Z on air
// (schedule)"), a file per UTC day (kalvora-2026-12-10.log) added to across restarts, 30 days
// kept. A folder that cannot be written, or a full disk, is reported once through `report` and
// never stops anything; once a line goes out again, a later failure is reported again.
class OnAirLog {
public:
    OnAirLog(QString folder, std::function<QDateTime()> utcNow,
             std::function<void(const QString& problem)> report);

    void write(const QString& event);
    QString folder() const { return m_folder; }
    // The file for `day`.
    QString fileFor(QDate day) const;
    // The folder the log goes to by default: ~/.local/state/kalvora ($XDG_STATE_HOME), or
    // %LOCALAPPDATA%\Kalvora\logs on Windows.
    static QString defaultFolder();

    static constexpr int DaysKept = 30;

private:
    void removeOldFiles(QDate today);

    QString m_folder;
    std::function<QDateTime()> m_utcNow;
    std::function<void(const QString&)> m_report;
    QDate m_cleanedOn;
    bool m_failing = false;
};

} // namespace kalvora
