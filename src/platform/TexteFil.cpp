#include "TexteFil.h"

#include <array>

namespace {

// Code points of the bytes 0x80 to 0x9F; the rest of Windows-1252 is Latin-1.
// Undefined bytes map to the C1 control of the same value, as Windows does.
constexpr std::array<char16_t, 32> kPlageHaute
    = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
       0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
       0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char versOctet(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<char>(c);
    for (std::size_t i = 0; i < kPlageHaute.size(); ++i) {
        if (kPlageHaute[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

} // namespace

namespace TexteFil {

QByteArray versOctets(const QString& texte)
{
    QByteArray octets;
    octets.reserve(texte.size());
    for (QChar c : texte)
        octets.append(versOctet(c.unicode()));
    return octets;
}

QString depuisOctets(const QByteArray& octets)
{
    QString texte;
    texte.reserve(octets.size());
    for (char o : octets) {
        const auto b = static_cast<unsigned char>(o);
        texte.append(b >= 0x80 && b < 0xA0 ? QChar(kPlageHaute[b - 0x80]) : QChar(char16_t(b)));
    }
    return texte;
}

} // namespace TexteFil
