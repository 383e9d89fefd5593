#include "Sortie.h"

#include <QDateTime>
#include <QStringList>
#include <cstdio>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Sortie {

bool VersLeJournal()
{
#ifdef Q_OS_UNIX
    const QByteArray flux = qgetenv("JOURNAL_STREAM");
    const qsizetype deuxPoints = flux.indexOf(':');
    if (deuxPoints <= 0)
        return false;
    bool okPeripherique = false;
    bool okNoeud = false;
    const qulonglong peripherique = flux.left(deuxPoints).toULongLong(&okPeripherique);
    const qulonglong noeud = flux.mid(deuxPoints + 1).toULongLong(&okNoeud);
    struct stat infos
    {
    };
    if (!okPeripherique || !okNoeud || ::fstat(STDERR_FILENO, &infos) != 0)
        return false;
    return qulonglong(infos.st_dev) == peripherique && qulonglong(infos.st_ino) == noeud;
#else
    return false;
#endif
}

void Ecrire(const QString& texte, Priorite priorite)
{
    QString lignes;
    if (VersLeJournal()) {
        // Each line of a text that holds several is a record of its own, with the same priority.
        const QString prefixe = QLatin1Char('<') + QString::number(int(priorite)) + QLatin1Char('>');
        for (const QString& ligne : texte.split(QLatin1Char('\n')))
            lignes += prefixe + ligne + QLatin1Char('\n');
    } else {
        lignes = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + texte
            + QLatin1Char('\n');
    }
    std::fputs(lignes.toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

} // namespace Sortie
