#pragma once

#include <QStringList>
#include <initializer_list>

// A list of UTF-8 literals, for comparisons in tests.
inline QStringList Textes(std::initializer_list<const char*> textes)
{
    QStringList liste;
    for (const char* t : textes)
        liste.append(QString::fromUtf8(t));
    return liste;
}
