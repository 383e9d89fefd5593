#include "Registre.h"

#include "console/PreparationApplication.h"

#include <QApplication>
#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <memory>

namespace Registre {

std::vector<Entree>& Tests()
{
    static std::vector<Entree> tests;
    return tests;
}

Enregistrement::Enregistrement(const char* nom, std::function<QObject*()> creer)
{
    Tests().push_back({nom, std::move(creer)});
}

} // namespace Registre

int main(int argc, char** argv)
{
    // Each test program gets its own temporary folder and its own session folder (the desktop
    // program's lock), so the programs of one run never meet another's.
    QTemporaryDir tmp;
    qputenv("TMPDIR", tmp.path().toLocal8Bit());
    QTemporaryDir session;
    qputenv("XDG_RUNTIME_DIR", session.path().toLocal8Bit());
    // The sizes and places the screens remember stay in the run's folder, not the user's.
    qputenv("XDG_CONFIG_HOME", (tmp.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    // The application the tests drive is the program's: French, without a display name.
    PreparerApplication();

    QStringList arguments = QCoreApplication::arguments();
    QString seul;
    if (arguments.size() > 1 && !arguments.at(1).startsWith(QLatin1Char('-'))) {
        seul = arguments.at(1);
        arguments.removeAt(1);
    }
    int echecs = 0;
    int lances = 0;
    for (const auto& entree : Registre::Tests()) {
        if (!seul.isEmpty() && seul != QLatin1String(entree.nom))
            continue;
        // Each class starts with screens that remember nothing from another.
        QSettings().remove(QStringLiteral("Fenetres"));
        std::unique_ptr<QObject> test(entree.creer());
        echecs += QTest::qExec(test.get(), arguments);
        ++lances;
    }
    if (lances == 0) {
        std::fprintf(stderr, "aucune classe de test ne porte ce nom\n");
        return 1;
    }
    return echecs == 0 ? 0 : 1;
}
