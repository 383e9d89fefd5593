#pragma once

#include "core/Journal.h"

#include <QStringList>

// The journal as "type|message" lines, oldest first.
inline QStringList LignesJournal()
{
    QStringList lignes;
    const QVector<Evenement> tous = TableJournal::Tous();
    for (auto it = tous.crbegin(); it != tous.crend(); ++it)
        lignes.append(it->TypeEvt + QLatin1Char('|') + it->MessageEvt);
    return lignes;
}

// The journal's messages alone, oldest first.
inline QStringList MessagesJournal()
{
    QStringList messages;
    for (const Evenement& e : TableJournal::Tous())
        messages.prepend(e.MessageEvt);
    return messages;
}
