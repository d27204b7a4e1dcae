#include "remote/WebPassword.h"

#include <QCryptographicHash>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QStringList>

namespace kalvora::WebPassword {

namespace {

constexpr int HashBytes = 32;

QByteArray derive(const QString& password, const QByteArray& salt, int rounds) {
    return QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, password.toUtf8(), salt,
                                              rounds, HashBytes);
}

} // namespace

QString hash(const QString& password) {
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(salt.data()),
                                          salt.size() / int(sizeof(quint32)));
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(Rounds)
        .arg(QString::fromLatin1(salt.toBase64()),
             QString::fromLatin1(derive(password, salt, Rounds).toBase64()));
}

bool matches(const QString& stored, const QString& given) {
    const QStringList parts = stored.split(QLatin1Char('$'));
    if (parts.size() != 4 || parts[0] != QLatin1String("pbkdf2-sha256"))
        return false;
    bool ok = false;
    const int rounds = parts[1].toInt(&ok);
    const QByteArray salt = QByteArray::fromBase64(parts[2].toLatin1());
    const QByteArray expected = QByteArray::fromBase64(parts[3].toLatin1());
    if (!ok || rounds < 1 || rounds > 10'000'000 || salt.isEmpty() || expected.size() != HashBytes)
        return false;
    const QByteArray derived = derive(given, salt, rounds);
    // Every byte compared, so that the time taken tells nothing.
    unsigned char difference = 0;
    for (int i = 0; i < HashBytes; ++i)
        difference |= static_cast<unsigned char>(derived[i] ^ expected[i]);
    return difference == 0;
}

} // namespace kalvora::WebPassword
