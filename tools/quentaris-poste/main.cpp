#include "ClientPoste.h"
#include "OptionsPoste.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    const OptionsPoste options = OptionsPoste::Analyser(arguments);
    if (!options.Valide) {
        std::fprintf(stderr, "quentaris-poste : %s\n\n%s", options.Erreur.toLocal8Bit().constData(),
                     OptionsPoste::Usage().toLocal8Bit().constData());
        return 2;
    }
    if (options.Aide) {
        std::printf("%s", OptionsPoste::Usage().toLocal8Bit().constData());
        return 0;
    }
    ClientPoste client(options);
    QObject::connect(&client, &ClientPoste::Fini, &app, [](int code) { QCoreApplication::exit(code); });
    QTimer::singleShot(0, &client, [&client] { client.Lancer(); });
    return app.exec();
}
