#include "SimulateurTest.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

SimulateurTest::SimulateurTest() : m_service(m_dossier.path())
{
    m_service.Ecouter(QHostAddress::LocalHost, 0);
}

VersionSimulee& SimulateurTest::Ajouter(qint64 numero, const QString& chemin, const QString& environnement,
                                        const QByteArray& contenu, bool documentation, const QString& serveurNecessaire)
{
    QString relatif = chemin;
    relatif.replace(QLatin1Char('\\'), QLatin1Char('/'));
    EcrireFichier(relatif, contenu);
    if (documentation)
        EcrireFichier(QFileInfo(relatif).path() + QLatin1Char('/') + QString::number(numero) + QStringLiteral(".pdf"),
                      Pdf(numero));
    VersionSimulee v;
    v.Numero = numero;
    v.Chemin = chemin;
    v.Environnement = environnement;
    v.Documentation = documentation ? QStringLiteral("1") : QStringLiteral("0");
    v.ServeurNecessaire = serveurNecessaire;
    m_service.Versions.append(v);
    return m_service.Versions.last();
}

void SimulateurTest::EcrireFichier(const QString& relatif, const QByteArray& contenu) const
{
    const QString chemin = QDir(m_dossier.path()).filePath(relatif);
    QDir().mkpath(QFileInfo(chemin).absolutePath());
    QFile f(chemin);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(contenu);
}

QByteArray SimulateurTest::Contenu(qint64 numero, int taille)
{
    QByteArray octets;
    octets.reserve(taille);
    for (int i = 0; i < taille; ++i)
        octets.append(static_cast<char>((numero + i * 7) % 251));
    return octets;
}

QByteArray SimulateurTest::Pdf(qint64 numero)
{
    return "%PDF-1.4 documentation " + QByteArray::number(numero) + "\n%%EOF\n";
}
