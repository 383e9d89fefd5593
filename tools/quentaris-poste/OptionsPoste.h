#pragma once

#include <QString>
#include <QStringList>

// The command line of quentaris-poste.
struct OptionsPoste
{
    QString Hote = QStringLiteral("127.0.0.1");
    quint16 PortControle = 28000;
    quint16 PortTransfert = 28001;
    QString Utilisateur; // NOMUSR when not empty
    QString Version; // VMAJ01 when not empty
    bool Telecharger = false; // fetch every version of the list
    QStringList Recuperer; // versions fetched without asking the list
    QString Dossier = QStringLiteral(".");
    QString Signaler; // ENRMAJ when not empty
    QString Poste; // workstation name of the report
    QString AdresseMAC = QStringLiteral("00-00-00-00-00-00");
    QString AdresseIP; // empty: the local address of the control connection
    int Delai = 10000; // longest wait for an answer, in ms
    int AttenteAnnonce = 1000; // wait for an optional answer after NOMUSR and ENRMAJ, in ms

    bool Aide = false;
    bool Valide = true;
    QString Erreur;

    static OptionsPoste Analyser(const QStringList& arguments);
    static QString Usage();
    bool UtiliseControle() const { return !Utilisateur.isEmpty() || !Version.isEmpty() || !Signaler.isEmpty(); }
};
