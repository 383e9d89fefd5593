#include "console/commun/MessagesConsole.h"

#include "console/commun/NonParDefaut.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>

namespace {

// The window that owns a box: the owner's window, or the active window, unless it comes and goes
// by itself (the tray menu closes itself when a box takes the focus, the balloon with its check):
// a box has no owner then rather than one deleted under it.
QWidget* fenetreProprietaire(QObject* proprietaire, bool* dessus)
{
    QWidget* fenetre = qobject_cast<QWidget*>(proprietaire);
    if (!fenetre)
        fenetre = QApplication::activeWindow();
    if (!fenetre)
        return nullptr;
    fenetre = fenetre->window();
    const Qt::WindowType type = fenetre->windowType();
    if (type == Qt::Window || type == Qt::Dialog)
        return fenetre;
    // Kept above the others, it would hide the box.
    *dessus = fenetre->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
    return nullptr;
}

// The answer of a box closed without a button.
Reponse reponseEchap(Boutons boutons)
{
    if (boutons == Boutons::Ok)
        return Reponse::Ok;
    return boutons == Boutons::OuiNonAnnuler ? Reponse::Annuler : Reponse::Non;
}

} // namespace

Reponse MessagesConsole::Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                                  Boutons boutons)
{
    // Without a screen nobody can answer: the box, already written to standard error, takes
    // its default answer instead of waiting forever.
    const QString plateforme = QGuiApplication::platformName();
    if (plateforme == QLatin1String("offscreen") || plateforme == QLatin1String("minimal"))
        return reponseEchap(boutons);
    bool dessus = false;
    QPointer<QMessageBox> boite = new QMessageBox(fenetreProprietaire(proprietaire, &dessus));
    if (dessus)
        boite->setWindowFlag(Qt::WindowStaysOnTopHint);
    Preparer(*boite, titre, texte, icone, boutons);
    boite->exec();
    // Should its owner go all the same, the box goes with it: answered as by Escape.
    if (!boite)
        return reponseEchap(boutons);
    const Reponse reponse = Lire(*boite, boutons);
    delete boite;
    return reponse;
}

void MessagesConsole::Preparer(QMessageBox& boite, const QString& titre, const QString& texte, Icone icone,
                               Boutons boutons)
{
    boite.setObjectName(QStringLiteral("MessageQUENTARIS"));
    boite.setWindowTitle(titre);
    boite.setText(QString(texte).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (icone) {
    case Icone::Information:
        boite.setIcon(QMessageBox::Information);
        break;
    case Icone::Exclamation:
        boite.setIcon(QMessageBox::Warning);
        break;
    case Icone::Question:
        boite.setIcon(QMessageBox::Question);
        break;
    case Icone::Aucune:
        break;
    }
    if (boutons == Boutons::Ok) {
        boite.setDefaultButton(boite.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        return;
    }
    QPushButton* oui = boite.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
    QPushButton* non = boite.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
    boite.setDefaultButton(boutons == Boutons::OuiNon && NonParDefaut::Actif() ? non : oui);
    if (boutons == Boutons::OuiNonAnnuler)
        boite.setEscapeButton(boite.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole));
    else
        boite.setEscapeButton(non);
}

Reponse MessagesConsole::Lire(const QMessageBox& boite, Boutons boutons)
{
    switch (boite.clickedButton() ? boite.buttonRole(boite.clickedButton()) : QMessageBox::InvalidRole) {
    case QMessageBox::YesRole:
        return Reponse::Oui;
    case QMessageBox::NoRole:
        return Reponse::Non;
    case QMessageBox::RejectRole:
        return Reponse::Annuler;
    default:
        break;
    }
    return reponseEchap(boutons);
}
