#include "ProtocolePostes.h"

#include "CacheReponsesListe.h"
#include "Nombres.h"
#include "core/BaseInterne.h"
#include "core/Horloge.h"
#include "core/TableMajAttente.h"
#include "core/TableMajDispo.h"
#include "core/TablePostes.h"
#include "core/TableResponsables.h"
#include "platform/TexteFil.h"

namespace {

const QString kAJour = QStringLiteral("AJOURS");

QByteArray octets(const QString& texte)
{
    return TexteFil::versOctets(texte);
}

} // namespace

namespace {

std::optional<QStringList> listePour(qint64 installee)
{
    BaseInterne::SuiviEchecs suivi;
    // One statement: the condition on server updates is checked with the list.
    const QVector<qint64> versions = TableMajDispo::VersionsPostesDisponibles(installee);
    if (suivi.Echec())
        return std::nullopt;
    QStringList liste;
    for (qint64 version : versions)
        liste.append(QString::number(version));
    if (liste.isEmpty())
        liste.append(kAJour);
    return liste;
}

// ENRMAJ's text after its first seven characters: name#version#hardware address#network address,
// the network address being all that follows the third "#".
std::optional<RapportVersion> lireRapport(const QString& reste)
{
    if (reste.count(QLatin1Char('#')) < 3)
        return std::nullopt;
    const int d1 = reste.indexOf(QLatin1Char('#'));
    const int d2 = reste.indexOf(QLatin1Char('#'), d1 + 1);
    const int d3 = reste.indexOf(QLatin1Char('#'), d2 + 1);
    RapportVersion rapport;
    if (!Nombres::NombreEntier(reste.mid(d1 + 1, d2 - d1 - 1), &rapport.Version))
        return std::nullopt;
    rapport.Nom = reste.left(d1);
    rapport.AdresseMAC = reste.mid(d2 + 1, d3 - d2 - 1);
    rapport.AdresseIP = reste.mid(d3 + 1);
    rapport.Jour = Horloge::Maintenant().date();
    return rapport;
}

} // namespace

std::optional<QStringList> MajPosteSuivante(const QString& versionInstallee)
{
    return listePour(Nombres::NombreEnTete(versionInstallee));
}

std::optional<QByteArray> ReponseListe(qint64 versionInstallee)
{
    const std::optional<QStringList> liste = listePour(versionInstallee);
    if (!liste)
        return std::nullopt;
    if (liste->size() == 1 && liste->first() == kAJour)
        return QByteArrayLiteral("MAJOK0");
    return octets(QStringLiteral("MAJOK1|") + TexteListe(*liste));
}

bool EnregistrerVersionPoste(const RapportVersion& rapport)
{
    BaseInterne::SuiviEchecs suivi;
    BaseInterne::Transaction transaction;
    qint64 id = 0;
    const std::optional<Poste> poste = TablePostes::ParNom(rapport.Nom);
    // A failed search must not pass for an unknown workstation, which would be created twice.
    if (suivi.Echec())
        return false;
    if (poste) {
        id = poste->IdMajPoste;
    } else {
        Poste nouveau;
        nouveau.NomPoste = rapport.Nom;
        nouveau.AdresseMACPoste = rapport.AdresseMAC;
        nouveau.AdresseIPPoste = rapport.AdresseIP;
        id = TablePostes::Inserer(nouveau);
    }
    if (id == 0 || !TablePostes::AjouterHistorique(id, rapport.Version, rapport.Jour))
        return false;
    return transaction.Valider();
}

std::optional<bool> ResponsableAPrevenir(const QString& utilisateur)
{
    BaseInterne::SuiviEchecs suivi;
    const bool prevenir = TableResponsables::Existe(utilisateur) && TableMajAttente::ExisteNonInstallee();
    if (suivi.Echec())
        return std::nullopt;
    return prevenir;
}

QString TexteListe(const QStringList& liste)
{
    return liste.join(QChar(0xFE));
}

ReponsePoste TraiterMessagePoste(const QByteArray& message, bool installationEnCours, CacheReponsesListe* cache)
{
    ReponsePoste resultat;
    if (installationEnCours) {
        resultat.Reponse = QByteArrayLiteral("INSSRV");
        return resultat;
    }
    const QString texte = TexteFil::depuisOctets(message);
    const QStringView commande = QStringView(texte).left(6);
    BaseInterne::AttenteCourte attente;

    if (commande == QLatin1String("NOMUSR")) {
        if (texte.size() < 7)
            return resultat;
        const QString utilisateur = texte.mid(7);
        const QDateTime maintenant = Horloge::Maintenant();
        resultat.Tag = utilisateur + QLatin1Char('|') + maintenant.toString(QStringLiteral("dd/MM/yyyy"))
            + QStringLiteral(" à ") + maintenant.toString(QStringLiteral("HH:mm:ss"));
        if (ResponsableAPrevenir(utilisateur).value_or(false))
            resultat.Reponse = QByteArrayLiteral("MAJSRV");
    } else if (commande == QLatin1String("VMAJ01")) {
        const int diese = texte.indexOf(QLatin1Char('#'));
        const qint64 installee = Nombres::NombreEnTete(diese < 0 ? texte : texte.mid(diese + 1));
        resultat.Reponse = (cache ? cache->Reponse(installee) : ReponseListe(installee)).value_or(QByteArray());
    } else if (commande == QLatin1String("ENRMAJ")) {
        if (texte.size() >= 7)
            resultat.Rapport = lireRapport(texte.mid(7));
    }
    return resultat;
}
