#pragma once

#include "station/Schedule.h"
#include "stream/StreamSettings.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace kalvora {

// What the command line asks for. With no arguments the program opens its windows as always;
// the other modes work without a display: a still (--snapshot), live frames (--frames), a
// network stream (--stream), the rates of a channel (--ts-rate), or the web page's password
// (--set-web-password).
struct Options {
    enum class Mode { Windows, Snapshot, Frames, Stream, TsRate, SetWebPassword };
    Mode mode = Mode::Windows;
    QString snapshotFile;
    QString card = QStringLiteral("1"); // --pattern: a card's name (see Cards)
    // The contest card's number and band for this run (--contest-number, --band).
    std::optional<int> contestNumber;
    QString band;
    // The repeater's schedule for this run, over what the settings keep (see Rooster).
    std::optional<OperatingHours> onAirHours;
    std::optional<Carousel> carousel;
    std::optional<int> identCardMinutes;
    std::optional<int> identCardSeconds;
    bool standbyAtStart = false;
    QString logFolder; // --log; empty: the user's state folder
    // The web page for this run (--web), over the settings' web_address; with a certificate
    // and its key, HTTPS.
    QString webAddress;
    QString webCertificate;
    QString webKey;
    // The MQTT broker (--mqtt mqtt://HOST:PORT) and how to log in to it.
    QString mqttUrl;
    QString mqttUser;
    QString mqttPassword;
    QString mqttCaFile;
    int fps = 25;
    // What the frames are drawn for (--size, --aspect): the windows' 808 x 608 unless given;
    // for a stream, the stream's picture.
    Canvas canvas = Canvas::design();
    // --stream, and what --ts-rate prints.
    StreamSettings stream;
    // What the options chose that the operator should hear of (--size auto).
    QString note;
};

struct CommandLine {
    std::optional<Options> options; // empty: print `message` and stop
    QString message;
    int exitCode = 0; // 0 for --help and --version, 2 for a mistake
    QString mistake;  // what is wrong, in one line without the usage; empty when nothing is
};

// `arguments` includes the program name first, as QCoreApplication::arguments() gives it.
CommandLine parseCommandLine(const QStringList& arguments);
// The stream's settings from an address and the options that follow it on the command line
// (as the Uitzenden dialog keeps them), or why they are wrong.
CommandLine parseStreamSettings(const QString& url, const QString& options);
// The mux rate and video bitrate, as --ts-rate prints them.
QString tsRateText(const StreamSettings& stream);

// Whether the raw arguments ask for anything but the windows (one of our options, or a
// mistake); looked at before the application object exists, to pick the platform that needs
// no display.
bool wantsHeadless(int argc, char** argv);
// Whether the raw arguments choose Qt's platform themselves (-platform NAME).
bool namesPlatform(int argc, char** argv);

} // namespace kalvora
