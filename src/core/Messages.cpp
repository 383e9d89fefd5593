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
    for (const QString& ligne : message.split(QLatin1Char('\n')))
        Sortie::Ecrire(ligne);
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
    QString uneLigne = texte;
    uneLigne.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    Sortie::Ecrire(titre + QStringLiteral(": ") + uneLigne);
    if (g_interlocuteur)
        return g_interlocuteur->Afficher(proprietaire, titre, texte, icone, boutons);
    return boutons == Boutons::Ok ? Reponse::Ok : Reponse::Non;
}

} // namespace Messages
