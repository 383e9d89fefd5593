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

QStringList listePour(qint64 installee)
{
    QStringList liste;
    // One statement: the condition on server updates is checked with the list.
    for (qint64 version : TableMajDispo::VersionsPostesDisponibles(installee))
        liste.append(QString::number(version));
    if (liste.isEmpty())
        liste.append(kAJour);
    return liste;
}

} // namespace

QStringList MajPosteSuivante(const QString& versionInstallee)
{
    return listePour(Nombres::NombreEnTete(versionInstallee));
}

QByteArray ReponseListe(qint64 versionInstallee)
{
    const QStringList liste = listePour(versionInstallee);
    if (liste.size() == 1 && liste.first() == kAJour)
        return QByteArrayLiteral("MAJOK0");
    return octets(QStringLiteral("MAJOK1|") + TexteListe(liste));
}

bool MajServeurInstallee(const QString& version)
{
    qint64 numero = 0;
    if (!Nombres::NombreEntier(version, &numero))
        return false;
    return TableMajAttente::InstalleePourVersion(numero).value_or(false);
}

bool EnregistrerVersionPoste(const QString& nom, const QString& version, const QString& adresseMAC,
                             const QString& adresseIP)
{
    qint64 numero = 0;
    if (!Nombres::NombreEntier(version, &numero))
        return false;
    BaseInterne::Transaction transaction;
    qint64 id = 0;
    if (const auto poste = TablePostes::ParNom(nom)) {
        id = poste->IdMajPoste;
    } else {
        Poste nouveau;
        nouveau.NomPoste = nom;
        nouveau.AdresseMACPoste = adresseMAC;
        nouveau.AdresseIPPoste = adresseIP;
        id = TablePostes::Inserer(nouveau);
    }
    if (id == 0 || !TablePostes::AjouterHistorique(id, numero, Horloge::Maintenant().date()))
        return false;
    return transaction.Valider();
}

bool ResponsableAPrevenir(const QString& utilisateur)
{
    return TableResponsables::Existe(utilisateur) && TableMajAttente::ExisteNonInstallee();
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

    if (commande == QLatin1String("NOMUSR")) {
        if (texte.size() < 7)
            return resultat;
        const QString utilisateur = texte.mid(7);
        const QDateTime maintenant = Horloge::Maintenant();
        resultat.Tag = utilisateur + QLatin1Char('|') + maintenant.toString(QStringLiteral("dd/MM/yyyy"))
            + QStringLiteral(" à ") + maintenant.toString(QStringLiteral("HH:mm:ss"));
        if (ResponsableAPrevenir(utilisateur))
            resultat.Reponse = QByteArrayLiteral("MAJSRV");
    } else if (commande == QLatin1String("VMAJ01")) {
        const int diese = texte.indexOf(QLatin1Char('#'));
        const qint64 installee = Nombres::NombreEnTete(diese < 0 ? texte : texte.mid(diese + 1));
        resultat.Reponse = cache ? cache->Reponse(installee) : ReponseListe(installee);
    } else if (commande == QLatin1String("ENRMAJ")) {
        if (texte.size() < 7)
            return resultat;
        const QString reste = texte.mid(7);
        if (reste.count(QLatin1Char('#')) < 3)
            return resultat;
        const int d1 = reste.indexOf(QLatin1Char('#'));
        const int d2 = reste.indexOf(QLatin1Char('#'), d1 + 1);
        const int d3 = reste.indexOf(QLatin1Char('#'), d2 + 1);
        EnregistrerVersionPoste(reste.left(d1), reste.mid(d1 + 1, d2 - d1 - 1), reste.mid(d2 + 1, d3 - d2 - 1),
                                reste.mid(d3 + 1));
    }
    return resultat;
}
