#pragma once

#include <QString>

namespace kalvora {

// The web page's password as the settings keep it: never the text, only a salted PBKDF2
// (HMAC-SHA256) hash, "pbkdf2-sha256$ROUNDS$SALT$HASH" with salt and hash in base64.
namespace WebPassword {

inline constexpr int Rounds = 100000;

// A new salt each time: the same password gives another stored text.
QString hash(const QString& password);
// Whether `given` is the password `stored` was made from; false for a stored text that is not
// one of ours (nothing set: nobody gets in).
bool matches(const QString& stored, const QString& given);

} // namespace WebPassword

} // namespace kalvora
