#include "OuvertureBureau.h"

#include "core/Messages.h"
#include "platform/Bureau.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QWidget>

void OuvrirDocumentVersion(QWidget* fenetre, const QString& document)
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

void OuvrirAdresseWeb(const QUrl& adresse)
{
    if (Bureau::OuvrirAdresse(adresse))
        return;
    const QString texte = QStringLiteral("Aucune application n'a pu ouvrir l'adresse ")
        + adresse.toString(QUrl::FullyEncoded) + QStringLiteral(".");
    QTimer::singleShot(0, QCoreApplication::instance(), [texte] { Messages::Afficher(nullptr, texte); });
}
