#include "console/commun/OuvertureBureau.h"

#include "core/Messages.h"
#include "core/TableParametres.h"
#include "platform/bureau/Bureau.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QWidget>

namespace {

void ouvrirDocumentVersion(QWidget* fenetre, const QString& document)
{
    if (!QFileInfo(document).isFile()) {
        Messages::Afficher(fenetre,
                           QStringLiteral("Une erreur est survenue lors de la tentative d'ouverture du fichier "
                                          "d'informations sur la version !"));
        return;
    }
    if (!Bureau::OuvrirDocument(document))
        Messages::Afficher(
            fenetre, QStringLiteral("Aucune application n'a pu ouvrir le document ") + document + QStringLiteral("."));
}

} // namespace

void OuvrirInfosVersion(QWidget* fenetre, const QString& version)
{
    const std::optional<Parametres> parametres = TableParametres::LireSur();
    if (!parametres) {
        Messages::Afficher(fenetre,
                           QStringLiteral("Les paramètres ne peuvent pas être lus dans la base de données "
                                          "interne : les informations de version ne peuvent pas être "
                                          "ouvertes."));
        return;
    }
    if (!parametres->Existe)
        return;
    ouvrirDocumentVersion(fenetre, QDir(parametres->EmplacementMaj).filePath(version + QStringLiteral(".pdf")));
}

void OuvrirAdresseWeb(const QUrl& adresse)
{
    if (Bureau::OuvrirAdresse(adresse))
        return;
    const QString texte = QStringLiteral("Aucune application n'a pu ouvrir l'adresse ")
        + adresse.toString(QUrl::FullyEncoded) + QStringLiteral(".");
    QTimer::singleShot(0, QCoreApplication::instance(), [texte] { Messages::Afficher(nullptr, texte); });
}
