#pragma once

#include <QByteArray>
#include <QFile>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// The descriptors a started program received from the server, read from what `ls -l
// /proc/self/fd` wrote in the program: every one but standard input, output and error, and
// but the folder ls itself opens to list them. "<absent>" when the listing is missing.
inline QStringList DescripteursHerites(const QString& listing)
{
    QFile f(listing);
    if (!f.open(QIODevice::ReadOnly))
        return {QStringLiteral("<absent>")};
    QStringList herites;
    const QRegularExpression ligne(QStringLiteral(" (\\d+) -> (.*)$"));
    for (const QByteArray& brute : f.readAll().split('\n')) {
        const QRegularExpressionMatch m = ligne.match(QString::fromUtf8(brute));
        if (!m.hasMatch() || m.captured(1).toInt() <= 2)
            continue;
        if (QRegularExpression(QStringLiteral("^/proc/\\d+/fd$")).match(m.captured(2)).hasMatch())
            continue;
        herites.append(m.captured(1) + QStringLiteral(" -> ") + m.captured(2));
    }
    return herites;
}
