#include "station/Cards.h"

#include "settings/Twips.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QStringList>

namespace kalvora {

QSize Cards::designSize() {
    return QSize(twipsToPixels(12120), twipsToPixels(9120));
}

const QList<Card>& Cards::builtIn() {
    static const QList<Card> cards = {
        {TestCard, Card::Kind::TestCard, {1, 2, 5}},
        {ColourBars, Card::Kind::ColourBars, {3, 4}},
        {Contest, Card::Kind::Contest, {1, 5}},
        {Ident, Card::Kind::Ident, {1, 5}},
    };
    return cards;
}

const Card* Cards::find(const QString& name) {
    for (const Card& card : builtIn())
        if (card.name == name)
            return &card;
    return nullptr;
}

QString Cards::namesForMessage() {
    QStringList names;
    for (const Card& card : builtIn())
        names << card.name;
    const QString last = names.takeLast();
    return names.isEmpty() ? last
                           : names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + last;
}

QString Cards::folderIn(const QString& tickerFolder) {
    return QDir(tickerFolder).filePath(QStringLiteral("cards"));
}

QImage Cards::readPicture(const QString& file, QString* problem) {
    const auto fail = [problem](const QString& why) {
        if (problem)
            *problem = why;
        return QImage();
    };
    const QFileInfo info(file);
    if (!info.exists())
        return fail(QStringLiteral("the file is not there"));
    if (!info.isFile() || !info.isReadable())
        return fail(QStringLiteral("the file cannot be read"));
    QImageReader reader(file);
    reader.setAutoTransform(true);
    // The size is in the header: a huge picture is turned down before it is decoded.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MostPicturePixels)
        return fail(QStringLiteral("%1 x %2 pixels is more than 50 megapixels")
                        .arg(size.width())
                        .arg(size.height()));
    QImageReader::setAllocationLimit(int(MostPicturePixels * 4 / (1024 * 1024)) + 1);
    const QImage picture = reader.read();
    if (picture.isNull())
        return fail(
            QStringLiteral("not a picture that can be read (%1)").arg(reader.errorString()));
    if (problem)
        problem->clear();
    return picture;
}

Card Cards::pictureCard(const QString& file, bool check) {
    Card card;
    const QFileInfo info(file);
    card.name = info.fileName();
    card.kind = Card::Kind::Picture;
    card.captionFields = {1};
    card.picture = file;
    if (!check)
        return card;
    // Read once for as long as the file stays as it is: listing the cards again (each time
    // the menu opens) costs nothing then.
    struct Checked {
        QDateTime modified;
        qint64 size;
        QString problem;
    };
    static QHash<QString, Checked> checked;
    const auto known = checked.constFind(file);
    if (known != checked.cend() && info.exists() && known->modified == info.lastModified() &&
        known->size == info.size()) {
        card.problem = known->problem;
        return card;
    }
    readPicture(file, &card.problem);
    if (info.exists())
        checked.insert(file, {info.lastModified(), info.size(), card.problem});
    return card;
}

QList<Card> Cards::picturesIn(const QString& folder) {
    QList<Card> cards;
    const QFileInfoList files = QDir(folder).entryInfoList(
        {QStringLiteral("*.png"), QStringLiteral("*.jpg"), QStringLiteral("*.jpeg")},
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : files)
        cards << pictureCard(file.filePath());
    return cards;
}

const QStringList& Cards::contestBands() {
    static const QStringList bands = {QStringLiteral("70cm"), QStringLiteral("23cm"),
                                      QStringLiteral("13cm"), QStringLiteral("9cm"),
                                      QStringLiteral("6cm"),  QStringLiteral("3cm"),
                                      QStringLiteral("1.2cm")};
    return bands;
}

} // namespace kalvora
