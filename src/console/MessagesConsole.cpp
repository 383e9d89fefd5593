#include "MessagesConsole.h"

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
    QPushButton* ok = nullptr;
    QPushButton* oui = nullptr;
    QPushButton* non = nullptr;
    QPushButton* annuler = nullptr;
    if (boutons == Boutons::Ok) {
        ok = boite.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        boite.setDefaultButton(ok);
    } else {
        oui = boite.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        non = boite.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        boite.setDefaultButton(oui);
        if (boutons == Boutons::OuiNonAnnuler) {
            annuler = boite.addButton(QStringLiteral("Annuler"), QMessageBox::RejectRole);
            boite.setEscapeButton(annuler);
        } else {
            boite.setEscapeButton(non);
        }
    }
    boite.exec();
    QAbstractButton* choisi = boite.clickedButton();
    if (choisi && choisi == oui)
        return Reponse::Oui;
    if (choisi && choisi == non)
        return Reponse::Non;
    if (choisi && choisi == annuler)
        return Reponse::Annuler;
    if (boutons == Boutons::Ok)
        return Reponse::Ok;
    return boutons == Boutons::OuiNonAnnuler ? Reponse::Annuler : Reponse::Non;
}
