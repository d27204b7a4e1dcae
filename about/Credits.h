#pragma once

#include <QString>

namespace kalvora {

// The maker's details shown in the About window, kept together here.
namespace Credits {

inline const QString AuthorName = QStringLiteral("The Kalvora developers");
inline const QString AuthorCallSign = QStringLiteral("QQ0KAL");
inline const QString Town = QStringLiteral("Testville");
inline const QString Locator = QStringLiteral("AA00AA");
inline const QString Country = QStringLiteral("Nowhere Land");
inline const QString EMail = QStringLiteral("kalvora@example.org");
inline const QString WebAddress = QStringLiteral("https://example.org/kalvora");

// The scrolling credits: 21 lines, each ended by CR LF.
QString text();

} // namespace Credits

} // namespace kalvora
