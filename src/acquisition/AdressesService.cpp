#include "AdressesService.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>

namespace AdressesService {

QString Encoder(const QString& valeur)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(valeur));
}

QString VerificationCompte(const QString& base, const QString& utilisateur, const QString& motDePasse)
{
    return base + QStringLiteral("/suivimaj/verifident.php?user=") + Encoder(utilisateur) + QStringLiteral("&pass=")
        + Encoder(motDePasse);
}

QString Version(const QString& base, const QString& utilisateur, const QString& motDePasse, const QString& version)
{
    return base + QStringLiteral("/suivimaj/version.php?user=") + Encoder(utilisateur) + QStringLiteral("&pass=")
        + Encoder(motDePasse) + QStringLiteral("&vers=") + Encoder(version) + QStringLiteral("&XML");
}

QString Acquittement(const QString& base, const QString& client, const QString& version, const QString& environnement)
{
    return base + QStringLiteral("/suivimaj/enrtel.php?client=") + Encoder(client) + QStringLiteral("&vers=")
        + Encoder(version) + QStringLiteral("&type=") + Encoder(environnement);
}

QString Fichier(const QString& base, const QString& chemin)
{
    return base + QStringLiteral("/suivimaj/admin/") + chemin;
}

QString Documentation(const QString& adresseFichier, const QString& numero)
{
    return adresseFichier.left(adresseFichier.lastIndexOf(QLatin1Char('/')) + 1) + numero + QStringLiteral(".pdf");
}

QString CheminVersUrl(const QString& texte)
{
    QString copie = texte;
    return copie.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString NomFichierDepuisUrl(const QString& texte)
{
    return texte.mid(texte.lastIndexOf(QLatin1Char('/')) + 1);
}

bool NomLocalAdmissible(const QString& nom)
{
    if (nom.isEmpty() || QDir::isAbsolutePath(nom) || nom.startsWith(QLatin1Char('\\')))
        return false;
    static const QRegularExpression lecteur(QStringLiteral("^[A-Za-z]:"));
    if (lecteur.match(nom).hasMatch())
        return false;
    const QStringList etapes = nom.split(QRegularExpression(QStringLiteral("[/\\\\]")));
    for (const QString& etape : etapes) {
        if (etape == QLatin1String("..") || (etapes.size() == 1 && etape == QLatin1String(".")))
            return false;
    }
    return true;
}

} // namespace AdressesService
