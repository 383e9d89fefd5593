#include "console/commun/MessagesConsole.h"

#include "console/commun/NonParDefaut.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

Reponse MessagesConsole::Afficher(QObject* proprietaire, const QString& titre, const QString& texte, Icone icone,
                                  Boutons boutons)
{
    // Without a screen nobody can answer: the box, already written to standard error, takes
    // its default answer instead of waiting forever.
    const QString plateforme = QGuiApplication::platformName();
    if (plateforme == QLatin1String("offscreen") || plateforme == QLatin1String("minimal"))
        return boutons == Boutons::Ok ? Reponse::Ok : (boutons == Boutons::OuiNon ? Reponse::Non : Reponse::Annuler);
    QWidget* parent = qobject_cast<QWidget*>(proprietaire);
    if (!parent)
        parent = QApplication::activeWindow();
    QMessageBox boite(parent);
    Preparer(boite, titre, texte, icone, boutons);
    boite.exec();
    return Lire(boite, boutons);
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
    if (boutons == Boutons::Ok)
        return Reponse::Ok;
    return boutons == Boutons::OuiNonAnnuler ? Reponse::Annuler : Reponse::Non;
}
