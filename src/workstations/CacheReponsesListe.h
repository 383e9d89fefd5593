#pragma once

#include <QByteArray>
#include <QHash>
#include <optional>

// Answers to "VMAJ01" for one state of the internal database: when many workstations at the
// same version ask at once, their list is computed once. Any write to the database, by this
// program or by another, starts a new state and empties the cache. An answer that could not be
// computed (the database could not be read) is nothing, and is not kept.
class CacheReponsesListe
{
public:
    std::optional<QByteArray> Reponse(qint64 versionInstallee);

private:
    struct EtatBase
    {
        const void* connexion = nullptr;
        qint64 modifications = -1;
        unsigned int versionDonnees = 0;
        bool operator==(const EtatBase& autre) const
        {
            return connexion == autre.connexion && modifications == autre.modifications
                && versionDonnees == autre.versionDonnees;
        }
    };
    static EtatBase etatActuel();

    EtatBase m_etat;
    QHash<qint64, QByteArray> m_reponses;
};
