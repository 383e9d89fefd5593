#include "TableParametres.h"

#include "BaseInterne.h"
#include "Sortie.h"

#include <QSqlRecord>

namespace TableParametres {

namespace {

Parametres lireLigne(QSqlQuery& q)
{
    Parametres p;
    if (!BaseInterne::Suivante(q))
        return p;
    static const char* const jours[] = {"Lundi", "Mardi", "Mercredi", "Jeudi", "Vendredi", "Samedi", "Dimanche"};
    p.Existe = true;
    p.IdParamMajInt = q.value(QStringLiteral("IdParamMajInt")).toLongLong();
    for (int i = 0; i < 7; ++i)
        p.Jours[static_cast<std::size_t>(i)] = q.value(QLatin1String(jours[i])).toLongLong() != 0;
    p.HeureVerifMaj = q.value(QStringLiteral("HeureVerifMaj")).toString();
    p.EmplacementMaj = q.value(QStringLiteral("EmplacementMaj")).toString();
    p.UtilisateurMaj = q.value(QStringLiteral("UtilisateurMaj")).toString();
    p.MotDePasseMaj = q.value(QStringLiteral("MotDePasseMaj")).toString();
    p.ProxyActifMaj = q.value(QStringLiteral("ProxyActifMaj")).toLongLong() != 0;
    p.AdresseProxyMaj = q.value(QStringLiteral("AdresseProxyMaj")).toString();
    p.PortProxyMaj = q.value(QStringLiteral("PortProxyMaj")).toString();
    p.UtilisateurProxyMaj = q.value(QStringLiteral("UtilisateurProxyMaj")).toString();
    p.MotDePasseProxyMaj = q.value(QStringLiteral("MotDePasseProxyMaj")).toString();
    p.NecessiteAuthProxyMaj = q.value(QStringLiteral("NecessiteAuthProxyMaj")).toLongLong() != 0;
    return p;
}

int v(bool b)
{
    return b ? 1 : 0;
}

// An update of row 1 that changes no row has saved nothing: it is a failure, not a success.
bool ecrireLigne1(const QString& sql, std::initializer_list<QVariant> valeurs)
{
    QSqlQuery q = BaseInterne::Executer(sql, valeurs);
    if (!q.isActive())
        return false;
    if (q.numRowsAffected() != 1) {
        Sortie::Ecrire(QStringLiteral("Base interne : la ligne 1 de ParamMajInt est absente, rien n'a été écrit : ")
                       + sql);
        return false;
    }
    return true;
}

} // namespace

Parametres Lire()
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT * FROM ParamMajInt ORDER BY IdParamMajInt LIMIT 1"));
    return lireLigne(q);
}

Parametres LireLigne1()
{
    QSqlQuery q = BaseInterne::Executer(QStringLiteral("SELECT * FROM ParamMajInt WHERE IdParamMajInt = 1"));
    return lireLigne(q);
}

std::optional<Parametres> LireSur()
{
    BaseInterne::SuiviEchecs lecture;
    const Parametres p = Lire();
    return lecture.Echec() ? std::nullopt : std::optional<Parametres>(p);
}

std::optional<Parametres> LireLigne1Sur()
{
    BaseInterne::SuiviEchecs lecture;
    const Parametres p = LireLigne1();
    return lecture.Echec() ? std::nullopt : std::optional<Parametres>(p);
}

bool Inserer(const Parametres& p)
{
    const auto& j = p.Jours;
    return BaseInterne::Commande(
        QStringLiteral("INSERT INTO ParamMajInt (IdParamMajInt,Lundi,Mardi,Mercredi,Jeudi,Vendredi,Samedi,Dimanche,"
                       "HeureVerifMaj,EmplacementMaj,UtilisateurMaj,MotDePasseMaj) "
                       "VALUES (1, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {v(j[0]), v(j[1]), v(j[2]), v(j[3]), v(j[4]), v(j[5]), v(j[6]), p.HeureVerifMaj, p.EmplacementMaj,
         p.UtilisateurMaj, p.MotDePasseMaj});
}

bool MettreAJour(const Parametres& p)
{
    const auto& j = p.Jours;
    return ecrireLigne1(
        QStringLiteral("UPDATE ParamMajInt SET Lundi = ?, Mardi = ?, Mercredi = ?, Jeudi = ?, Vendredi = ?, "
                       "Samedi = ?, Dimanche = ?, HeureVerifMaj = ?, EmplacementMaj = ?, UtilisateurMaj = ?, "
                       "MotDePasseMaj = ? WHERE IdParamMajInt = 1"),
        {v(j[0]), v(j[1]), v(j[2]), v(j[3]), v(j[4]), v(j[5]), v(j[6]), p.HeureVerifMaj, p.EmplacementMaj,
         p.UtilisateurMaj, p.MotDePasseMaj});
}

bool InsererProxy(const Parametres& p)
{
    return BaseInterne::Commande(
        QStringLiteral("INSERT INTO ParamMajInt(ProxyActifMaj,AdresseProxyMaj,PortProxyMaj,UtilisateurProxyMaj,"
                       "MotDePasseProxyMaj,NecessiteAuthProxyMaj) VALUES (?, ?, ?, ?, ?, ?)"),
        {v(p.ProxyActifMaj), p.AdresseProxyMaj, p.PortProxyMaj, p.UtilisateurProxyMaj, p.MotDePasseProxyMaj,
         v(p.NecessiteAuthProxyMaj)});
}

bool MettreAJourProxy(const Parametres& p)
{
    return ecrireLigne1(
        QStringLiteral("UPDATE ParamMajInt SET ProxyActifMaj = ?, AdresseProxyMaj = ?, PortProxyMaj = ?, "
                       "NecessiteAuthProxyMaj = ?, UtilisateurProxyMaj = ?, MotDePasseProxyMaj = ? "
                       "WHERE IdParamMajInt = 1"),
        {v(p.ProxyActifMaj), p.AdresseProxyMaj, p.PortProxyMaj, v(p.NecessiteAuthProxyMaj), p.UtilisateurProxyMaj,
         p.MotDePasseProxyMaj});
}

bool EnregistrerEmplacement(const QString& emplacement)
{
    return ecrireLigne1(QStringLiteral("UPDATE ParamMajInt SET EmplacementMaj = ? WHERE IdParamMajInt = 1"),
                        {emplacement});
}

} // namespace TableParametres
