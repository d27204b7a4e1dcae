#pragma once

#include <QColor>
#include <QString>
#include <cstdint>

namespace kalvora {

class SettingsStore;

// The ticker keys as Lees_TT_Settings reads them, with its defaults. The `Tt*` fields keep the
// stored text where the ticker converts it late; the functions below hand out the values the
// ticker can use. A key that cannot be converted falls back to its default and a number out of
// range is clamped, so a bad value never stops the start-up.
struct TickerSettings {
    QString TtSpeed = QStringLiteral("50");
    std::int16_t TtRegellengte = 50;
    QString TtEnabled = QStringLiteral("0");
    QString TtFontSize = QStringLiteral("24");
    std::int16_t TtWidth = 12030;
    QString TtBackColor = QStringLiteral("16777215");
    QString TtForeColor = QStringLiteral("0");
    QString TtFont = QStringLiteral("arial");
    QString TtPosition = QStringLiteral("0");
    // Strip height in twips: the font size times 27, rounded half to even.
    std::int16_t TtHeight = 648;

    bool enabled() const;
    // Step interval in milliseconds, 0..65535; 0 means the ticker never steps.
    int intervalMs() const;
    double fontSize() const;
    QColor backColor() const;
    QColor foreColor() const;
    // How far the strip's bottom sits above the window's bottom, twips.
    double position() const;

    static constexpr int DefaultSpeedMs = 50;
    static constexpr double MaxFontSize = 1213; // size x 27 must fit in 16 bits
};

TickerSettings readTickerSettings(const SettingsStore& store);

// A 0x00BBGGRR colour value as stored, and back.
QColor colorFromBgr(std::int64_t value);
std::int64_t bgrFromColor(const QColor& color);

} // namespace kalvora
