#include "stream/StreamOptions.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <functional>

namespace kalvora {

namespace {

// What the options say before they are checked together: the channel comes in three parts.
struct Draft {
    StreamSettings settings;
    std::optional<qint64> symbolRate;
    std::optional<std::pair<int, int>> fec;
    std::optional<Channel::Modulation> modulation;
    bool sizeAuto = false;
};

// Reads one option's value into the draft; why it cannot, or empty.
using Reader = std::function<QString(const QString& name, const QString& value, Draft& draft)>;

QString rateInto(const QString& name, const QString& value, qint64& into) {
    const auto parsed = parseRate(value);
    if (!parsed || *parsed < 1000 || *parsed > 1e9)
        return QStringLiteral(
                   "--%1 must be a rate from 1k to 1000M (like 333k or 1.5M), not \"%2\"")
            .arg(name, value);
    into = qint64(*parsed);
    return QString();
}

Reader rate(qint64 StreamSettings::*field) {
    return [field](const QString& name, const QString& value, Draft& d) {
        return rateInto(name, value, d.settings.*field);
    };
}

// One of `choices`, as the option names them.
template <typename Value>
Reader oneOf(std::vector<std::pair<const char*, Value>> choices,
             std::function<void(Draft&, Value)> set) {
    return [choices, set](const QString& name, const QString& value, Draft& d) {
        QStringList names;
        for (const auto& [text, chosen] : choices) {
            if (value == QLatin1String(text)) {
                set(d, chosen);
                return QString();
            }
            names << QString::fromLatin1(text);
        }
        const QString last = names.takeLast();
        return QStringLiteral("--%1 must be %2 or %3, not \"%4\"")
            .arg(name, names.join(QStringLiteral(", ")), last, value);
    };
}

// A whole number from `lowest` to `highest`.
Reader wholeNumber(int StreamSettings::*field, int lowest, int highest) {
    return [=](const QString& name, const QString& value, Draft& d) {
        bool ok = false;
        const int number = value.toInt(&ok);
        if (!ok || number < lowest || number > highest)
            return QStringLiteral("--%1 must be a whole number from %2 to %3, not \"%4\"")
                .arg(name)
                .arg(lowest)
                .arg(highest)
                .arg(value);
        d.settings.*field = number;
        return QString();
    };
}

QString readSize(const QString&, const QString& value, Draft& d) {
    if (value == QLatin1String("auto")) {
        d.sizeAuto = true; // once the video bitrate is known
        return QString();
    }
    static const QRegularExpression size(QStringLiteral("^([0-9]{2,4})x([0-9]{2,4})$"));
    const QRegularExpressionMatch match = size.match(value);
    const int w = match.captured(1).toInt(), h = match.captured(2).toInt();
    if (!match.hasMatch() || w < 64 || h < 48 || w > 3840 || h > 2160 || w % 2 || h % 2)
        return QStringLiteral(
                   "--size must be auto or WIDTHxHEIGHT, even numbers from 64x48 to 3840x2160, not "
                   "\"%1\"")
            .arg(value);
    d.settings.size = QSize(w, h);
    return QString();
}

QString readKeyframeSeconds(const QString&, const QString& value, Draft& d) {
    bool ok = false;
    const double seconds = value.toDouble(&ok);
    if (!ok || seconds < 0.1 || seconds > 10)
        return QStringLiteral("--keyframe-seconds must be from 0.1 to 10, not \"%1\"").arg(value);
    d.settings.keyframeSeconds = seconds;
    return QString();
}

struct Described {
    StreamOption option;
    Reader read;
};

// Read in this order; the first mistake is the one reported.
const std::vector<Described>& described() {
    using Audio = StreamSettings::Audio;
    using Modulation = Channel::Modulation;
    static const std::vector<Described> table = {
        {{"size", "WxH"}, readSize},
        {{"aspect", "A"},
         oneOf<bool>({{"4:3", false}, {"16:9", true}},
                     [](Draft& d, bool wide) { d.settings.wide = wide; })},
        {{"codec", "NAME"},
         oneOf<QString>({{"h264", QStringLiteral("h264")},
                         {"hevc", QStringLiteral("hevc")},
                         {"mpeg2", QStringLiteral("mpeg2")}},
                        [](Draft& d, QString codec) { d.settings.codec = codec; })},
        {{"video-bitrate", "R"}, rate(&StreamSettings::videoBitrate)},
        {{"keyframe-seconds", "S"}, readKeyframeSeconds},
        {{"muxrate", "R"}, rate(&StreamSettings::muxRate)},
        {{"symbol-rate", "S"},
         [](const QString& name, const QString& value, Draft& d) {
             qint64 symbols = 0;
             const QString problem = rateInto(name, value, symbols);
             if (problem.isEmpty())
                 d.symbolRate = symbols;
             return problem;
         }},
        {{"fec", "F"},
         [](const QString&, const QString& value, Draft& d) {
             d.fec = parseFec(value); // checked with the modulation it belongs to
             if (!d.fec)
                 d.fec = std::pair(0, 0);
             return QString();
         }},
        {{"modulation", "M"},
         oneOf<Modulation>({{"dvbs", Modulation::DvbS},
                            {"dvbs2-qpsk", Modulation::DvbS2Qpsk},
                            {"dvbs2-8psk", Modulation::DvbS28psk}},
                           [](Draft& d, Modulation m) { d.modulation = m; })},
        {{"service-name", "NAME"},
         [](const QString&, const QString& value, Draft& d) {
             d.settings.serviceName = value;
             return QString();
         }},
        {{"service-provider", "NAME"},
         [](const QString&, const QString& value, Draft& d) {
             d.settings.serviceProvider = value;
             return QString();
         }},
        {{"audio", "KIND"},
         oneOf<Audio>({{"none", Audio::None},
                       {"silence", Audio::Silence},
                       {"tone", Audio::Tone},
                       {"ident", Audio::Ident}},
                      [](Draft& d, Audio audio) { d.settings.audio = audio; })},
        {{"ident-minutes", "N"}, wholeNumber(&StreamSettings::identMinutes, 1, 60)},
    };
    return table;
}

// The channel's mux rate, where the options give one.
QString readChannel(const QHash<QString, QString>& given, Draft& d) {
    const bool channel = d.symbolRate || d.fec || d.modulation;
    if (!channel)
        return QString();
    if (given.contains(QStringLiteral("muxrate")))
        return QStringLiteral("give either --muxrate or the channel (--symbol-rate, --fec, "
                              "--modulation), not both");
    if (!d.symbolRate || !d.fec || !d.modulation)
        return QStringLiteral("the channel needs all of --symbol-rate, --fec and --modulation");
    const Channel c{double(*d.symbolRate), d.fec->first, d.fec->second, *d.modulation};
    const auto muxRate = c.muxRate();
    if (!muxRate)
        return QStringLiteral("--fec %1 is not a code rate of %2")
            .arg(given.value(QStringLiteral("fec")), given.value(QStringLiteral("modulation")));
    d.settings.muxRate = *muxRate;
    return QString();
}

// --aspect 16:9 on a picture that has its own shape.
QString checkAspect(const StreamSettings& s) {
    const QSize size = s.size;
    const bool pal = size == QSize(720, 576) || size == QSize(704, 576);
    if (!s.wide || pal || std::abs(size.width() * 9.0 / size.height() - 16) < 0.3)
        return QString();
    return QStringLiteral("--aspect 16:9 needs 720x576, 704x576 or a 16:9 size such as 1024x576 "
                          "or 1280x720, not %1x%2")
        .arg(size.width())
        .arg(size.height());
}

// What the options are together.
QString checkTogether(const QHash<QString, QString>& given, Draft& d) {
    if (const QString problem = readChannel(given, d); !problem.isEmpty())
        return problem;
    if (d.sizeAuto)
        d.settings.size =
            sizeForBitrate(d.settings.effectiveVideoBitrate(), d.settings.codec, d.settings.wide);
    const StreamSettings& s = d.settings;
    if (const QString problem = checkAspect(s); !problem.isEmpty())
        return problem;
    if (s.muxRate > MaxMuxRate)
        return QStringLiteral("a mux rate of %1 bit/s is more than this build sends: at most %2 "
                              "bit/s")
            .arg(s.muxRate)
            .arg(MaxMuxRate);
    // The call sign, where it names the service, is checked when it is known.
    if (const QString problem = s.serviceProblem(QString()); !problem.isEmpty())
        return problem;
    if (s.muxRate > 0 && s.container() == StreamSettings::Container::TransportStream &&
        s.effectiveVideoBitrate() + 60000 > s.muxRate)
        return QStringLiteral("a video bitrate of %1 bit/s does not fit a mux rate of %2 bit/s")
            .arg(s.effectiveVideoBitrate())
            .arg(s.muxRate);
    return QString();
}

QString checkAddress(const QString& url) {
    if (!url.contains(QLatin1String("://")) &&
        !url.endsWith(QLatin1String(".ts"), Qt::CaseInsensitive) &&
        !url.endsWith(QLatin1String(".flv"), Qt::CaseInsensitive))
        return QStringLiteral("\"%1\" is neither an address (udp://, srt://, rtmp://) nor a file "
                              "name ending in .ts or .flv")
            .arg(url);
    StreamSettings s;
    s.url = url;
    return s.addressProblem();
}

} // namespace

QSize sizeForBitrate(qint64 videoBitrate, const QString& codec, bool wide) {
    // For H.264; HEVC needs about 60 % of its bitrate for the same picture, MPEG-2 twice.
    const double efficiency = codec == QLatin1String("hevc")    ? 0.6
                              : codec == QLatin1String("mpeg2") ? 2.0
                                                                : 1.0;
    struct Step {
        double below; // bit/s, for H.264
        QSize standard, widescreen;
    };
    static const Step steps[] = {
        {250e3, {160, 112}, {192, 108}},
        {700e3, {384, 288}, {512, 288}},
        {2.5e6, {720, 576}, {720, 576}}, // PAL: its pixels make it 4:3 or 16:9
        {5e6, {1280, 720}, {1280, 720}},
    };
    for (const Step& step : steps)
        if (videoBitrate < step.below * efficiency)
            return wide ? step.widescreen : step.standard;
    return QSize(1920, 1080);
}

const std::vector<StreamOption>& streamOptions() {
    static const std::vector<StreamOption> options = [] {
        std::vector<StreamOption> all;
        for (const Described& d : described())
            all.push_back(d.option);
        return all;
    }();
    return options;
}

StreamSettingsRead readStreamSettings(const QString& url, const QHash<QString, QString>& given) {
    Draft draft;
    draft.settings.url = url;
    if (!url.isEmpty())
        if (const QString problem = checkAddress(url); !problem.isEmpty())
            return {std::nullopt, problem};
    for (const Described& d : described()) {
        const QString name = QString::fromLatin1(d.option.name);
        if (!given.contains(name))
            continue;
        if (const QString problem = d.read(name, given.value(name), draft); !problem.isEmpty())
            return {std::nullopt, problem};
    }
    if (const QString problem = checkTogether(given, draft); !problem.isEmpty())
        return {std::nullopt, problem};
    StreamSettingsRead read{draft.settings, QString()};
    if (draft.sizeAuto)
        read.note = QStringLiteral("--size auto: %1x%2%3 for a video bitrate of %4 bit/s")
                        .arg(draft.settings.size.width())
                        .arg(draft.settings.size.height())
                        .arg(draft.settings.wide ? QStringLiteral(" (16:9)") : QString())
                        .arg(draft.settings.effectiveVideoBitrate());
    return read;
}

} // namespace kalvora
