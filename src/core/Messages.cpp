#include "Messages.h"

#include "Sortie.h"

#include <QStringList>
#include <QtGlobal>
#include <cstdlib>

namespace Messages {

namespace {

Interlocuteur* g_interlocuteur = nullptr;

void ecrireMessageQt(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set")))
        return;
    const Sortie::Priorite priorite = type == QtCriticalMsg || type == QtFatalMsg ? Sortie::Priorite::Erreur
        : type == QtWarningMsg                                                    ? Sortie::Priorite::Avertissement
                                                                                  : Sortie::Priorite::Information;
    for (const QString& ligne : message.split(QLatin1Char('\n')))
        Sortie::Ecrire(ligne, priorite);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void RedirigerMessagesQt()
{
    qInstallMessageHandler(ecrireMessageQt);
}

void Installer(Interlocuteur* interlocuteur)
{
    g_interlocuteur = interlocuteur;
}

Reponse Afficher(QObject* proprietaire, const QString& texte, Icone icone, Boutons boutons, const QString& titre)
{
    return Afficher(proprietaire, texte, icone, boutons, titre,
                    icone == Icone::Exclamation ? Sortie::Priorite::Avertissement : Sortie::Priorite::Information);
}

Reponse Afficher(QObject* proprietaire, const QString& texte, Icone icone, Boutons boutons, const QString& titre,
                 Sortie::Priorite priorite)
{
    QString uneLigne = texte;
    uneLigne.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    Sortie::Ecrire(titre + QStringLiteral(": ") + uneLigne, priorite);
    if (g_interlocuteur)
        return g_interlocuteur->Afficher(proprietaire, titre, texte, icone, boutons);
    return boutons == Boutons::Ok ? Reponse::Ok : Reponse::Non;
}

} // namespace Messages
