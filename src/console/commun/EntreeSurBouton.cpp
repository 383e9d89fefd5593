#include "console/commun/EntreeSurBouton.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPushButton>

void EntreeSurBouton::Installer()
{
    static EntreeSurBouton* regle = nullptr;
    if (regle || !qApp)
        return;
    regle = new EntreeSurBouton(qApp);
    qApp->installEventFilter(regle);
}

bool EntreeSurBouton::eventFilter(QObject* objet, QEvent* evenement)
{
    if (evenement->type() != QEvent::KeyPress)
        return false;
    auto* touche = static_cast<QKeyEvent*>(evenement);
    if (touche->key() != Qt::Key_Return && touche->key() != Qt::Key_Enter)
        return false;
    auto* bouton = qobject_cast<QPushButton*>(objet);
    if (!bouton || !bouton->hasFocus() || !bouton->isEnabled()
        || (touche->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    // A key held down presses once.
    if (!touche->isAutoRepeat())
        bouton->click();
    return true;
}
