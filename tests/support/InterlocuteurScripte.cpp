#include "InterlocuteurScripte.h"

#include "console/commun/MessagesConsole.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>

namespace {

Reponse auClavier(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone, Boutons boutons,
                  int touche)
{
    QMessageBox boite(qobject_cast<QWidget*>(proprietaire));
    MessagesConsole::Preparer(boite, titre, texte, icone, boutons);
    boite.show();
    // Through the window, to whichever control has the focus, as the keyboard does. An access
    // key presses its button a moment later; a key that answers nothing leaves the box open.
    QTest::keyClick(boite.windowHandle(), static_cast<Qt::Key>(touche));
    (void)QTest::qWaitFor([&boite] { return !boite.isVisible(); }, 1000);
    boite.hide();
    // The window manager gives the focus back to the window under the box.
    if (QWidget* dessous = boite.parentWidget() ? boite.parentWidget()->window() : nullptr) {
        dessous->activateWindow();
        (void)QTest::qWaitFor([dessous] { return QApplication::activeWindow() == dessous; }, 1000);
    }
    return MessagesConsole::Lire(boite, boutons);
}

} // namespace

InterlocuteurScripte::InterlocuteurScripte()
{
    Messages::Installer(this);
}

InterlocuteurScripte::~InterlocuteurScripte()
{
    Messages::Installer(nullptr);
}

Reponse InterlocuteurScripte::Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                                       Boutons boutons)
{
    affiches.append({titre, texte, icone, boutons});
    if (!m_reponses.isEmpty()) {
        const Script script = m_reponses.takeFirst();
        return script.touche ? auClavier(proprietaire, titre, texte, icone, boutons, script.touche) : script.reponse;
    }
    return boutons == Boutons::Ok ? Reponse::Ok : Reponse::Oui;
}

QStringList InterlocuteurScripte::Textes() const
{
    QStringList textes;
    for (const auto& a : affiches)
        textes.append(a.texte);
    return textes;
}
