#pragma once

#include "ServiceSimule.h"

#include <QTemporaryDir>

// The update service simulator on a free loopback port, serving a temporary folder; over
// TLS with a test certificate that the test process trusts.
class SimulateurTest
{
public:
    explicit SimulateurTest(bool tls = false);

    ServiceSimule& Service() { return m_service; }
    QString Adresse() const { return m_service.Adresse(); }
    QString Dossier() const { return m_dossier.path(); }

    // Offers an update whose file holds `contenu`, at `chemin` (backslashes read as slashes);
    // a documented update also gets its PDF beside it.
    VersionSimulee& Ajouter(qint64 numero, const QString& chemin, const QString& environnement,
                            const QByteArray& contenu, bool documentation = false,
                            const QString& serveurNecessaire = QStringLiteral("0"));

    void EcrireFichier(const QString& relatif, const QByteArray& contenu) const;

    // Contents written for the update and its documentation.
    static QByteArray Contenu(qint64 numero, int taille = 10000);
    static QByteArray Pdf(qint64 numero);

private:
    QTemporaryDir m_dossier;
    ServiceSimule m_service;
};
