#pragma once

#include <QString>

namespace kalvora {

// The maker's details shown in the About window, kept together here. Name, e-mail address and
// web address come from the build (KALVORA_CONTACT_* in CMakeLists.txt), which also names the
// package's maintainer with them.
namespace Credits {

inline const QString AuthorName = QStringLiteral(KALVORA_CONTACT_NAME);
inline const QString AuthorCallSign = QStringLiteral("QQ0KAL");
inline const QString Town = QStringLiteral("Testville");
inline const QString Locator = QStringLiteral("AA00AA");
inline const QString Country = QStringLiteral("Nowhere Land");
inline const QString EMail = QStringLiteral(KALVORA_CONTACT_EMAIL);
inline const QString WebAddress = QStringLiteral(KALVORA_WEB_ADDRESS);

// The scrolling credits: 21 lines, each ended by CR LF.
QString text();

} // namespace Credits

} // namespace kalvora
