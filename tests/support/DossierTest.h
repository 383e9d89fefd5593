#pragma once

#include "core/TableParametres.h"

#include <QString>
#include <QTemporaryDir>
#include <array>

// A temporary program folder: configserv.ini on free ports, quentaris.ini beside it,
// an update folder, and donnees.db created and opened.
class DossierTest
{
public:
    explicit DossierTest(bool creerBase = true);
    ~DossierTest();

    QString Chemin() const { return m_dossier.path(); }
    QString Fichier(const QString& nom) const;
    QString DossierMaj() const { return Fichier(QStringLiteral("maj")); }
    QString DossierSysteme() const { return Fichier(QStringLiteral("systeme")); }

    quint16 portControle = 0;
    quint16 portTransfert = 0;

    // Writes configserv.ini with the ports above, and any extra lines.
    void EcrireConfig(const QString& lignesEnPlus = QString()) const;
    void EcrireFichier(const QString& nom, const QByteArray& contenu) const;

    // Inserts the settings row 1: Monday to Sunday as given, the update folder of the test.
    void EcrireParametres(const QString& heure = QStringLiteral("22:00"),
                          const QString& utilisateur = QStringLiteral("61742"),
                          const QString& motDePasse = QStringLiteral("TR918M"), std::array<bool, 7> jours = {true});

    // A downloaded workstation update: its MajDispo row and its file in the update folder (the
    // documentation file too when one is given). False when the row could not be written.
    bool PublierMaj(qint64 version, const QString& fichier, const QByteArray& contenu,
                    const QByteArray& documentation = QByteArray()) const;

private:
    QTemporaryDir m_dossier;
};

// A TCP port free at the moment of the call.
quint16 PortLibre();
