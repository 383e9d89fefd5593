#pragma once

#include "DossierTest.h"
#include "SimulateurTest.h"
#include "StatutEnregistre.h"
#include "acquisition/VerificationMaj.h"
#include "core/Etat.h"
#include "core/TableMajDispo.h"

#include <QDir>
#include <QTimer>
#include <memory>

// What fetching updates works with: a program folder, the simulated service, the state
// pointing at both with the account 61742 / TR918M, and a check ready to run with its timer
// (stopped) and the status it shows; they go in the reverse order of their creation.
struct BancMaj
{
    BancMaj()
    {
        etat.EmplacementMaj = dossier.DossierMaj();
        etat.W_User = QStringLiteral("61742");
        etat.W_Pass = QStringLiteral("TR918M");
        NouveauService(false);
    }

    // Another simulated service (over TLS or not), which the state points at.
    void NouveauService(bool tls)
    {
        sim = std::make_unique<SimulateurTest>(tls);
        etat.Config.Service = sim->Adresse();
    }

    // A file of the update folder.
    QString Maj(const QString& nom) const { return QDir(etat.EmplacementMaj).filePath(nom); }

    // The versions recorded as downloaded, in their order.
    static QVector<qint64> VersionsEnregistrees()
    {
        QVector<qint64> versions;
        for (const MajDispo& m : TableMajDispo::Toutes())
            versions.append(m.NumVersionDispo);
        return versions;
    }

    DossierTest dossier;
    std::unique_ptr<SimulateurTest> sim;
    Etat etat;
    QTimer minuteur;
    StatutEnregistre statut;
    std::unique_ptr<VerificationMaj> verif = std::make_unique<VerificationMaj>(etat, minuteur, statut);
};
