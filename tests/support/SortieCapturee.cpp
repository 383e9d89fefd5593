#include "SortieCapturee.h"

#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <unistd.h>

SortieCapturee::SortieCapturee()
{
    if (!m_fichier.open())
        return;
    std::fflush(stderr);
    m_ancienne = ::dup(STDERR_FILENO);
    ::dup2(m_fichier.handle(), STDERR_FILENO);
}

SortieCapturee::~SortieCapturee()
{
    if (m_ancienne < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_ancienne, STDERR_FILENO);
    ::close(m_ancienne);
    // What was captured is shown too, so that a failing test still tells everything.
    const QByteArray tout = [this] {
        QFile f(m_fichier.fileName());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    std::fputs(tout.constData(), stderr);
}

QStringList SortieCapturee::Brutes() const
{
    std::fflush(stderr);
    QFile f(m_fichier.fileName());
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLocal8Bit(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList SortieCapturee::Lignes() const
{
    static const QRegularExpression horodatage(QStringLiteral("^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2} "));
    QStringList lignes;
    for (QString ligne : Brutes())
        lignes.append(ligne.remove(horodatage));
    return lignes;
}

QStringList SortieCapturee::Contenant(const QString& texte) const
{
    return Lignes().filter(texte);
}
