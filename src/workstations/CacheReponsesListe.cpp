#include "CacheReponsesListe.h"

#include "ProtocolePostes.h"
#include "core/BaseInterne.h"

#include <QSqlDriver>
#include <cstdlib>
#include <sqlite3.h>

namespace {

// Versions asked for at once stay few; past this the cache starts afresh.
constexpr int kMaximum = 256;

} // namespace

CacheReponsesListe::EtatBase CacheReponsesListe::etatActuel()
{
    EtatBase etat;
    const QVariant handle = BaseInterne::Connexion().driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return etat;
    sqlite3* base = *static_cast<sqlite3* const*>(handle.constData());
    if (!base)
        return etat;
    etat.connexion = base;
    // Rows written through this connection, and the version of the file's data, which moves
    // when another connection writes (read afresh from the file by the statement).
    etat.modifications = sqlite3_total_changes64(base);
    auto lire = [](void* version, int colonnes, char** valeurs, char**) {
        if (colonnes > 0 && valeurs[0])
            *static_cast<unsigned int*>(version) = static_cast<unsigned int>(std::strtoul(valeurs[0], nullptr, 10));
        return 0;
    };
    if (sqlite3_exec(base, "PRAGMA data_version", lire, &etat.versionDonnees, nullptr) != SQLITE_OK)
        etat.modifications = -1;
    return etat;
}

std::optional<QByteArray> CacheReponsesListe::Reponse(qint64 versionInstallee)
{
    const EtatBase etat = etatActuel();
    if (etat.modifications < 0)
        return ReponseListe(versionInstallee);
    if (!(etat == m_etat) || m_reponses.size() >= kMaximum) {
        m_reponses.clear();
        m_etat = etat;
    }
    const auto it = m_reponses.constFind(versionInstallee);
    if (it != m_reponses.constEnd())
        return *it;
    const std::optional<QByteArray> reponse = ReponseListe(versionInstallee);
    if (reponse)
        m_reponses.insert(versionInstallee, *reponse);
    return reponse;
}
