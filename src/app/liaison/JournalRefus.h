#pragma once

#include <QHash>
#include <QObject>
#include <QString>

class QTimer;

// The refused consoles as standard error tells them: at most one line per user and per
// interval; the refusals in between are counted and told, with the last reason, once the
// interval is over. A local user knocking in a loop cannot flood the journal.
class JournalRefus : public QObject
{
    Q_OBJECT
public:
    static constexpr int IntervalleMs = 60 * 1000;

    explicit JournalRefus(QObject* parent = nullptr);

    // Also for the intervals running now.
    void FixerIntervalle(int ms);
    // One refusal of that user's console, with the line that tells it.
    void Noter(const QString& utilisateur, const QString& ligne);

private:
    struct Suivi
    {
        QTimer* minuteur = nullptr;
        int tus = 0; // refusals not yet written
        QString derniere;
    };
    void echeance(const QString& utilisateur);

    QHash<QString, Suivi> m_suivis;
    int m_intervalle = IntervalleMs;
};
