#include "AlerteEcriture.h"

#include "Messages.h"

#include <QCoreApplication>
#include <QTimer>

namespace AlerteEcriture {

namespace {

bool g_enEchec = false;

void afficher(const QString& chemin)
{
    Messages::Afficher(
        nullptr,
        Messages::Joindre(
            QStringLiteral("La base de données interne du serveur de mise à jour (") + chemin
                + QStringLiteral(") ne peut pas être écrite."),
            QStringLiteral("Tant que ce problème dure, les mises à jour téléchargées, le journal des événements et "
                           "les paramètres ne sont pas enregistrés, et les versions signalées par les postes restent "
                           "en attente. Vérifiez que le fichier existe, que le dossier du programme peut être écrit "
                           "et que le disque n'est pas plein.")),
        Icone::Exclamation);
}

} // namespace

void Reussie()
{
    g_enEchec = false;
}

void Echouee(const QString& chemin)
{
    if (g_enEchec)
        return;
    g_enEchec = true;
    if (QCoreApplication* application = QCoreApplication::instance())
        QTimer::singleShot(0, application, [chemin] { afficher(chemin); });
    else
        afficher(chemin);
}

} // namespace AlerteEcriture
